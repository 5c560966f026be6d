// A page's standalone copy written as GitHub-flavoured Markdown: called with the converter's
// TurndownService, answers the function that takes the copy of the body (an element of a document
// with no window) and answers its Markdown. The page's headings go one level down, under the
// part's own title; code blocks are fenced with their language; a table is a pipe table where it
// can be one and stays HTML where it cannot. Links and images keep the copy's markers, which the
// program decides.
(function (TurndownService) {
    const languageClass = /(?:^|\s)(?:language|lang|highlight(?:-source)?)-([\w+#.-]+)/;

    // The language of a code block, from its code, itself, or the wrappers a highlighter puts
    // around it.
    function languageOf(pre) {
        const near = [pre.querySelector('code'), pre, pre.parentElement,
                      pre.parentElement && pre.parentElement.parentElement];
        for (const element of near) {
            const match = element && languageClass.exec(element.getAttribute('class') || '');
            if (match)
                return match[1];
        }
        return '';
    }

    // Only what would change the text's meaning: no \_ inside a word, no escaped full stop.
    function escape(text) {
        return text
            .replace(/\\(?=[!-/:-@[-`{-~])/g, '\\\\')
            .replace(/[*`[\]]/g, '\\$&')
            .replace(/(?<![\p{L}\p{N}])_|_(?![\p{L}\p{N}])/gu, '\\_')
            .replace(/<(?=[A-Za-z/!?])/g, '\\<')
            .replace(/&(?=#?\w+;)/g, '\\&')
            // What starts a block where a line starts: a text may be a line's start.
            .replace(/^(\s*)(>|~~~|[-+](?=\s)|#{1,6}(?=\s))/, '$1\\$2')
            .replace(/^(\s*\d+)([.)])(?=\s)/, '$1\\$2');
    }

    // A pipe table holds one line of text per cell, and no row more cells than the first (a
    // shorter one is filled up).
    const pipeableTables = new WeakMap();
    function pipeable(table) {
        if (!pipeableTables.has(table)) {
            const rows = Array.from(table.rows);
            const blocksInside = 'table, pre, ul, ol, dl, blockquote, h1, h2, h3, h4, h5, h6, hr';
            pipeableTables.set(table, rows.length > 0 && !table.querySelector(blocksInside) &&
                rows.every(row => row.cells.length <= rows[0].cells.length &&
                    Array.from(row.cells).every(cell => cell.colSpan === 1 &&
                        cell.rowSpan === 1 && cell.querySelectorAll('p').length <= 1)));
        }
        return pipeableTables.get(table);
    }
    function cellText(content) {
        return content.replace(/\s*\n+\s*/g, ' ').trim().replace(/\|/g, '\\|');
    }
    function headingRowOf(table) {
        const first = table.rows[0];
        const head = first.parentElement.localName === 'thead' ||
                     Array.from(first.cells).every(cell => cell.localName === 'th');
        return head ? first : null;
    }

    const service = new TurndownService({
        headingStyle: 'atx', codeBlockStyle: 'fenced', bulletListMarker: '-', emDelimiter: '*',
        strongDelimiter: '**', hr: '---'
    });
    service.escape = escape;
    service.remove(['script', 'style', 'noscript', 'template', 'iframe', 'button', 'input',
                    'select', 'textarea', 'svg', 'canvas', 'video', 'audio', 'object', 'embed']);
    // A bullet and one space, and what goes on under it indented as far as its text starts.
    service.addRule('list item', {
        filter: 'li',
        replacement: (content, node) => {
            const list = node.parentNode;
            let bullet = '- ';
            if (list.nodeName === 'OL') {
                const start = Number(list.getAttribute('start') || 1);
                bullet = (start + Array.prototype.indexOf.call(list.children, node)) + '. ';
            }
            const text = content.replace(/^\n+/, '').replace(/\n+$/, '\n')
                                .replace(/\n/gm, '\n' + ' '.repeat(bullet.length));
            return bullet + text + (node.nextSibling && !/\n$/.test(text) ? '\n' : '');
        }
    });
    function fenced(code, language) {
        let fence = '```';
        for (const run of code.match(/`{3,}/g) || [])
            if (run.length >= fence.length)
                fence = '`'.repeat(run.length + 1);
        return '\n\n' + fence + language + '\n' + code + '\n' + fence + '\n\n';
    }
    service.addRule('code block', {
        filter: node => node.nodeName === 'PRE',
        replacement: (content, node) => fenced(node.textContent.replace(/\n$/, ''), languageOf(node))
    });
    service.addRule('table cell', {
        filter: node => (node.nodeName === 'TH' || node.nodeName === 'TD') &&
                        pipeable(node.closest('table')),
        replacement: (content, node) =>
            (node.cellIndex === 0 ? '| ' : ' ') + cellText(content) + ' |'
    });
    service.addRule('table row', {
        filter: node => node.nodeName === 'TR' && pipeable(node.closest('table')),
        replacement: (content, node) => {
            const table = node.closest('table');
            const width = table.rows[0].cells.length;
            const missing = Math.max(0, width - node.cells.length);
            let line = content.trim() + ' |'.repeat(missing);
            if (node.cells.length === 0)
                line = '|' + ' |'.repeat(width);
            const separator = '|' + ' --- |'.repeat(width);
            if (node === table.rows[0])
                return '\n' + (headingRowOf(table) ? line + '\n' + separator
                                                   : '|' + '  |'.repeat(width) + '\n' + separator +
                                                     '\n' + line);
            return '\n' + line;
        }
    });
    service.addRule('table', {
        filter: node => node.nodeName === 'TABLE',
        replacement: (content, node) => {
            if (!pipeable(node)) {
                for (const element of [node, ...node.querySelectorAll('*')])
                    element.removeAttribute('style');
                return '\n\n' + node.outerHTML + '\n\n';
            }
            const caption = node.caption ? escape(node.caption.textContent.trim()) + '\n\n' : '';
            return '\n\n' + caption + content.trim() + '\n\n';
        }
    });
    service.addRule('table caption', { filter: ['caption'], replacement: () => '' });
    service.addRule('table sections', {
        filter: ['thead', 'tbody', 'tfoot'],
        replacement: content => content
    });

    // MathML as HTML, on one line: a blank line would end it.
    const oneLine = markup => markup.replace(/>\s+</g, '><').replace(/\s*\n\s*/g, ' ');
    // A typeset formula: its TeX between dollars (two, on lines of their own, for one set apart),
    // or its MathML where the page had no TeX. So is MathML the page wrote itself.
    function formula(content, node) {
        const block = node.getAttribute('data-vantrel-math') === 'block';
        const tex = node.getAttribute('data-vantrel-tex');
        const mathml = node.getAttribute('data-vantrel-mathml');
        const written = tex ? (block ? '$$\n' + tex + '\n$$' : '$' + tex.replace(/\s+/g, ' ') + '$')
                      : mathml ? oneLine(mathml) : content;
        return block ? '\n\n' + written + '\n\n' : written;
    }
    service.addRule('formula', {
        filter: node => node.nodeType === Node.ELEMENT_NODE && node.hasAttribute('data-vantrel-math'),
        replacement: formula
    });
    service.addRule('page formula', {
        filter: node => node.nodeName === 'math',
        replacement: (content, node) => oneLine(node.outerHTML)
    });
    // A drawn diagram: its source in a block named after its language, where the page had one.
    service.addRule('diagram', {
        filter: node => node.nodeType === Node.ELEMENT_NODE &&
                        node.hasAttribute('data-vantrel-diagram'),
        replacement: diagram
    });
    function diagram(content, node) {
        const source = node.getAttribute('data-vantrel-source');
        return source ? fenced(source, node.getAttribute('data-vantrel-diagram')) : '';
    }


    return function (body) {
        // A formula or a diagram drawn with no text of its own (SVG paths, generated glyphs) is
        // no blank to drop, nor a gap in the spacing of the text around it: it holds what it
        // will be written as.
        for (const node of body.querySelectorAll('[data-vantrel-math], [data-vantrel-diagram]')) {
            const written = node.getAttribute('data-vantrel-tex') ||
                            node.getAttribute('data-vantrel-mathml') ||
                            node.getAttribute('data-vantrel-source');
            if (written)
                node.replaceChildren(written);
        }
        // Under the part's title: h1 becomes h2, and so on; h6 stays.
        for (const heading of Array.from(body.querySelectorAll('h1, h2, h3, h4, h5'))) {
            const level = Number(heading.localName[1]) + 1;
            const lower = body.ownerDocument.createElement('h' + level);
            lower.append(...heading.childNodes);
            heading.replaceWith(lower);
        }
        return service.turndown(body);
    };
})
