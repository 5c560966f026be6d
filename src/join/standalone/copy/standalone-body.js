// The loaded page's share of a joined file that stands on its own, called with
// { token, position }. Works on a copy of the body in a document with no window (nothing in it
// loads or runs) and reads what only the live page knows (which image a srcset chose) from the
// body itself, which it leaves as it is.
//
// Addresses come out absolute, ids get the page's prefix ('p3-') with every reference to them,
// scripts, event handlers and javascript: addresses are gone. What only the program can decide is
// left as a marker: token, a kind, the absolute address in base64url, and '.':
//   a  a link (attribute value): to a section of the file, or left absolute
//   i  an image (attribute value): a data: address, or left absolute
//   u  an image in url(...) inside an attribute or an SVG style element (text escaped as such)
//   s  an image in url(...) inside an HTML style element (raw text)
// The answer's markup is JSON: { markup, address (where the page ended), title, userAgent,
// resources (the images' addresses), headings, looks, fonts }. Where the page's look was noted before
// (window.vantrelLook), the copy takes it as classes, listed in looks as [[name, declarations]],
// and the page's own style attributes keep only their background images. With settings.outlineDepth N above 0, headings
// lists the page's h1 to hN in document order as { level, text, id }, each heading given an id
// where it has none, so that a book's outline can lead to it. A second argument, when given, is a
// function that takes the finished copy of the body and answers its markup instead of innerHTML.
(function (settings, serialise) {
    const refusal = vantrelCopyRefusal();
    if (refusal)
        return refusal;

    const HTML = 'http://www.w3.org/1999/xhtml';
    const SVG = 'http://www.w3.org/2000/svg';
    const prefix = 'p' + settings.position + '-';
    const base = document.baseURI;
    const resources = new Set();

    const copyDocument = document.implementation.createHTMLDocument('');
    const copy = copyDocument.importNode(document.body, true);

    // Which image each img shows: the live one knows, its copy never loaded anything.
    const shown = new Map();
    {
        const live = document.createTreeWalker(document.body, NodeFilter.SHOW_ELEMENT);
        const copied = copyDocument.createTreeWalker(copy, NodeFilter.SHOW_ELEMENT);
        while (live.nextNode() && copied.nextNode()) {
            if (live.currentNode.localName === 'img')
                shown.set(copied.currentNode, live.currentNode.currentSrc);
        }
    }
    // Before anything leaves the copy, while it still matches the live body element for element.
    const looked = window.vantrelLook;
    const looks = looked ? looked.apply(copy, document.body) : [];

    function base64url(text) {
        let binary = '';
        for (const byte of new TextEncoder().encode(text))
            binary += String.fromCharCode(byte);
        return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
    }
    function marker(kind, address) {
        return settings.token + kind + base64url(address) + '.';
    }
    function absolute(value) {
        try {
            return new URL(value.trim(), base);
        } catch (e) {
            return null;
        }
    }
    function withoutFragment(url) {
        const plain = new URL(url.href);
        plain.hash = '';
        return plain.href;
    }
    function fetchable(url) {
        return ['http:', 'https:', 'file:', 'blob:'].includes(url.protocol);
    }

    // An address the browser resolves against the page, written absolute.
    function resolve(attribute) {
        const url = absolute(attribute.value);
        if (!url)
            return;
        if (url.protocol === 'javascript:')
            attribute.ownerElement.removeAttributeNode(attribute);
        else
            attribute.value = url.href;
    }
    function link(attribute) {
        const url = absolute(attribute.value);
        if (url && ['http:', 'https:', 'file:'].includes(url.protocol))
            attribute.value = marker('a', url.href);
        else
            resolve(attribute);
    }
    // A data: image larger than settings.limit (the bytes its text stands for) is left out, its
    // start named in the answer's leftOut: the limit holds for what the page holds as for what
    // it fetches.
    const leftOut = [];
    function tooLarge(url) {
        if (url.protocol !== 'data:')
            return false;
        const comma = url.href.indexOf(',');
        const length = url.href.length - comma - 1;
        const bytes = /;base64$/i.test(url.href.slice(0, comma)) ? length * 3 / 4 : length;
        if (bytes <= settings.limit)
            return false;
        leftOut.push(url.href.slice(0, 40) + '…');
        return true;
    }
    function image(attribute, address) {
        // An empty one would name the page itself: there is no image to fetch.
        if (!address.trim())
            return;
        const url = absolute(address);
        if (url && tooLarge(url))
            return attribute.ownerElement.removeAttributeNode(attribute);
        if (!url || !fetchable(url))
            return resolve(attribute);
        const key = withoutFragment(url);
        resources.add(key);
        attribute.value = marker('i', key);
    }
    function cssUnescape(text) {
        return text.replace(/\\([0-9a-fA-F]{1,6}\s?|[^\n])/g, (all, escaped) =>
            /^[0-9a-fA-F]/.test(escaped) ? String.fromCodePoint(parseInt(escaped, 16) || 0xfffd)
                                         : escaped);
    }
    function cssString(text) {
        return '"' + text.replace(/[\\"]/g, '\\$&').replace(/\n/g, '\\a ') + '"';
    }
    // url("..."), url('...') or url(...), escapes and all.
    const cssUrl = new RegExp(String.raw`url\(\s*(?:"((?:[^"\\\n]|\\[^])*)"` +
                              String.raw`|'((?:[^'\\\n]|\\[^])*)'|((?:[^)\s"'\\]|\\[^])*))\s*\)`,
                              'gi');
    // url(...) in a style: references to the page's own ids get its prefix, images a marker.
    function rewriteCss(text, kind) {
        return text.replace(cssUrl, (all, double, single, bare) => {
            const value = cssUnescape(double ?? single ?? bare ?? '');
            if (value.startsWith('#'))
                return 'url(' + cssString('#' + prefix + value.slice(1)) + ')';
            const url = value ? absolute(value) : null;
            if (url && tooLarge(url))
                return 'none';
            if (!url || !fetchable(url))
                return all;
            const key = withoutFragment(url);
            resources.add(key);
            return 'url(' + marker(kind, key) + ')';
        });
    }

    // A picture behind an element, where and how large it is drawn, and the size of an element
    // that shows nothing else.
    function pictureStyle(style) {
        let text = '';
        for (const name of ['background-image', 'background-position', 'background-size',
                            'background-repeat', 'width', 'height']) {
            const value = style.getPropertyValue(name);
            if (value && value !== 'initial')
                text += name + ': ' + value + '; ';
        }
        return text.trim();
    }

    // Attributes that name ids of the page (several are separated by spaces).
    const idReferences = new Set([
        'for', 'form', 'list', 'headers', 'itemref', 'popovertarget', 'aria-activedescendant',
        'aria-controls', 'aria-describedby', 'aria-details', 'aria-errormessage', 'aria-flowto',
        'aria-labelledby', 'aria-owns']);
    // Attributes holding an address the browser resolves (images and links apart).
    const addressOf = {
        a: [], area: [], img: ['longdesc'], input: ['formaction'], button: ['formaction'],
        video: ['src'], audio: ['src'], source: ['src'], track: ['src'], iframe: ['src'],
        frame: ['src'], embed: ['src'], object: ['data', 'codebase'], form: ['action'],
        blockquote: ['cite'], q: ['cite'], del: ['cite'], ins: ['cite'], link: ['href'],
    };
    const backgroundOf = new Set(['body', 'table', 'thead', 'tbody', 'tfoot', 'tr', 'td', 'th']);

    function rewriteHtmlAttribute(element, attribute) {
        const tag = element.localName;
        const name = attribute.name;
        if ((tag === 'a' || tag === 'area') && name === 'href')
            link(attribute);
        else if ((tag === 'img' || tag === 'input') && name === 'src')
            image(attribute, attribute.value);
        else if (tag === 'video' && name === 'poster')
            image(attribute, attribute.value);
        else if (name === 'background' && backgroundOf.has(tag))
            image(attribute, attribute.value);
        else if ((addressOf[tag] || []).includes(name))
            resolve(attribute);
        else if (name === 'usemap' && attribute.value.startsWith('#'))
            attribute.value = '#' + prefix + attribute.value.slice(1);
        else if (name === 'name' && (tag === 'a' || tag === 'map'))
            attribute.value = prefix + attribute.value;
    }
    function rewriteSvgAttribute(element, attribute) {
        if (attribute.localName === 'href') {
            if (attribute.value.trim().startsWith('#') && element.localName !== 'a')
                attribute.value = '#' + prefix + attribute.value.trim().slice(1);
            else if (element.localName === 'a')
                link(attribute);
            else if (element.localName === 'image' || element.localName === 'feImage')
                image(attribute, attribute.value);
            else
                resolve(attribute);
        } else if (attribute.value.includes('url(')) {
            attribute.value = rewriteCss(attribute.value, 'u');
        }
    }

    // Nothing that runs, refreshes, or changes how the file's own addresses resolve. A picture's
    // sources go too: its img keeps the one image the browser chose.
    for (const element of copy.querySelectorAll(
             'script, noscript, base, meta[http-equiv], picture > source'))
        element.remove();
    // Elements whose content is written out as raw text: content that could end them early
    // (and the page's section with them) is dropped, or becomes ordinary text.
    for (const element of copy.querySelectorAll('iframe, noembed, noframes'))
        element.replaceChildren();
    for (const element of copy.querySelectorAll('xmp, plaintext')) {
        const pre = copyDocument.createElement('pre');
        pre.textContent = element.textContent;
        element.replaceWith(pre);
    }

    // An img shows the image the browser chose; one that has not loaded yet (a lazy one out of
    // view) the one it names first.
    for (const img of copy.querySelectorAll('img')) {
        const chosen = shown.get(img) || img.getAttribute('src') ||
                       (img.getAttribute('srcset') || '').trim().split(/\s+/)[0].replace(/,$/, '');
        if (chosen)
            img.setAttribute('src', chosen);
    }

    for (const element of copy.querySelectorAll('*')) {
        const svg = element.namespaceURI === SVG;
        for (const attribute of Array.from(element.attributes)) {
            const name = attribute.name;
            if (attribute.localName.toLowerCase().startsWith('on') || name === 'ping') {
                element.removeAttributeNode(attribute);
            } else if (name === 'id') {
                // below, all at once
            } else if (name === 'style' && looked && !svg &&
                       !element.closest('svg, [data-vantrel-math]')) {
                // The class holds the rest of its look; a picture behind the element it does not.
                // What a drawing holds (a diagram's labels) and a typeset formula's parts keep
                // their own: their places and sizes are drawn by it.
                const picture = element.style.backgroundImage;
                if (picture && picture !== 'none' && picture !== 'initial')
                    attribute.value = rewriteCss(pictureStyle(element.style), 'u');
                else
                    element.removeAttributeNode(attribute);
            } else if (name === 'style') {
                attribute.value = rewriteCss(attribute.value, 'u');
            } else if (idReferences.has(name) && element.namespaceURI === HTML) {
                attribute.value =
                    attribute.value.split(/\s+/).filter(Boolean).map(id => prefix + id).join(' ');
            } else if (svg) {
                rewriteSvgAttribute(element, attribute);
            } else if (element.namespaceURI === HTML) {
                rewriteHtmlAttribute(element, attribute);
            }
        }
        if (element.localName === 'img') {
            // The image is in the file: nothing is left to load late, or to choose again.
            element.removeAttribute('srcset');
            element.removeAttribute('sizes');
            element.removeAttribute('loading');
        } else if (element.localName === 'iframe') {
            element.setAttribute('sandbox', '');
        }
    }

    for (const style of copy.querySelectorAll('style')) {
        const html = style.namespaceURI === HTML;
        const text = rewriteCss(style.textContent, html ? 's' : 'u');
        style.textContent = html ? text.replace(/<\/(style)/gi, '<\\/$1') : text;
    }

    // The first element with an id keeps the page's prefixed id, so that references lead to it
    // as they did; a repeat gets a suffix no other id has.
    const withId = Array.from(copy.querySelectorAll('[id]'));
    const taken = new Set();
    const renamed = new Set(); // the page's ids that now have its prefix
    const repeats = [];
    for (const element of withId) {
        const id = element.getAttribute('id');
        if (!id) {
            element.removeAttribute('id');
        } else if (taken.has(prefix + id)) {
            repeats.push(element);
        } else {
            taken.add(prefix + id);
            element.setAttribute('id', prefix + id);
            renamed.add(id);
        }
    }
    for (const element of repeats) {
        const id = prefix + element.getAttribute('id');
        let n = 2;
        while (taken.has(id + '-' + n))
            ++n;
        taken.add(id + '-' + n);
        element.setAttribute('id', id + '-' + n);
    }

    // A style element's rules for the page's own ids (a diagram's, drawn as SVG) follow them.
    for (const style of copy.querySelectorAll('style')) {
        if (style.textContent.includes('#'))
            style.textContent = style.textContent.replace(
                /#(-?[_a-zA-Z\u00a0-\uffff][-\w\u00a0-\uffff]*)/g,
                (all, id) => renamed.has(id) ? '#' + prefix + id : all);
    }
    // What the page's renderers noted for other formats (a formula's MathML, a diagram's source)
    // is no part of a copy that shows the page. A formula drawn with no text at all (SVG paths)
    // keeps its TeX beside it as text that does not show (and is not clipped, which would leave
    // it out of a printed page), so that a reader can find it.
    if (!serialise) {
        for (const root of copy.querySelectorAll('[data-vantrel-math]')) {
            const tex = root.getAttribute('data-vantrel-tex');
            if (tex && root.querySelector('svg') && !root.textContent.trim()) {
                const text = copyDocument.createElement('span');
                text.setAttribute('style', 'position: absolute; opacity: 0.01; font-size: 1px; ' +
                                  'white-space: nowrap');
                text.textContent = tex;
                root.append(text);
            }
        }
        for (const element of copy.querySelectorAll(
                 '[data-vantrel-math], [data-vantrel-diagram]')) {
            for (const name of ['data-vantrel-math', 'data-vantrel-tex', 'data-vantrel-mathml',
                                'data-vantrel-diagram', 'data-vantrel-source'])
                element.removeAttribute(name);
        }
    }

    const headings = [];
    if (settings.outlineDepth > 0) {
        const levels = [];
        for (let level = 1; level <= settings.outlineDepth; ++level)
            levels.push('h' + level);
        let n = 0;
        for (const heading of copy.querySelectorAll(levels.join(','))) {
            const text = heading.textContent.replace(/\s+/g, ' ').trim();
            if (!text)
                continue;
            if (!heading.getAttribute('id')) {
                let id;
                do
                    id = prefix + 'h' + (++n);
                while (taken.has(id));
                taken.add(id);
                heading.setAttribute('id', id);
            }
            headings.push({ level: Number(heading.localName[1]), text, id: heading.getAttribute('id') });
        }
    }

    // One answer, so that nothing is left to ask for afterwards.
    return {
        markup: JSON.stringify({
            markup: serialise ? serialise(copy) : copy.innerHTML,
            address: document.URL,
            title: document.title,
            userAgent: navigator.userAgent,
            resources: Array.from(resources),
            headings,
            leftOut,
            looks,
            fonts: window.vantrelFonts ? window.vantrelFonts(looks) : [],
        })
    };
})
