// The page's own typesetters and diagram renderers, probed in the page's world (where their
// objects are), put in every page when its document is ready. The readiness script, in the
// program's world, asks with a 'vantrel-renderers-ask' event on the document once the page has
// loaded; when a renderer the page has is at work, the answer is a 'vantrel-renderers-busy' event
// right away and a 'vantrel-renderers-done' event once each has finished. A page without them
// answers nothing, and its probes cost one look at a few globals. 'vantrel-renderers-stop' ends
// the probing (the page's bound has passed).
//
// A diagram's source is gone once its renderer has drawn it: what each diagram element held when
// the document was ready is kept here, and written into the element (data-vantrel-source) only
// when a copy asks for it with 'vantrel-diagram-sources', so that a page copied as it is keeps
// its own markup.
(function () {
    const diagramSelector = '.mermaid';
    const sources = new WeakMap();
    function noteSources() {
        for (const element of document.querySelectorAll(diagramSelector)) {
            if (!sources.has(element) && !element.hasAttribute('data-processed') &&
                !element.querySelector('svg'))
                sources.set(element, element.textContent.replace(/^\n+|\s+$/g, ''));
        }
    }
    noteSources();
    document.addEventListener('vantrel-diagram-sources', () => {
        noteSources();
        for (const element of document.querySelectorAll(diagramSelector)) {
            if (sources.has(element))
                element.setAttribute('data-vantrel-source', sources.get(element));
        }
    });

    // A renderer's script that the page names but that has neither run nor failed yet: one that
    // loads on its own time (async), or one added late, after the load. The page's other scripts
    // have run by now.
    const settled = new WeakSet();
    for (const script of document.scripts)
        if (!script.async)
            settled.add(script);
    for (const type of ['load', 'error'])
        document.addEventListener(type, event => {
            if (event.target && event.target.localName === 'script')
                settled.add(event.target);
        }, true);
    function scriptPending(pattern) {
        return Array.from(document.scripts).some(script =>
            script.src && pattern.test(script.src) && !settled.has(script) &&
            performance.getEntriesByName(script.src).length === 0);
    }
    function mentioned(pattern) {
        return Array.from(document.scripts).some(script =>
            pattern.test(script.src) || (!script.src && pattern.test(script.text)));
    }

    let stopped = false;
    // Resolves once check() holds, looked at every 50 ms.
    function until(check) {
        return new Promise(resolve => {
            const look = () => {
                if (stopped || check())
                    resolve();
                else
                    setTimeout(look, 50);
            };
            look();
        });
    }

    // MathJax 2: everything its queue holds (the first typeset comes after its start-up).
    async function mathJax2(hub) {
        await new Promise(resolve => hub.Register.StartupHook('End', resolve));
        do
            await new Promise(resolve => hub.Queue(resolve));
        while (!stopped && hub.queue && (hub.queue.queue.length || hub.queue.pending));
    }
    // MathJax 3 and 4: its start-up promise, which every typeset it is asked for extends.
    async function mathJax3(startup) {
        let promise;
        do {
            promise = startup.promise;
            await promise.catch(() => {});
        } while (!stopped && promise !== startup.promise);
    }
    function mathJax() {
        const found = window.MathJax;
        const loading = scriptPending(/mathjax|tex-(mml-)?(chtml|svg)|mml-(chtml|svg)/i);
        if (!found && !loading)
            return null;
        return (async () => {
            // Its configuration may come first and its script late.
            await until(() => {
                const mj = window.MathJax;
                return (mj && (mj.Hub || (mj.startup && mj.startup.promise))) ||
                       !scriptPending(/mathjax|tex-(mml-)?(chtml|svg)|mml-(chtml|svg)/i);
            });
            const mj = window.MathJax;
            if (mj && mj.Hub && mj.Hub.Register)
                await mathJax2(mj.Hub);
            else if (mj && mj.startup && mj.startup.promise)
                await mathJax3(mj.startup);
        })();
    }
    // KaTeX's auto-render typesets when it is called, once its script has run.
    function katex() {
        const pattern = /katex|auto-render/i;
        if ((window.katex && window.renderMathInElement) || !scriptPending(pattern))
            return null;
        return until(() => (window.katex && window.renderMathInElement) || !scriptPending(pattern))
            .then(() => new Promise(resolve => setTimeout(resolve, 0)));
    }
    // Mermaid: every diagram element processed, its drawing in it.
    function mermaid() {
        if (!document.querySelector(diagramSelector) ||
            !(window.mermaid || mentioned(/mermaid/i)))
            return null;
        noteSources();
        const drawn = () => Array.from(document.querySelectorAll(diagramSelector)).every(element =>
            element.hasAttribute('data-processed') && element.querySelector('svg'));
        return drawn() ? null : until(drawn);
    }

    document.addEventListener('vantrel-renderers-stop', () => { stopped = true; });
    document.addEventListener('vantrel-renderers-ask', () => {
        let probes = [];
        for (const probe of [mathJax, katex, mermaid]) {
            try {
                const working = probe();
                if (working)
                    probes.push(working.catch(() => {}));
            } catch (e) {
                // a renderer this probe does not know leaves the page as it is
            }
        }
        if (!probes.length)
            return;
        stopped = false;
        document.dispatchEvent(new Event('vantrel-renderers-busy'));
        Promise.all(probes).then(() =>
            document.dispatchEvent(new Event('vantrel-renderers-done')));
    });
})();
