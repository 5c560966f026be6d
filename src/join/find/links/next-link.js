// Where a page's next link leads: the first element the selector matches, a link itself (a[href],
// link[href]) or holding one. Answers as a copy does, the absolute address (or '' for none) for
// its markup. A peek reads it without counting as the page's copy: the join copies it next.
(function (selector, peek) {
    const refusal = peek ? '' : vantrelCopyRefusal();
    if (refusal)
        return refusal;
    const match = document.querySelector(selector);
    const link = !match ? null
        : match.matches('a[href], link[href]') ? match : match.querySelector('a[href]');
    try {
        return { markup: link ? new URL(link.getAttribute('href'), document.baseURI).href : '' };
    } catch (e) {
        return { markup: '' };
    }
})
