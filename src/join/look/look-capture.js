// Runs in the live page right before any content rule and the copy of a document that stands on
// its own, called with { styles, print }. The page's styles stay behind, so what they hid would
// show in the copy: every element a sighted reader could not see leaves the live page here, before
// anything picks what to keep (with print, also what the page's own print rules hide). With
// styles, it notes how each element looks first, and leaves window.vantrelLook for the copy:
// vantrelLook.apply(copy, liveBody) gives each element of the copy (a clone of liveBody) a class
// for what the page's styles made of it, wraps the copy's content in an element with the body's
// look, and answers the classes it used as [[name, declarations], ...].
//
// Noting the look takes at most settings.time milliseconds: past them, the rest of the page is
// only walked for what it hides, no vantrelLook is left (the copy takes the plain look), and the
// answer says { plain: true }. A page of many thousand elements is then copied, not lost.
(function (settings) {
    // A page copied before, or one without a body, is the copy's to refuse.
    if (window.vantrelCopied || !document.body)
        return null;
    const HTML = 'http://www.w3.org/1999/xhtml';
    const body = document.body;
    const end = performance.now() + settings.time;
    let noting = settings.styles; // until the time is up
    let visits = 0;
    // The text the page's stylesheets wrote, each span looking as its pseudo-element did.
    const generated = window.vantrelGenerated || new Map();

    // What the copy keeps of an element's look, in the order the classes write it. Inherited
    // properties pass from parent to child in the copy as on the page.
    const inherited = ['color', 'font-family', 'font-size', 'font-weight', 'font-style',
                       'line-height', 'white-space', 'text-align', 'text-transform',
                       'list-style-type', 'border-collapse'];
    // Where the page asks its sheets to break is its print's look too.
    const own = ['display', 'background-color', 'vertical-align', 'text-decoration-line',
                 'break-before', 'break-after', 'break-inside'];
    for (const side of ['top', 'right', 'bottom', 'left'])
        own.push('border-' + side + '-width', 'border-' + side + '-style',
                 'border-' + side + '-color');
    for (const corner of ['top-left', 'top-right', 'bottom-right', 'bottom-left'])
        own.push('border-' + corner + '-radius');
    for (const side of ['top', 'right', 'bottom', 'left'])
        own.push('padding-' + side);
    for (const side of ['top', 'right', 'bottom', 'left'])
        own.push('margin-' + side);
    const sized = ['width', 'height'];
    // Inside a typeset formula, where its parts are placed (a fraction's numerator, bar and
    // denominator over one another) is its drawing, not the page's layout: kept with the places
    // its own style attributes give.
    const placed = ['position'];
    const properties = inherited.concat(own, sized, placed);
    const isInherited = new Set(inherited);

    const px = value => parseFloat(value) || 0;
    const round = number => String(Math.round(number * 1000) / 1000);

    // The generic family a font list falls back to, so that text the page showed in a monospace
    // face stays monospace where the page's web font is missing.
    function generic(families) {
        const names = families.toLowerCase().split(',').map(name => name.trim().replace(/["']/g, ''));
        for (const name of names) {
            if (['monospace', 'serif', 'sans-serif', 'cursive', 'fantasy'].includes(name))
                return name;
            if (name === 'ui-monospace')
                return 'monospace';
            if (name === 'system-ui' || name === 'ui-sans-serif' || name === '-apple-system')
                return 'sans-serif';
        }
        const all = names.join(' ');
        if (/mono|courier|consol|menlo|monaco|code|fixed/.test(all))
            return 'monospace';
        if (/serif|times|georgia|garamond|palatino|cambria|book/.test(all) && !/sans/.test(all))
            return 'serif';
        return 'sans-serif';
    }
    // Layouts become blocks: the copy keeps no widths, columns or grids to lay them out by.
    function display(value) {
        if (value === 'flex' || value === 'grid' || value === 'flow-root')
            return 'block';
        if (value === 'inline-flex' || value === 'inline-grid')
            return 'inline-block';
        return value;
    }
    // An element's look as the copy writes it: sizes of text relative to the page's body, lengths
    // in pixels, offsets and widths of the page's layout left out. What cannot show is not read
    // (the colour of a border not drawn, a list's marker elsewhere than in a list), and equal
    // looks are one object, so that a page of many thousand elements reads and compares fast.
    const interned = new Map();
    const families = new Map();
    const listTags = new Set(['ul', 'ol', 'li', 'menu', 'dir']);
    const tableTags = new Set(['table', 'thead', 'tbody', 'tfoot', 'tr', 'td', 'th']);
    function family(value) {
        let written = families.get(value);
        if (written === undefined) {
            const fallback = generic(value);
            written = value.toLowerCase().split(',').some(f => f.trim() === fallback)
                          ? value : value + ', ' + fallback;
            families.set(value, written);
        }
        return written;
    }
    function lookOf(style, element, bodySize, sideBySide) {
        const look = {};
        const read = name => style.getPropertyValue(name);
        const tag = element.localName;
        const size = px(read('font-size'));
        look['font-size'] = round(size / bodySize) + 'rem';
        const lineHeight = read('line-height');
        look['line-height'] = lineHeight === 'normal' || !size ? 'normal'
                                                               : round(px(lineHeight) / size);
        look['font-family'] = family(read('font-family'));
        for (const name of ['color', 'font-weight', 'font-style', 'white-space', 'text-align',
                            'text-transform', 'background-color', 'text-decoration-line'])
            look[name] = read(name);
        look['display'] = display(read('display'));
        if (sideBySide && look['display'] === 'block')
            look['display'] = 'inline-block';
        // Text inside a line breaks no sheet, and its boxes grow only sideways.
        const inline = look['display'] === 'inline';
        for (const name of ['break-before', 'break-after', 'break-inside'])
            look[name] = inline ? 'auto' : read(name);
        look['vertical-align'] = look['display'].startsWith('inline') || tableTags.has(tag)
                                     ? read('vertical-align') : 'baseline';
        // The bare host's are read too: what an element inherits where its parent's is unread.
        const all = element === host;
        look['list-style-type'] = all || listTags.has(tag) ? read('list-style-type') : undefined;
        look['border-collapse'] = all || tableTags.has(tag) ? read('border-collapse') : undefined;
        let drawn = look['background-color'] !== 'rgba(0, 0, 0, 0)';
        for (const side of ['top', 'right', 'bottom', 'left']) {
            const border = 'border-' + side;
            const lineStyle = read(border + '-style');
            look[border + '-style'] = lineStyle;
            if (lineStyle !== 'none') {
                drawn = true;
                look[border + '-width'] = read(border + '-width');
                look[border + '-color'] = read(border + '-color');
            }
        }
        if (drawn) {
            for (const corner of ['top-left', 'top-right', 'bottom-right', 'bottom-left'])
                look['border-' + corner + '-radius'] = read('border-' + corner + '-radius');
        }
        // A centred column's margins and a sidebar's offset are the page's layout, not the
        // element's look.
        for (const box of ['padding', 'margin']) {
            for (const side of ['top', 'right', 'bottom', 'left']) {
                const value = inline && (side === 'top' || side === 'bottom')
                                  ? '0px' : read(box + '-' + side);
                const length = px(value);
                look[box + '-' + side] = length < 0 || length > 5 * size ? '0px' : value;
            }
        }
        if (style.position !== 'static' && element.closest('[data-vantrel-math]'))
            look.position = style.position;
        if (tag === 'svg' || tag === 'img') {
            look.width = sizedBySheet(element, style, 'width');
            look.height = sizedBySheet(element, style, 'height');
        } else if (generated.has(element) && !inline && style.width === '0px') {
            // A glyph drawn past a box of no width, its padding the room it takes (typeset math).
            look.width = '0px';
        }
        let key = '';
        for (const name of properties)
            key += look[name] + '\u001f';
        let same = interned.get(key);
        if (!same) {
            same = look;
            same.id = interned.size;
            interned.set(key, same);
        }
        return same;
    }
    // A picture's size where the page's styles set one other than its own: an icon drawn from a
    // large image stays an icon.
    function sizedBySheet(element, style, name) {
        const tag = element.localName;
        if (tag === 'svg')
            return style.getPropertyValue(name);
        if (tag === 'img' && name === 'width' && element.naturalWidth &&
            Math.abs(px(style.width) - element.naturalWidth) > 1)
            return style.width;
        return '';
    }

    // What a bare element of each tag looks like: its own styles and the browser's, no page's.
    // Made inside a shadow root, which the page's styles do not reach, under a host that takes
    // nothing from the page.
    const host = document.createElement('vantrel-bare');
    host.style.setProperty('all', 'initial', 'important');
    host.style.setProperty('position', 'absolute', 'important');
    host.style.setProperty('left', '-100000px', 'important');
    const shadow = host.attachShadow({ mode: 'closed' });
    const bare = new Map();
    let hostLook = null;
    function bareLook(element) {
        const tag = element.localName;
        let look = bare.get(tag);
        if (!look) {
            // The host may have left the page already: it comes back for the new tag.
            if (!host.isConnected)
                body.appendChild(host);
            const made = document.createElementNS(element.namespaceURI || HTML, tag);
            if (tag === 'a')
                made.setAttribute('href', '#');
            shadow.appendChild(made);
            look = lookOf(getComputedStyle(made), made, px(getComputedStyle(host).fontSize));
            made.remove();
            bare.set(tag, look);
        }
        return look;
    }

    const looks = new Map(); // live element -> its look, while the page still shows it
    const hidden = [];
    const textHidden = []; // hidden themselves, shown through a visible child
    const printHidden = settings.print ? hiddenInPrint() : new Set();
    const bodySize = px(getComputedStyle(body).fontSize) || 16;

    // Clipped to a pixel, or placed wholly off the page: the pattern of text for screen readers
    // alone, and of menus slid out of view.
    function visuallyHidden(element, style) {
        const position = style.position;
        if (position !== 'absolute' && position !== 'fixed')
            return false;
        const box = element.getBoundingClientRect();
        if (box.width <= 1 && box.height <= 1 &&
            (style.overflow !== 'visible' || style.clip !== 'auto' || style.clipPath !== 'none'))
            return true;
        if (clippedAway(style, box))
            return true;
        if (box.right + window.scrollX <= 0 || box.bottom + window.scrollY <= 0)
            return true;
        return position === 'fixed' && (box.left >= innerWidth || box.top >= innerHeight);
    }
    // Clipped to at most a pixel, whatever the padding and border around it (a math library's
    // accessible copy of a formula): nothing of the box shows.
    function clippedAway(style, box) {
        const clip = /^rect\((.*)\)$/.exec(style.clip);
        if (clip) {
            const [top, right, bottom, left] = clip[1].split(/,\s*|\s+/);
            if (right !== 'auto' && (left === 'auto' ? 0 : px(left)) >= px(right) - 1 ||
                bottom !== 'auto' && (top === 'auto' ? 0 : px(top)) >= px(bottom) - 1)
                return true;
        }
        const inset = /^inset\(([^)]*)\)$/.exec(style.clipPath);
        if (inset) {
            const values = inset[1].split(/\s+round\s+/)[0].trim().split(/\s+/);
            const [top, right = top, bottom = top, left = right] = values;
            const length = (value, size) => value.endsWith('%') ? px(value) * size / 100 : px(value);
            return length(top, box.height) + length(bottom, box.height) >= box.height - 1 ||
                   length(left, box.width) + length(right, box.width) >= box.width - 1;
        }
        return false;
    }
    // Walks the element's subtree; answers whether anything of it shows. A row of a flexible
    // box's items, which the copy makes a block, stays a row, and so do boxes floated side by
    // side: each an inline block.
    function visit(element, inRow, parentLook) {
        const tag = element.localName;
        if (element.namespaceURI !== HTML && tag !== 'svg')
            return true; // a formula, say: its own markup decides
        // An image map's areas and the plain copy's style elements work unseen. So do a sheet of
        // pictures that others draw from: the copy keeps it as the page did, unseen.
        if (tag === 'area' || (tag === 'style' && !settings.styles))
            return true;
        // The clock is read once in so many elements: it costs little, but not nothing.
        if (noting && ++visits % 256 === 0 && performance.now() > end) {
            noting = false;
            looks.clear();
        }
        const style = generated.get(element) || getComputedStyle(element);
        if (tag === 'svg' && element.querySelector('symbol, defs')) {
            if (noting)
                looks.set(element, lookOf(style, element, bodySize));
            return true;
        }
        if (style.display === 'none' || element.hasAttribute('hidden') ||
            printHidden.has(element) || visuallyHidden(element, style)) {
            hidden.push(element);
            return false;
        }
        let look = null;
        if (noting) {
            look = seenLook(style, element, inRow || style.cssFloat !== 'none', parentLook);
            looks.set(element, look);
        }
        const invisible = style.visibility !== 'visible';
        if (look && !invisible && style.backgroundImage.includes('url('))
            notePicture(element, style);
        let shows = !invisible;
        const row = /flex$/.test(style.display) && style.flexDirection.startsWith('row');
        if (tag !== 'svg') {
            for (const child of Array.from(element.children))
                shows = visit(child, row, look) || shows;
        }
        if (!shows)
            hidden.push(element);
        else if (invisible)
            textHidden.push(element);
        return shows;
    }

    // A picture the page's rules set behind a visible element, as the declarations of the copy's
    // style attribute: the copy leaves the rules behind. One with nothing in front of it (an icon)
    // keeps its size.
    const pictures = new Map();
    function notePicture(element, style) {
        const box = element.getBoundingClientRect();
        if (!box.width || !box.height)
            return;
        let text = '';
        for (const name of ['background-image', 'background-position', 'background-size',
                            'background-repeat'])
            text += name + ':' + style.getPropertyValue(name) + ';';
        if (!element.firstChild && style.display !== 'inline')
            text += 'width:' + round(box.width) + 'px;height:' + round(box.height) + 'px;';
        pictures.set(element, text);
    }

    // Most elements repeat one another (the spans of highlighted code, the items of a list): one
    // of the same tag, classes and style attribute under a parent of the same look has the look
    // found before, where a few properties that rules on its place (first, even, last) change
    // agree too. The rest is read whole.
    const seen = new Map();
    const checked = ['display', 'color', 'background-color', 'font-weight', 'margin-top',
                     'margin-bottom', 'border-top-style', 'border-bottom-style'];
    function seenLook(style, element, sideBySide, parentLook) {
        const tag = element.localName;
        if (tag === 'img' || tag === 'svg' || generated.has(element))
            return lookOf(style, element, bodySize, sideBySide);
        const key = tag + '\u001f' + (element.getAttribute('class') || '') + '\u001f' +
                    (element.getAttribute('style') || '') + '\u001f' +
                    (parentLook ? parentLook.id : '') + (sideBySide ? 'r' : '');
        const values = checked.map(name => style.getPropertyValue(name));
        const known = seen.get(key);
        if (known && known.values.every((value, i) => value === values[i]))
            return known.look;
        const look = lookOf(style, element, bodySize, sideBySide);
        seen.set(key, { values, look });
        return look;
    }

    // Elements the page's own print rules hide: rules for print alone whose display is none.
    function hiddenInPrint() {
        const found = new Set();
        const forPrint = media => {
            const text = media.mediaText.toLowerCase();
            return text.split(',').some(query => /\bprint\b/.test(query) && !/^\s*not\b/.test(query));
        };
        const walk = (rules, printing) => {
            for (const rule of rules) {
                if (rule.media && rule.cssRules) {
                    walk(rule.cssRules, printing || forPrint(rule.media));
                } else if (rule.cssRules && !rule.selectorText) {
                    walk(rule.cssRules, printing);
                } else if (printing && rule.style && rule.style.display === 'none') {
                    try {
                        for (const element of body.querySelectorAll(rule.selectorText))
                            found.add(element);
                    } catch (e) {
                        // a selector this engine does not take hides nothing
                    }
                }
            }
        };
        for (const sheet of Array.from(document.styleSheets)) {
            try {
                walk(sheet.cssRules, forPrint(sheet.media));
            } catch (e) {
                // another origin's sheet cannot be read
            }
        }
        return found;
    }

    let bodyLook = null;
    if (settings.styles) {
        bodyLook = Object.assign({}, lookOf(getComputedStyle(body), body, bodySize));
        // A page's background is often the root's.
        if (/^rgba\(.*, 0\)$|^transparent$/.test(bodyLook['background-color']))
            bodyLook['background-color'] =
                getComputedStyle(document.documentElement).backgroundColor;
    }
    for (const child of Array.from(body.children))
        visit(child, false, null);
    // The plain look keeps the page's style elements, which work unseen.
    const found = noting || !settings.styles ? hidden
                                             : hidden.filter(element => element.localName !== 'style');
    if (noting) {
        // Bare looks of every tag the page shows, while the host is in the page: put there only
        // now, so that the page's own styles and layout were not made anew for it.
        body.appendChild(host);
        hostLook = lookOf(getComputedStyle(host), host, px(getComputedStyle(host).fontSize));
        for (const element of looks.keys())
            bareLook(element);
        host.remove();
    }
    for (const element of found)
        element.remove();
    for (const element of textHidden) {
        for (const node of Array.from(element.childNodes)) {
            if (node.nodeType === Node.TEXT_NODE)
                node.remove();
        }
    }

    if (!noting)
        return { hidden: found.length, plain: settings.styles };

    // 53 bits of a string, so that the same look has the same class in every page of a run.
    function hash(text) {
        let h1 = 0xdeadbeef, h2 = 0x41c6ce57;
        for (let i = 0; i < text.length; ++i) {
            const c = text.charCodeAt(i);
            h1 = Math.imul(h1 ^ c, 2654435761);
            h2 = Math.imul(h2 ^ c, 1597334677);
        }
        h1 = Math.imul(h1 ^ (h1 >>> 16), 2246822507) ^ Math.imul(h2 ^ (h2 >>> 13), 3266489909);
        h2 = Math.imul(h2 ^ (h2 >>> 16), 2246822507) ^ Math.imul(h1 ^ (h1 >>> 13), 3266489909);
        return (4294967296 * (2097151 & h2) + (h1 >>> 0)).toString(36);
    }
    // What the copy must write for an element to look as it did: an inherited property where it
    // differs from its parent's, or where the element's own tag sets it, from the bare tag's (a
    // size or weight the tag sets relative to the parent's, always); any other where it differs
    // from a bare element's.
    const relative = new Set(['font-size', 'font-weight']);
    function declarations(look, parent, bareTag) {
        const kept = new Map();
        for (const name of properties) {
            const value = look[name];
            if (value === '' || value === undefined)
                continue;
            // Cells and rows sit in the middle by the table's own rules; other places come
            // from the page.
            if (name === 'vertical-align' && (value === 'baseline' || value === 'middle'))
                continue;
            const inheritedValue = parent[name] === undefined ? hostLook[name] : parent[name];
            const differs = !isInherited.has(name) ? value !== bareTag[name]
                : bareTag[name] === hostLook[name] ? value !== inheritedValue
                : relative.has(name) || value !== bareTag[name];
            if (differs)
                kept.set(name, value);
        }
        return shortened(kept);
    }
    // Four equal sides in one declaration, so that a site's many boxes cost little.
    function shortened(kept) {
        const sides = ['top', 'right', 'bottom', 'left'];
        const same = names => names.every(name => kept.has(name)) &&
                              names.every(name => kept.get(name) === kept.get(names[0]));
        const fold = (shorthand, names, value) => {
            for (const name of names)
                kept.delete(name);
            kept.set(shorthand, value);
        };
        for (const box of ['padding', 'margin']) {
            const names = sides.map(side => box + '-' + side);
            if (same(names))
                fold(box, names, kept.get(names[0]));
        }
        const parts = ['width', 'style', 'color'].map(part =>
            sides.map(side => 'border-' + side + '-' + part));
        if (parts.every(same)) {
            fold('border', [].concat(...parts),
                 parts.map(names => kept.get(names[0])).join(' '));
        }
        const corners = ['top-left', 'top-right', 'bottom-right', 'bottom-left']
                            .map(corner => 'border-' + corner + '-radius');
        if (same(corners))
            fold('border-radius', corners, kept.get(corners[0]));
        let text = '';
        for (const [name, value] of kept)
            text += name + ':' + value + ';';
        return text;
    }

    window.vantrelLook = {
        apply(copy, live) {
            const used = new Map();
            const named = new Map(); // the class of a look under a parent's look, by tag
            function give(element, text) {
                if (!text)
                    return;
                const name = 'v' + hash(text);
                used.set(name, text);
                element.classList.add(name);
            }
            const copied = copy.ownerDocument.createTreeWalker(copy, NodeFilter.SHOW_ELEMENT);
            const shown = live.ownerDocument.createTreeWalker(live, NodeFilter.SHOW_ELEMENT);
            while (copied.nextNode() && shown.nextNode()) {
                const live = shown.currentNode;
                let look = looks.get(live);
                // An element the page's scripts added after its look was noted (when it rests,
                // a page may still be at work) is taken as it looks now.
                const html = live.namespaceURI === HTML || live.localName === 'svg';
                if (!look && html && (live.parentElement === live.ownerDocument.body ||
                                      looks.has(live.parentElement))) {
                    look = seenLook(getComputedStyle(live), live, false,
                                    looks.get(live.parentElement) || null);
                    looks.set(live, look);
                }
                if (!look)
                    continue;
                const parent = looks.get(shown.currentNode.parentElement) || bodyLook;
                const tag = shown.currentNode.localName;
                const key = look.id + ' ' + (parent === bodyLook ? 'body' : parent.id) + ' ' + tag;
                let text = named.get(key);
                if (text === undefined) {
                    text = declarations(look, parent, bareLook(shown.currentNode));
                    named.set(key, text);
                }
                give(copied.currentNode, text);
                if (pictures.has(live))
                    copied.currentNode.setAttribute('style', pictures.get(live));
            }
            // The body's look, where it has one, on an element of its own in the copy.
            let bodyText = '';
            for (const name of inherited)
                if (bodyLook[name] !== undefined && bodyLook[name] !== hostLook[name] &&
                    name !== 'font-size')
                    bodyText += name + ':' + bodyLook[name] + ';';
            if (bodyLook['background-color'] !== hostLook['background-color'])
                bodyText += 'background-color:' + bodyLook['background-color'] + ';';
            if (bodyText) {
                const wrapper = copy.ownerDocument.createElement('div');
                wrapper.append(...copy.childNodes);
                copy.append(wrapper);
                give(wrapper, bodyText);
            }
            host.remove();
            return Array.from(used);
        }
    };
    return { hidden: hidden.length };
})
