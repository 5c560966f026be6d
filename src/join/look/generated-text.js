// Runs in the live page right before look-capture.js, called with { styles }: the text that the
// page's stylesheets write in ::before and ::after (strings, counters, attributes, quotes) becomes
// text of the page, in place, so that every copy holds it once, whatever it keeps of the page's
// styles. With styles, each piece is a span whose look is the pseudo-element's
// (window.vantrelGenerated maps it to the pseudo-element's computed style, for the look to note);
// without, plain text, and the icons of icon fonts (private-use code points), which would show as
// nothing or as boxes without their font, are left out. Where the copy keeps a rule that writes the
// text again (the page's own style elements without styles; the browser's quotes around q), the
// element is marked data-vantrel-generated="before after" for the copy's own sheet to silence it.
(function (settings) {
    if (window.vantrelCopied || window.vantrelGenerated || !document.body)
        return 0;
    const generated = new Map(); // span -> the computed style of the pseudo-element it stands for
    window.vantrelGenerated = generated;
    const HTML = 'http://www.w3.org/1999/xhtml';
    const body = document.body;
    // Elements whose pseudo-elements are not drawn, or whose content is no place for text.
    const childless = new Set([
        'img', 'input', 'br', 'hr', 'wbr', 'iframe', 'video', 'audio', 'canvas', 'textarea',
        'select', 'object', 'embed', 'area', 'col', 'colgroup', 'script', 'style', 'template',
        'noscript', 'option', 'optgroup', 'link', 'meta', 'table', 'thead', 'tbody', 'tfoot',
        'tr', 'ul', 'ol', 'dl', 'select']);
    const px = value => parseFloat(value) || 0;
    const privateUse = /[\uE000-\uF8FF\u{F0000}-\u{FFFFD}\u{100000}-\u{10FFFD}]/gu;

    // The elements a rule of the page's sheets may give content before or after, and q, which the
    // browser's own sheet quotes; all elements where a sheet cannot be read (another origin's).
    function candidates() {
        const selectors = [];
        let readable = true;
        const gather = rules => {
            for (const rule of rules) {
                const selector = rule.selectorText;
                if (selector && /:(?:before|after)\b/i.test(selector))
                    selectors.push([selector, rule]);
                try {
                    if (rule.styleSheet)
                        gather(rule.styleSheet.cssRules);
                    if (rule.cssRules)
                        gather(rule.cssRules);
                } catch (e) {
                    readable = false;
                }
            }
        };
        // Where the sheets hold many more rules than the page has elements (a framework's and an
        // icon font's), reading each element's pseudo-elements costs less than reading the rules.
        const sheets = [...document.styleSheets, ...(document.adoptedStyleSheets || [])];
        let rules = 0;
        for (const sheet of sheets) {
            try {
                rules += sheet.cssRules.length;
            } catch (e) {
                return null;
            }
        }
        if (rules > 3 * body.getElementsByTagName('*').length)
            return null;
        for (const sheet of sheets) {
            try {
                gather(sheet.cssRules);
            } catch (e) {
                readable = false;
            }
        }
        if (!readable || selectors.some(([selector]) => selector.includes('&')))
            return null;
        // What the pseudo-elements hang on (a bare one on any element). One whose last part
        // names a class is an element of that class: many such (an icon font's thousand rules)
        // are found by the elements' classes. The rest are matched in one pass, those of rules
        // that give content alone (a pseudo-element is there only where a rule does; one that
        // sets box-sizing on every pseudo-element is no reason to read them all).
        const owners = new Set();
        const classes = new Set();
        for (const [selector, rule] of selectors) {
            for (const one of selector.split(/,(?![^()[\]]*[)\]])/)) {
                const owner = one.replace(/(^|[\s>+~(])::?(?:before|after)\b/gi, '$1*')
                                 .replace(/::?(?:before|after)\b/gi, '').trim();
                const named = /[\\()[\]"']/.test(owner) ? null
                    : /\.(-?[_a-zA-Z][\w-]*)[^\s>+~]*$/.exec(owner);
                if (named)
                    classes.add(named[1]);
                else if (rule.style.content)
                    owners.add(owner);
            }
        }
        const found = new Set(body.getElementsByTagName('q'));
        if (classes.size > 50) {
            for (const element of body.getElementsByTagName('*'))
                for (const name of element.classList)
                    if (classes.has(name))
                        found.add(element);
        }
        const match = list => {
            for (const element of body.querySelectorAll(list))
                found.add(element);
        };
        if (classes.size <= 50) {
            for (const name of classes)
                owners.add('.' + name);
        }
        try {
            if (owners.size)
                match(Array.from(owners).join(','));
        } catch (e) {
            // One this engine does not take would spoil the rest.
            for (const owner of owners) {
                try {
                    match(owner);
                } catch (e) {
                    return null;
                }
            }
        }
        return found;
    }

    // The tokens of a computed content value: strings, identifiers and functions with their
    // arguments; what follows a slash (the text for screen readers) is left out.
    function tokens(value) {
        const out = [];
        let i = 0;
        const string = () => {
            const quote = value[i++];
            let text = '';
            while (i < value.length && value[i] !== quote) {
                if (value[i] === '\\') {
                    const hex = /^[0-9a-fA-F]{1,6}\s?/.exec(value.slice(i + 1, i + 8));
                    if (hex) {
                        const code = parseInt(hex[0], 16);
                        text += code && code <= 0x10ffff ? String.fromCodePoint(code) : '\ufffd';
                        i += 1 + hex[0].length;
                    } else {
                        text += value[i + 1] === '\n' ? '' : (value[i + 1] || '');
                        i += 2;
                    }
                } else {
                    text += value[i++];
                }
            }
            ++i;
            return text;
        };
        while (i < value.length) {
            const c = value[i];
            if (/\s|,/.test(c)) {
                ++i;
            } else if (c === '"' || c === "'") {
                out.push({ text: string() });
            } else if (c === '/') {
                break;
            } else {
                const name = /^[-\w]+/.exec(value.slice(i));
                if (!name)
                    return [];
                i += name[0].length;
                if (value[i] !== '(') {
                    out.push({ name: name[0].toLowerCase() });
                    continue;
                }
                ++i;
                const args = [];
                while (i < value.length && value[i] !== ')') {
                    if (/\s|,/.test(value[i]))
                        ++i;
                    else if (value[i] === '"' || value[i] === "'")
                        args.push(string());
                    else {
                        const arg = /^[^\s,)"']+/.exec(value.slice(i));
                        args.push(arg[0]);
                        i += arg[0].length;
                    }
                }
                ++i;
                out.push({ name: name[0].toLowerCase(), args });
            }
        }
        return out;
    }

    // What a pseudo-element writes, where it shows at all.
    function pseudo(element, which) {
        const style = getComputedStyle(element, '::' + which);
        const content = style.content;
        if (!content || content === 'none' || content === 'normal' || style.display === 'none' ||
            style.visibility !== 'visible' || style.opacity === '0' || style.fontSize === '0px')
            return null;
        const parts = tokens(content);
        if (!parts.length || parts.every(part => part.text === ''))
            return null;
        return { element, which, style, parts };
    }

    // Each element's pseudo-elements in the order they show: ::before, the element's children,
    // ::after.
    const found = candidates();
    const elements = found ? Array.from(found).sort((a, b) =>
        a.compareDocumentPosition(b) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1)
                           : Array.from(body.getElementsByTagName('*'));
    const items = [];
    const byElement = new Map();
    const open = [];
    const close = element => {
        const after = byElement.get(element);
        if (after && after.after)
            items.push(after.after);
    };
    for (const element of elements) {
        if (element.namespaceURI !== HTML || childless.has(element.localName))
            continue;
        while (open.length && !open[open.length - 1].contains(element))
            close(open.pop());
        const before = pseudo(element, 'before');
        const after = pseudo(element, 'after');
        if (!before && !after)
            continue;
        byElement.set(element, { before, after });
        if (before)
            items.push(before);
        open.push(element);
    }
    while (open.length)
        close(open.pop());
    if (!items.length)
        return 0;

    // Counters, where a piece names one: kept as the page's renderer keeps them, walking the page
    // in document order with each element's resets, increments and sets (a list's items count
    // list-item of themselves). A counter lives on the level of the element that made it, for
    // the element's following siblings and all their descendants; one a sibling made is replaced.
    const counters = new Map(); // name -> the nested counters of that name, innermost last
    function pairs(value, otherwise) {
        const out = [];
        if (!value || value === 'none')
            return out;
        const words = value.trim().split(/\s+/);
        for (let i = 0; i < words.length; ++i) {
            const name = words[i];
            let amount = otherwise;
            if (/^-?\d+$/.test(words[i + 1] || ''))
                amount = Number(words[++i]);
            out.push([name, amount]);
        }
        return out;
    }
    function reset(name, value, level) {
        if (!counters.has(name))
            counters.set(name, []);
        const nested = counters.get(name);
        const last = nested[nested.length - 1];
        if (last && level.has(last)) {
            last.value = value;
            return last;
        }
        const counter = { name, value };
        nested.push(counter);
        level.add(counter);
        return counter;
    }
    function innermost(name, level) {
        const nested = counters.get(name);
        return nested && nested.length ? nested[nested.length - 1] : reset(name, 0, level);
    }
    function count(style, level) {
        for (const [name, value] of pairs(style.counterReset, 0))
            reset(name, value, level);
        for (const [name, value] of pairs(style.counterIncrement, 1))
            innermost(name, level).value += value;
        for (const [name, value] of pairs(style.counterSet, 0))
            innermost(name, level).value = value;
    }
    function leave(level) {
        for (const counter of level)
            counters.get(counter.name).pop();
    }

    const numerals = [[1000, 'm'], [900, 'cm'], [500, 'd'], [400, 'cd'], [100, 'c'], [90, 'xc'],
                      [50, 'l'], [40, 'xl'], [10, 'x'], [9, 'ix'], [5, 'v'], [4, 'iv'], [1, 'i']];
    function formatted(value, kind) {
        const letters = (from, size) => {
            let text = '';
            for (let n = value; n > 0; n = Math.floor((n - 1) / size))
                text = String.fromCodePoint(from + (n - 1) % size) + text;
            return text;
        };
        switch (kind || 'decimal') {
        case 'none': return '';
        case 'disc': return '\u2022';
        case 'circle': return '\u25e6';
        case 'square': return '\u25aa';
        case 'decimal-leading-zero': return (value < 10 && value >= 0 ? '0' : '') + value;
        case 'lower-roman': case 'upper-roman': {
            if (value <= 0 || value >= 4000)
                return String(value);
            let text = '';
            let rest = value;
            for (const [amount, letter] of numerals)
                for (; rest >= amount; rest -= amount)
                    text += letter;
            return kind === 'upper-roman' ? text.toUpperCase() : text;
        }
        case 'lower-alpha': case 'lower-latin': return value > 0 ? letters(0x61, 26) : String(value);
        case 'upper-alpha': case 'upper-latin': return value > 0 ? letters(0x41, 26) : String(value);
        case 'lower-greek': return value > 0 ? letters(0x3b1, 24) : String(value);
        default: return String(value);
        }
    }

    // Quotes nest across the page: an open quote takes the current depth's and goes one deeper.
    let depth = 0;
    function quotesOf(style) {
        const value = style.quotes;
        if (!value || value === 'auto')
            return ['\u201c', '\u201d', '\u2018', '\u2019'];
        if (value === 'none')
            return [];
        return tokens(value).map(part => part.text || '');
    }
    function quote(style, opening) {
        const marks = quotesOf(style);
        const pairsOf = Math.floor(marks.length / 2);
        if (!opening)
            depth = Math.max(0, depth - 1);
        const at = Math.min(depth, pairsOf - 1);
        if (opening)
            ++depth;
        return pairsOf ? marks[2 * at + (opening ? 0 : 1)] : '';
    }

    function written(item) {
        let text = '';
        for (const part of item.parts) {
            if (part.text !== undefined) {
                text += part.text;
            } else if (part.name === 'attr' && part.args) {
                text += item.element.getAttribute(part.args[0] || '') || '';
            } else if (part.name === 'counter' && part.args) {
                const nested = counters.get(part.args[0]);
                const value = nested && nested.length ? nested[nested.length - 1].value : 0;
                text += formatted(value, part.args[1]);
            } else if (part.name === 'counters' && part.args) {
                const nested = counters.get(part.args[0]) || [];
                text += (nested.length ? nested : [{ value: 0 }])
                            .map(counter => formatted(counter.value, part.args[2]))
                            .join(part.args[1] || '');
            } else if (part.name === 'open-quote' || part.name === 'close-quote') {
                text += quote(item.style, part.name === 'open-quote');
            } else if (part.name === 'no-open-quote') {
                ++depth;
            } else if (part.name === 'no-close-quote') {
                depth = Math.max(0, depth - 1);
            }
        }
        if (settings.styles) {
            item.text = text;
            return;
        }
        // Without the look, the room a separator's margins made is a space.
        text = text.replace(privateUse, '');
        const room = side => px(item.style.getPropertyValue('margin-' + side)) +
                             px(item.style.getPropertyValue('padding-' + side)) > 0;
        if (text && item.style.display.startsWith('inline')) {
            if (room('left') && !/^\s/.test(text))
                text = ' ' + text;
            if (room('right') && !/\s$/.test(text))
                text += ' ';
        }
        item.text = text;
    }

    const counted = items.some(item => item.parts.some(part => /^counters?$/.test(part.name)));
    if (counted) {
        const listItem = /(^|\s)list-item(\s|$)/;
        const walk = (element, level) => {
            const style = getComputedStyle(element);
            if (style.display === 'none')
                return;
            // A list starts its items' count; an item counts itself, or takes its value.
            const tag = element.localName;
            if ((tag === 'ol' || tag === 'ul' || tag === 'menu') &&
                !listItem.test(style.counterReset))
                reset('list-item', tag === 'ol' && element.hasAttribute('start')
                                       ? (parseInt(element.getAttribute('start'), 10) || 1) - 1 : 0,
                      level);
            count(style, level);
            if (style.display === 'list-item' && !listItem.test(style.counterIncrement) &&
                !listItem.test(style.counterSet)) {
                const value = parseInt(element.getAttribute('value'), 10);
                const counter = innermost('list-item', level);
                counter.value = tag === 'li' && !isNaN(value) ? value : counter.value + 1;
            }
            const own = byElement.get(element);
            const inner = new Set();
            if (own && own.before) {
                count(own.before.style, inner);
                written(own.before);
            }
            for (let child = element.firstElementChild; child; child = child.nextElementSibling)
                walk(child, inner);
            if (own && own.after) {
                count(own.after.style, inner);
                written(own.after);
            }
            leave(inner);
        };
        const top = new Set();
        walk(body, top);
        leave(top);
    } else {
        for (const item of items)
            written(item);
    }

    // Only now, so that nothing above saw a page changed by it. Without styles the page's own
    // pseudo-elements give way to the text, as the copy's sheet makes them: text read from the
    // live page (what it renders) then has it once, its spaces where they were.
    if (!settings.styles) {
        const silence = document.createElement('style');
        silence.textContent = '[data-vantrel-generated~="before"]::before,' +
                              '[data-vantrel-generated~="after"]::after{content:none!important}';
        (document.head || document.documentElement).appendChild(silence);
    }
    let made = 0;
    for (const item of items) {
        if (!item.text)
            continue;
        const element = item.element;
        let node;
        if (settings.styles) {
            node = document.createElement('span');
            node.textContent = item.text;
            generated.set(node, item.style);
        } else {
            node = document.createTextNode(item.text);
        }
        if (item.which === 'before')
            element.insertBefore(node, element.firstChild);
        else
            element.appendChild(node);
        if (!settings.styles || element.localName === 'q') {
            const marked = element.getAttribute('data-vantrel-generated');
            element.setAttribute('data-vantrel-generated',
                                 marked ? marked + ' ' + item.which : item.which);
        }
        ++made;
    }
    return made;
})
