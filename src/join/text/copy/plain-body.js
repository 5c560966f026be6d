// A page's text as a reader sees it: answers the function that takes the copy of the body and
// answers the text of the live page's body, which has the layout the copy lacks (what is not shown
// is left out, text as it is rendered). Blocks are parted by a blank line, list items keep their
// bullets or numbers (nested lists indented), code and preformatted text stay as they stand, a
// table's cells are parted by tabs.
(function () {
    const inline = /^inline/;

    // The nodes a box holds: those of an element with no box of its own (display: contents) are
    // its parent's.
    function* boxChildren(element) {
        for (const child of element.childNodes) {
            if (child.nodeType === Node.ELEMENT_NODE &&
                getComputedStyle(child).display === 'contents')
                yield* boxChildren(child);
            else
                yield child;
        }
    }

    // The rendered text of a run of inline nodes, on as many lines as its line breaks make.
    function runText(nodes) {
        let text = '';
        for (const node of nodes) {
            if (node.nodeType === Node.TEXT_NODE)
                text += node.nodeValue.replace(/\s+/g, ' ');
            else if (node.localName === 'br')
                text += '\n';
            else if (node.nodeType === Node.ELEMENT_NODE)
                // A drawing has no text of its own (its style element's is none); MathML has no
                // rendered text to read.
                text += node.innerText ?? (node.localName === 'svg' ? '' : node.textContent);
        }
        return text.split('\n').map(line => line.replace(/[ \t]+/g, ' ').trim())
                   .filter(Boolean).join('\n');
    }

    function listText(list, indent) {
        let number = list.localName === 'ol' ? Number(list.getAttribute('start') || 1) : 0;
        const items = [];
        for (const item of list.children) {
            if (item.localName !== 'li' || getComputedStyle(item).display === 'none')
                continue;
            const bullet = number ? (number++) + '. ' : '- ';
            const lines = blocksOf(item, indent + ' '.repeat(bullet.length)).join('\n');
            items.push(indent + bullet + lines.slice(indent.length + bullet.length));
        }
        return items.join('\n');
    }

    // The blocks of element, each a text of its own, every line starting with indent.
    function blocksOf(element, indent) {
        const blocks = [];
        let run = [];
        const add = text => {
            if (text.trim())
                blocks.push(text.split('\n').map(line => indent + line).join('\n'));
        };
        const endRun = () => {
            add(runText(run));
            run = [];
        };
        for (const child of boxChildren(element)) {
            if (child.nodeType === Node.TEXT_NODE) {
                run.push(child);
                continue;
            }
            if (child.nodeType !== Node.ELEMENT_NODE)
                continue;
            const style = getComputedStyle(child);
            if (style.display === 'none' || style.visibility === 'hidden' && !child.children.length)
                continue;
            if (inline.test(style.display) || child.localName === 'br') {
                run.push(child);
                continue;
            }
            endRun();
            if (child.localName === 'pre' || style.whiteSpace.startsWith('pre'))
                add(child.innerText.replace(/\n+$/, ''));
            else if (child.localName === 'ul' || child.localName === 'ol')
                blocks.push(listText(child, indent));
            else if (child.localName === 'table')
                add(child.innerText.split('\n').map(line => line.trimEnd()).filter(Boolean)
                        .join('\n'));
            else
                blocks.push(...blocksOf(child, indent));
        }
        endRun();
        return blocks.filter(block => block.trim());
    }

    // A typeset formula reads as its TeX (or its MathML's text where it has none), once; a drawn
    // diagram as its source, where the page had one.
    function writeRendered() {
        for (const root of document.body.querySelectorAll('[data-vantrel-math]')) {
            let text = root.getAttribute('data-vantrel-tex');
            if (!text) {
                const holder = document.createElement('div');
                holder.innerHTML = root.getAttribute('data-vantrel-mathml') || '';
                text = holder.textContent.replace(/\s+/g, ' ').trim() || root.innerText;
            }
            const written = document.createElement(
                root.getAttribute('data-vantrel-math') === 'block' ? 'div' : 'span');
            written.textContent = text;
            root.replaceWith(written);
        }
        for (const diagram of document.body.querySelectorAll('[data-vantrel-source]')) {
            const source = document.createElement('pre');
            source.textContent = diagram.getAttribute('data-vantrel-source');
            diagram.replaceWith(source);
        }
    }

    return () => {
        writeRendered();
        return blocksOf(document.body, '').join('\n\n');
    };
})
