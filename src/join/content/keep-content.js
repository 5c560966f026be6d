// Keeps only what matters of the live page, right before its copy, called with
// { select, exclude, main, reader } and, for main and reader, the reader library's Readability: the
// elements select names (the union, in document order); or the page's main content: a single main
// landmark, else a single article, else (and always with reader) the article the reader algorithm
// finds; and then none of what exclude names. Answers which rule was used ('select', 'main',
// 'article', 'reader', 'body') and, when the whole body stays or several landmarks were passed by
// for the reader's article, why.
(function (rule, Readability) {
    // A page copied before, or one without a body, is the copy's to refuse.
    if (window.vantrelCopied || !document.body)
        return null;
    const body = document.body;
    const MaxElements = 200000;
    const blocks = new Set(['p', 'div', 'section', 'article', 'header', 'footer', 'figure', 'ul',
                            'ol', 'dl', 'pre', 'table', 'blockquote', 'h1', 'h2', 'h3', 'h4',
                            'h5', 'h6', 'details', 'aside']);
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
    } else if (rule.main || rule.reader) {
        const mains = body.querySelectorAll('main, [role=main]');
        const articles = body.querySelectorAll('article');
        if (!rule.reader && mains.length === 1) {
            kept = [mains[0]];
            used = 'main';
        } else if (!rule.reader && mains.length === 0 && articles.length === 1) {
            kept = [articles[0]];
            used = 'article';
        } else {
            const found = readerArticle();
            if (found.nodes) {
                kept = found.nodes;
                used = 'reader';
                // Several landmarks are the page's own word on its content: say which was not
                // taken.
                if (!rule.reader && mains.length > 1)
                    warning = mains.length + ' main landmarks';
            } else {
                const landmarks = mains.length ? mains.length + ' main landmarks'
                    : articles.length ? 'no main landmark, ' + articles.length + ' articles'
                    : 'no main landmark or article';
                warning = (rule.reader ? '' : landmarks + ', and ') +
                          'the reader found no article' + (found.why ? ' (' + found.why + ')' : '');
            }
        }
    }
    if (kept && kept.length)
        body.replaceChildren(...kept);
    if (rule.exclude.length) {
        for (const element of body.querySelectorAll(rule.exclude.join(', ')))
            element.remove();
    }
    // The article the reader algorithm finds in a clone of the page (it changes what it reads),
    // brought back into the page: { nodes } or { why }. Where the algorithm dropped what is plainly
    // content inside the article (a code block, a table it judged too small), that is put back
    // where it stood, and the article starts with the page's title as its heading.
    function readerArticle() {
        if (typeof Readability !== 'function')
            return { why: 'no reader' };
        const clone = document.cloneNode(true);
        const live = [...body.querySelectorAll('*')];
        const cloned = [...clone.body.querySelectorAll('*')];
        cloned.forEach((element, n) => element.setAttribute('data-vantrel-n', n));
        let article;
        try {
            // The bound keeps a giant page from holding the renderer for long.
            article = new Readability(clone, { keepClasses: true, maxElemsToParse: MaxElements,
                                               serializer: element => element }).parse();
        } catch (e) {
            return { why: String(e.message || e) };
        }
        if (!article || !article.content || !article.content.textContent.trim())
            return {};
        const content = article.content;
        // Where nothing reads as an article the library takes what there is: a page of links
        // (an index, a catalogue) is no article.
        const letters = element => element.textContent.replace(/\s+/g, '').length;
        const linked = [...content.querySelectorAll('a')].reduce((n, a) => n + letters(a), 0);
        if (linked * 2 > letters(content))
            return { why: 'only links' };
        const indexOf = element => Number(element.getAttribute('data-vantrel-n'));
        // What the library kept, by where it stood in the page.
        const kept = [...content.querySelectorAll('[data-vantrel-n]')]
                         .sort((a, b) => indexOf(a) - indexOf(b));
        const keptIndices = kept.map(indexOf);
        const livePlace = new Map(live.map((element, n) => [element, n]));
        // The last kept element that stood before index n.
        const keptBefore = n => {
            let low = 0, high = keptIndices.length;
            while (low < high) {
                const middle = (low + high) >> 1;
                if (keptIndices[middle] < n)
                    low = middle + 1;
                else
                    high = middle;
            }
            return low - 1;
        };
        for (const dropped of body.querySelectorAll('pre, table')) {
            // Its descendants follow it in the numbering: one of them kept (a one-cell table
            // made a paragraph) keeps the block.
            const n = livePlace.get(dropped);
            const end = n + dropped.getElementsByTagName('*').length;
            const before = keptBefore(n);
            const inside = before + 1 < keptIndices.length && keptIndices[before + 1] <= end;
            if (before < 0 || before + 1 >= keptIndices.length || inside ||
                dropped.parentElement.closest('pre, table'))
                continue;
            // After the nearest block before it that is not around it.
            let at = before;
            while (at >= 0 && (!blocks.has(kept[at].localName) ||
                               live[keptIndices[at]].contains(dropped)))
                --at;
            if (at >= 0)
                kept[at].after(content.ownerDocument.importNode(dropped, true));
        }
        for (const element of content.querySelectorAll('[data-vantrel-n]'))
            element.removeAttribute('data-vantrel-n');
        // The library's own wrappers name nothing of the page.
        for (const wrapper of [content, ...content.querySelectorAll('[id^=readability-]')]) {
            if (!(wrapper.id || '').startsWith('readability-'))
                continue;
            wrapper.removeAttribute('id');
            wrapper.classList.remove('page');
            if (!wrapper.classList.length)
                wrapper.removeAttribute('class');
        }
        const nodes = [document.importNode(content, true)];
        // The page's own h1 where it names the article as its metadata does, or where it stands
        // ahead of the article saying more than the page's title (a blog's "Blog - Winter beans"
        // over "Winter beans, and why they keep"); not the site's name, which is part of the
        // page's title or a link home.
        const h1s = body.querySelectorAll('h1');
        const named = (article.title || '').replace(/\s+/g, ' ').trim();
        const h1 = h1s.length === 1 ? h1s[0].textContent.replace(/\s+/g, ' ').trim() : '';
        const pageTitle = document.title.replace(/\s+/g, ' ').trim().toLowerCase();
        const link = h1 && (h1s[0].closest('a[href]') || h1s[0].querySelector('a[href]'));
        const linksHome = !!link && /^\/(index\.\w+)?$/.test(new URL(link.href).pathname);
        // Ahead of the article's first element, or inside it where the library left it out.
        const ahead = kept.length > 0 && h1 && (h1s[0].compareDocumentPosition(
            live[keptIndices[0]]) & (Node.DOCUMENT_POSITION_FOLLOWING |
                                     Node.DOCUMENT_POSITION_CONTAINS));
        const ownHeadline = ahead && !linksHome && !pageTitle.includes(h1.toLowerCase());
        const title = h1 && (h1.includes(named) || named.includes(h1) || ownHeadline) ? h1 : named;
        const firstHeading = nodes[0].querySelector('h1, h2, h3');
        const sameText =
            firstHeading && firstHeading.textContent.replace(/\s+/g, ' ').trim() === title;
        let headline = sameText ? firstHeading : null;
        if (title && !sameText) {
            headline = document.createElement('h1');
            headline.textContent = title;
            nodes.unshift(headline);
        }
        // A text copy heads its part with the page's title already: a headline that only says it
        // again is left out there (window.vantrelTitleHeading, read by the text formats).
        if (headline && title && pageTitle.includes(title.toLowerCase()))
            window.vantrelTitleHeading = { element: headline, text: title };
        return { nodes };
    }
    return { used: used, warning: warning };
})
