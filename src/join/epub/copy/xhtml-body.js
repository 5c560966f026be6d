// A page's standalone copy written as XHTML for a book: takes the copy of the body (an element of
// a document with no window) and answers
//   <html lang><head>its style elements</head><body><div (the body's id and class)>...</div></body></html>
// serialised by the engine as XML. Before that it removes or mends what an e-book's XHTML may not
// hold: what runs or embeds (scripts, frames, objects, media from elsewhere), forms and their
// controls, elements and attributes the HTML of today does not know, attribute names and values
// that XML or the schema refuse, and comments. Ids are mended by the program, which also decides
// the links and images.
(function (body) {
    const HTML = 'http://www.w3.org/1999/xhtml';
    const MATHML = 'http://www.w3.org/1998/Math/MathML';
    const SVG = 'http://www.w3.org/2000/svg';
    const doc = body.ownerDocument;
    const xmlName = /^[A-Za-z_\u00C0-\uFFFF][A-Za-z0-9_.\-\u00B7\u00C0-\uFFFF]*$/;

    const removed = 'script, noscript, template, iframe, frame, frameset, embed, object, applet, ' +
        'param, input, select, textarea, button, datalist, keygen, option, optgroup, link, meta, ' +
        'base, audio, video, source, track, map, dialog, slot, portal, canvas';
    const known = new Set([
        'a', 'abbr', 'address', 'article', 'aside', 'b', 'bdi', 'bdo', 'blockquote', 'br', 'caption',
        'cite', 'code', 'col', 'colgroup', 'data', 'dd', 'del', 'details', 'dfn', 'div', 'dl', 'dt',
        'em', 'fieldset', 'figcaption', 'figure', 'footer', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6',
        'header', 'hgroup', 'hr', 'i', 'img', 'ins', 'kbd', 'legend', 'li', 'main', 'mark', 'nav',
        'ol', 'p', 'pre', 'q', 'rp', 'rt', 'ruby', 's', 'samp', 'section', 'small', 'span',
        'strong', 'style', 'sub', 'summary', 'sup', 'table', 'tbody', 'td', 'tfoot', 'th', 'thead',
        'time', 'tr', 'u', 'ul', 'var', 'wbr', 'body']);
    // What holds blocks: an unknown element around one becomes a div, otherwise a span.
    const blocks = 'address, article, aside, blockquote, details, div, dl, fieldset, figure, ' +
        'footer, h1, h2, h3, h4, h5, h6, header, hgroup, hr, main, nav, ol, p, pre, section, ' +
        'table, ul';
    const globalAttributes = new Set(['id', 'class', 'title', 'lang', 'dir', 'hidden', 'style']);
    const attributesOf = {
        a: ['href', 'hreflang'], img: ['src', 'alt', 'width', 'height'], ol: ['start', 'reversed'],
        li: ['value'], td: ['colspan', 'rowspan'], th: ['colspan', 'rowspan', 'scope', 'abbr'],
        col: ['span'], colgroup: ['span'], blockquote: ['cite'], q: ['cite'], del: ['cite'],
        ins: ['cite'], details: ['open'], bdo: ['dir'], data: ['value'],
    };
    const whole = /^\d+$/;
    const valueRules = {
        width: whole, height: whole, colspan: /^[1-9]\d*$/, rowspan: /^\d+$/, span: /^[1-9]\d*$/,
        start: /^-?\d+$/, value: /^-?\d+$/, reversed: /^(reversed)?$/, open: /^(open)?$/,
        hidden: /^(hidden)?$/, dir: /^(ltr|rtl|auto)$/i, scope: /^(row|col|rowgroup|colgroup)$/,
        lang: /^([A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*)?$/, hreflang: /^[A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*$/,
    };
    // What a MathML token element (mtext and the like) may hold of HTML.
    const phrasing = new Set([
        'a', 'abbr', 'b', 'bdi', 'bdo', 'br', 'cite', 'code', 'data', 'del', 'dfn', 'em', 'i',
        'img', 'ins', 'kbd', 'mark', 'q', 'rp', 'rt', 'ruby', 's', 'samp', 'small', 'span',
        'strong', 'sub', 'sup', 'time', 'u', 'var', 'wbr']);
    const ariaAttributes = new Set(['aria-label', 'aria-hidden', 'aria-describedby',
        'aria-labelledby', 'aria-level', 'aria-live', 'aria-current', 'aria-expanded']);

    // The MathML elements and attributes an e-book may hold (MathML 3's presentation markup):
    // what a library adds of its own (data-*, -tex-* variants, ids) goes, an unknown element
    // gives way to its content.
    const mathElements = new Set([
        'math', 'maction', 'maligngroup', 'malignmark', 'menclose', 'merror', 'mfenced', 'mfrac',
        'mglyph', 'mi', 'mlabeledtr', 'mlongdiv', 'mmultiscripts', 'mn', 'mo', 'mover', 'mpadded',
        'mphantom', 'mprescripts', 'mroot', 'mrow', 'ms', 'mscarries', 'mscarry', 'msgroup',
        'msline', 'mspace', 'msqrt', 'msrow', 'mstack', 'mstyle', 'msub', 'msubsup', 'msup',
        'mtable', 'mtd', 'mtext', 'mtr', 'munder', 'munderover', 'none', 'semantics',
        'annotation', 'annotation-xml']);
    const mathAttributes = new Set([
        'accent', 'accentunder', 'actiontype', 'align', 'alttext', 'bevelled', 'close',
        'columnalign', 'columnlines', 'columnspacing', 'columnspan', 'denomalign', 'depth', 'dir',
        'display', 'displaystyle', 'encoding', 'equalcolumns', 'equalrows', 'fence', 'form',
        'frame', 'framespacing', 'height', 'largeop', 'linebreak', 'linethickness', 'lspace',
        'mathbackground', 'mathcolor', 'mathsize', 'mathvariant', 'maxsize', 'minsize',
        'movablelimits', 'notation', 'numalign', 'open', 'rowalign', 'rowlines', 'rowspacing',
        'rowspan', 'rspace', 'scriptlevel', 'selection', 'separator', 'separators', 'side',
        'stretchy', 'symmetric', 'voffset', 'width']);
    const mathValues = {
        form: /^(prefix|infix|postfix)$/,
        mathvariant: /^(normal|bold|italic|bold-italic|double-struck|bold-fraktur|script|bold-script|fraktur|sans-serif|bold-sans-serif|sans-serif-italic|sans-serif-bold-italic|monospace|initial|tailed|looped|stretched)$/,
        display: /^(block|inline)$/,
    };
    const annotationTypes = new Set(['MathML-Content', 'application/mathml-content+xml',
        'MathML-Presentation', 'application/mathml-presentation+xml', 'application/xhtml+xml']);
    function bookMathml(source, block, tex) {
        const holder = doc.createElementNS(HTML, 'div');
        holder.innerHTML = source;
        const math = holder.firstElementChild;
        if (!math || math.localName !== 'math' || math.namespaceURI !== MATHML)
            return null;
        for (const element of Array.from(math.querySelectorAll('*')).reverse()) {
            if (element.namespaceURI !== MATHML)
                continue; // HTML in a token element: mended with the rest
            if (element.localName === 'annotation-xml' &&
                !annotationTypes.has(element.getAttribute('encoding')))
                element.remove();
            else if (!mathElements.has(element.localName))
                element.replaceWith(...element.childNodes);
        }
        for (const element of [math, ...math.querySelectorAll('*')]) {
            if (element.namespaceURI !== MATHML)
                continue;
            for (const attribute of Array.from(element.attributes)) {
                const rule = mathValues[attribute.name];
                if (!mathAttributes.has(attribute.name) || attribute.namespaceURI ||
                    (rule && !rule.test(attribute.value)))
                    element.removeAttributeNode(attribute);
            }
        }
        math.setAttribute('display', block ? 'block' : 'inline');
        if (tex && !math.hasAttribute('alttext'))
            math.setAttribute('alttext', tex);
        return math;
    }

    function renamed(element, name) {
        const replacement = doc.createElementNS(HTML, name);
        for (const attribute of Array.from(element.attributes))
            if (attribute.name === 'id' || attribute.name === 'class')
                replacement.setAttribute(attribute.name, attribute.value);
        replacement.append(...element.childNodes);
        element.replaceWith(replacement);
        return replacement;
    }
    function keeps(element, attribute) {
        const name = attribute.name;
        if (name.startsWith('data-'))
            return xmlName.test(name) && name === name.toLowerCase() && !name.startsWith('data-xml');
        const rule = valueRules[name];
        if (rule && !rule.test(attribute.value))
            return false;
        return globalAttributes.has(name) || ariaAttributes.has(name) ||
               (attributesOf[element.localName] || []).includes(name);
    }

    // A typeset formula becomes its MathML, where the page's math library gave it, and what
    // showed otherwise; a drawn diagram stays its drawing.
    for (const root of body.querySelectorAll('[data-vantrel-math]')) {
        const math = bookMathml(root.getAttribute('data-vantrel-mathml') || '',
                                root.getAttribute('data-vantrel-math') === 'block',
                                root.getAttribute('data-vantrel-tex'));
        if (math)
            root.replaceWith(math);
    }
    for (const element of body.querySelectorAll('[data-vantrel-math], [data-vantrel-diagram]'))
        for (const name of ['data-vantrel-math', 'data-vantrel-tex', 'data-vantrel-mathml',
                            'data-vantrel-diagram', 'data-vantrel-source'])
            element.removeAttribute(name);
    // What a drawing holds of HTML (a diagram's labels) is flow content: no paragraph in a span.
    for (const paragraph of body.querySelectorAll('foreignObject span p'))
        renamed(paragraph, 'span');

    for (const element of body.querySelectorAll(removed))
        element.remove();
    // A form's content is kept, without the form.
    for (const form of body.querySelectorAll('form'))
        form.replaceWith(...form.childNodes);
    // An old-style anchor becomes an element with an id.
    for (const anchor of body.querySelectorAll('a[name]')) {
        if (!anchor.id && xmlName.test(anchor.getAttribute('name')))
            anchor.id = anchor.getAttribute('name');
        anchor.removeAttribute('name');
    }
    const walker = doc.createTreeWalker(body, NodeFilter.SHOW_COMMENT |
                                              NodeFilter.SHOW_PROCESSING_INSTRUCTION);
    const comments = [];
    while (walker.nextNode())
        comments.push(walker.currentNode);
    for (const comment of comments)
        comment.remove();

    for (let element of [body, ...body.querySelectorAll('*')]) {
        if (element.namespaceURI === HTML) {
            if (!known.has(element.localName))
                element = renamed(element, element.querySelector(blocks) ? 'div' : 'span');
            for (const attribute of Array.from(element.attributes))
                if (!keeps(element, attribute))
                    element.removeAttributeNode(attribute);
            if (element.localName === 'img' && !element.hasAttribute('alt'))
                element.setAttribute('alt', '');
        } else {
            // SVG and MathML keep their own vocabulary; names XML cannot hold go, and so do
            // references to other files (a sprite elsewhere) but for links and images.
            const linksOut = !['a', 'image', 'feImage'].includes(element.localName);
            for (const attribute of Array.from(element.attributes))
                if ((!attribute.namespaceURI && !xmlName.test(attribute.name)) ||
                    (linksOut && attribute.localName === 'href' &&
                     !attribute.value.trim().startsWith('#')) ||
                    (attribute.name === 'role' && !/^(application|document|img)$/.test(attribute.value)))
                    element.removeAttributeNode(attribute);
            // SVG 1.1 wants a rectangle's size written (a diagram's placeholder has none).
            if (element.localName === 'rect' && element.namespaceURI === SVG)
                for (const name of ['width', 'height'])
                    if (!element.hasAttribute(name))
                        element.setAttribute(name, '0');
        }
    }

    // A list holds list items only: anything else in one goes into an item of its own.
    for (const list of body.querySelectorAll('ul, ol')) {
        for (const child of Array.from(list.childNodes)) {
            const stray = child.nodeType === Node.ELEMENT_NODE ? child.localName !== 'li'
                                                               : child.textContent.trim() !== '';
            if (!stray)
                continue;
            const item = doc.createElementNS(HTML, 'li');
            child.replaceWith(item);
            item.append(child);
        }
    }

    const html = doc.createElementNS(HTML, 'html');
    const lang = document.documentElement.getAttribute('lang') || '';
    if (valueRules.lang.test(lang.trim()))
        html.setAttribute('lang', lang.trim());
    const head = doc.createElementNS(HTML, 'head');
    for (const style of body.querySelectorAll('style')) {
        if (style.namespaceURI !== HTML)
            continue;
        for (const attribute of Array.from(style.attributes))
            style.removeAttributeNode(attribute);
        // Markup in a style (a parser quirk puts it there) is no CSS: the engine's own parser
        // keeps the rules and drops the rest.
        if (style.textContent.includes('<')) {
            try {
                const sheet = new CSSStyleSheet();
                sheet.replaceSync(style.textContent);
                style.textContent = Array.from(sheet.cssRules, rule => rule.cssText).join('\n');
            } catch (error) {
                style.remove();
                continue;
            }
        }
        head.append(style);
    }
    // A parser quirk can put a table, or any block, inside a MathML token element, which may hold
    // phrasing alone: such an element keeps its text in a span.
    for (const token of body.querySelectorAll('mi, mo, mn, ms, mtext')) {
        if (token.namespaceURI !== MATHML)
            continue;
        for (const element of Array.from(token.querySelectorAll('*')))
            if (element.namespaceURI === HTML && !phrasing.has(element.localName))
                renamed(element, 'span');
    }
    const page = doc.createElementNS(HTML, 'div');
    for (const name of ['id', 'class'])
        if (body.hasAttribute(name))
            page.setAttribute(name, body.getAttribute(name));
    page.append(...body.childNodes);
    const bookBody = doc.createElementNS(HTML, 'body');
    bookBody.append(page);
    html.append(head, bookBody);
    return new XMLSerializer().serializeToString(html);
})
