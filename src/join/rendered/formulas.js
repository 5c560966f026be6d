// Notes each formula a math library typeset in the page, right before its look and its copy, in
// the page's own world where the libraries' objects are: the element that shows it (its root) gets
// data-vantrel-math ('inline' or 'block'), data-vantrel-tex (its TeX source, where it has one) and
// data-vantrel-mathml (its MathML), for each format to write what it can hold. The accessible copy
// a library keeps beside what shows (its MathML, hidden by clipping) leaves the page once noted,
// so that no format shows a formula twice; so do the libraries' status boxes and menus.
(function () {
    const serializer = new XMLSerializer();
    const markup = element => element ? serializer.serializeToString(element) : '';
    function note(root, display, tex, mathml) {
        if (!root || root.hasAttribute('data-vantrel-math'))
            return;
        root.setAttribute('data-vantrel-math', display ? 'block' : 'inline');
        if (tex && tex.trim())
            root.setAttribute('data-vantrel-tex', tex.trim());
        if (mathml)
            root.setAttribute('data-vantrel-mathml', mathml);
    }
    const mj = window.MathJax;

    // MathJax 2: each element jax, its source a script element beside what shows it.
    if (mj && mj.Hub && typeof mj.Hub.getAllJax === 'function') {
        for (const jax of mj.Hub.getAllJax()) {
            try {
                const frame = document.getElementById(jax.inputID + '-Frame');
                if (!frame)
                    continue;
                const wrapper = frame.parentElement;
                const root = wrapper && /(^|\s)(MathJax_Display|MathJax_SVG_Display|MJXc-display|MathJax_PHTML_Display)(\s|$)/
                                            .test(wrapper.className) ? wrapper : frame;
                const script = jax.SourceElement();
                let mathml = '';
                try {
                    mathml = jax.root.toMathML('');
                } catch (e) {
                    // its MathML writer is not loaded: the accessible copy has it
                }
                if (!mathml)
                    mathml = markup(frame.querySelector('.MJX_Assistive_MathML math'));
                if (!mathml && /math\/mml/.test(script.type))
                    mathml = script.text;
                const display = jax.root.Get ? jax.root.Get('display') === 'block'
                                             : /mode\s*=\s*display/.test(script.type);
                note(root, display, jax.inputJax === 'TeX' ? jax.originalText : '', mathml);
                for (const copy of frame.querySelectorAll('.MJX_Assistive_MathML'))
                    copy.remove();
            } catch (e) {
                // a formula it cannot read is copied as it shows
            }
        }
    }
    // MathJax 3 and 4: each math item of the document, shown in its typeset root.
    if (mj && mj.startup && mj.startup.document && mj.startup.document.math) {
        for (const item of mj.startup.document.math) {
            try {
                const root = item.typesetRoot;
                if (!root || !root.isConnected)
                    continue;
                let mathml = '';
                try {
                    mathml = mj.startup.toMML(item.root);
                } catch (e) {
                    // no MathML writer: the accessible copy has it
                }
                if (!mathml)
                    mathml = markup(root.querySelector('mjx-assistive-mml math'));
                const tex = item.inputJax && /tex/i.test(item.inputJax.name) ? item.math : '';
                note(root, item.display, tex, mathml);
                for (const copy of root.querySelectorAll('mjx-assistive-mml'))
                    copy.remove();
            } catch (e) {
                // a formula it cannot read is copied as it shows
            }
        }
    }
    // KaTeX: its MathML beside what shows, with the TeX as an annotation.
    for (const katex of document.querySelectorAll('.katex')) {
        const parent = katex.parentElement;
        const block = parent && parent.classList.contains('katex-display');
        const root = block ? parent : katex;
        const math = katex.querySelector('math');
        const annotation = math && math.querySelector('annotation[encoding="application/x-tex"]');
        note(root, block || (math && math.getAttribute('display') === 'block'),
             annotation ? annotation.textContent : '', markup(math));
        for (const copy of katex.querySelectorAll('.katex-mathml'))
            copy.remove();
    }

    // Glyphs that formulas drawn as SVG share sit in a hidden element: they stay, unseen, where
    // the look keeps a sheet of pictures that others draw from.
    for (const cache of document.querySelectorAll('#MathJax_SVG_glyphs, #MJX-SVG-global-cache')) {
        const glyphs = cache.closest('svg') || cache;
        glyphs.setAttribute('width', '0');
        glyphs.setAttribute('height', '0');
        glyphs.setAttribute('style', 'position: absolute; width: 0; height: 0; overflow: hidden');
        document.body.append(glyphs);
    }
    for (const status of document.querySelectorAll(
             '#MathJax_Message, #MathJax_Font_Test, .CtxtMenu_MenuFrame, .CtxtMenu_Info'))
        status.remove();
})();
