// Keeps only what matters of the live page, right before its copy, called with
// { select, exclude, main }: the elements select names (the union, in document order), or the
// page's main content by its landmarks, and then none of what exclude names. Answers which rule
// was used ('select', 'main', 'article', 'body') and, when the whole body stays, why.
(function (rule) {
    // A page copied before, or one without a body, is the copy's to refuse.
    if (window.vantrelCopied || !document.body)
        return null;
    const body = document.body;
    let kept = null;
    let used = 'body';
    let warning = '';
    if (rule.select.length) {
        const list = rule.select.join(', ');
        // An element inside another kept one comes along with it.
        kept = [...body.querySelectorAll(list)].filter(element => {
            const outer = element.parentElement.closest(list);
            return !outer || !body.contains(outer);
        });
        if (kept.length)
            used = 'select';
        else
            warning = 'nothing matches --select';
    } else if (rule.main) {
        const mains = body.querySelectorAll('main, [role=main]');
        const articles = body.querySelectorAll('article');
        if (mains.length === 1) {
            kept = [mains[0]];
            used = 'main';
        } else if (mains.length === 0 && articles.length === 1) {
            kept = [articles[0]];
            used = 'article';
        } else {
            warning = mains.length ? mains.length + ' main landmarks'
                : articles.length ? 'no main landmark, ' + articles.length + ' articles'
                : 'no main landmark or article';
        }
    }
    if (kept && kept.length)
        body.replaceChildren(...kept);
    if (rule.exclude.length) {
        for (const element of body.querySelectorAll(rule.exclude.join(', ')))
            element.remove();
    }
    return { used: used, warning: warning };
})
