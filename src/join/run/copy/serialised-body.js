// The loaded page's share of the joined file: its body markup parsed as the end of the body of a
// document like the joined one (made by createHTMLDocument: no window, scripting off, so noscript
// holds elements), and written out again. Parsing a fragment for a body does not depend on what
// the body already holds, so these texts one after another are exactly the joined body's markup.
(function () {
    const refusal = vantrelCopyRefusal();
    if (refusal)
        return refusal;
    const joined = document.implementation.createHTMLDocument();
    joined.body.insertAdjacentHTML('beforeend', document.body.innerHTML);
    return { markup: joined.body.innerHTML };
})()
