// Runs in the live page right before look-capture.js (which takes the page's hidden style elements
// away), called with { styles }: notes the web fonts the page loaded, each face of its @font-face
// rules that the page's renderer has loaded, with the address it came from. The copy then asks
// window.vantrelFonts(looks) for the faces of the families its classes name, as
// [{ family, weight, style, stretch, unicodeRange, address }], for the program to carry along.
// A face of a sheet the page may not read (another origin's) is not known, and stays behind.
(function (settings) {
    if (!settings.styles || window.vantrelCopied || window.vantrelFonts || !document.fonts)
        return 0;
    const name = family => family.trim().replace(/^(["'])(.*)\1$/, '$2').toLowerCase();
    const weight = value => ({ '': '400', normal: '400', bold: '700' })[value] ?? value;
    const key = (family, weightValue, style) =>
        name(family) + '|' + weight(weightValue) + '|' + (style || 'normal');
    const range = value => (value || 'U+0-10FFFF').replace(/\s+/g, '').toUpperCase();

    // Faces the renderer loaded, or is loading for text it lays out: only they draw anything.
    const loaded = new Map();
    for (const face of document.fonts) {
        if (face.status !== 'loaded' && face.status !== 'loading')
            continue;
        const at = key(face.family, face.weight, face.style);
        loaded.set(at, (loaded.get(at) || []).concat(range(face.unicodeRange)));
    }
    if (!loaded.size) {
        window.vantrelFonts = () => [];
        return 0;
    }

    // The first source of a rule the renderer takes (woff2, woff, TrueType, OpenType).
    const source = /url\(\s*(?:"((?:[^"\\]|\\.)*)"|'((?:[^'\\]|\\.)*)'|([^)\s]*))\s*\)\s*(?:format\(\s*["']?([^"')]*)["']?\s*\))?/g;
    const taken = new Set(['', 'woff2', 'woff', 'truetype', 'opentype', 'woff2-variations',
                           'woff-variations', 'truetype-variations', 'opentype-variations']);
    function address(src, base) {
        for (const match of src.matchAll(source)) {
            if (!taken.has((match[4] || '').toLowerCase()))
                continue;
            try {
                const url = new URL(match[1] ?? match[2] ?? match[3], base);
                if (['http:', 'https:', 'file:', 'data:'].includes(url.protocol))
                    return url.href;
            } catch (e) {
                // an address that is none names no font
            }
        }
        return '';
    }

    const faces = [];
    // A face the renderer took from a font installed here (local() alone) draws nothing where
    // the copy is read: the faces of the families named after it, which the page would have
    // fallen back to (a math library's web fonts behind its local ones), are carried instead.
    const localOnly = new Set();
    const standby = [];
    const gather = (rules, base) => {
        for (const rule of rules) {
            try {
                if (rule.styleSheet)
                    gather(rule.styleSheet.cssRules, rule.styleSheet.href || base);
                else if (rule.cssRules)
                    gather(rule.cssRules, base);
            } catch (e) {
                continue; // another origin's
            }
            if (rule.type !== CSSRule.FONT_FACE_RULE)
                continue;
            const read = property => rule.style.getPropertyValue(property).trim();
            const family = read('font-family');
            if (!family)
                continue;
            const ranges = loaded.get(key(family, read('font-weight'), read('font-style')));
            const drawn = ranges && ranges.includes(range(read('unicode-range')));
            const href = address(read('src'), base);
            if (drawn && !href && /\blocal\(/.test(read('src')))
                localOnly.add(name(family));
            if (!href)
                continue;
            (drawn ? faces : standby).push({ family: family.replace(/^(["'])(.*)\1$/, '$2'),
                                             weight: read('font-weight') || 'normal',
                                             style: read('font-style') || 'normal',
                                             stretch: read('font-stretch') || 'normal',
                                             unicodeRange: read('unicode-range'), address: href });
        }
    };
    for (const sheet of Array.from(document.styleSheets)) {
        try {
            gather(sheet.cssRules, sheet.href || document.baseURI);
        } catch (e) {
            // another origin's sheet cannot be read
        }
    }

    // The families the classes of a copy name, from their font-family declarations.
    window.vantrelFonts = looks => {
        const used = new Set();
        const fallbacks = new Set();
        for (const [, declarations] of looks) {
            const list = /(?:^|;)font-family:([^;]*)/.exec(declarations);
            if (!list)
                continue;
            let behindLocal = false;
            for (const family of list[1].split(',')) {
                used.add(name(family));
                if (behindLocal)
                    fallbacks.add(name(family));
                behindLocal = behindLocal || localOnly.has(name(family));
            }
        }
        return faces.filter(face => used.has(name(face.family)))
            .concat(standby.filter(face => fallbacks.has(name(face.family))));
    };
    return faces.length;
})
