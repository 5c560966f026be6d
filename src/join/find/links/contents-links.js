// The links of a contents page, in document order: every a[href] of the page, or of the elements
// a selector matches (all of them, in document order). Answers as a copy does, the absolute
// addresses as JSON text for its markup.
(function (within) {
    const refusal = vantrelCopyRefusal();
    if (refusal)
        return refusal;
    const links = [];
    for (const root of within ? document.querySelectorAll(within) : [document.documentElement]) {
        const anchors = [...root.querySelectorAll('a[href]')];
        if (root.matches('a[href]'))
            anchors.unshift(root);
        for (const anchor of anchors) {
            try {
                links.push(new URL(anchor.getAttribute('href'), document.baseURI).href);
            } catch (e) {
                // An address that does not resolve leads nowhere.
            }
        }
    }
    return { markup: JSON.stringify(links) };
})
