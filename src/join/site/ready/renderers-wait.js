// Asks the page's own renderers (renderers.js, in the page's world) whether one is at work, and
// waits until they say they are done, or until deadline. Answers whether they finished in time.
function renderersDone(deadline) {
    let busy = false;
    const onBusy = () => { busy = true; };
    // Dispatched events run their listeners at once, in every world: the answer is there on return.
    document.addEventListener('vantrel-renderers-busy', onBusy);
    document.dispatchEvent(new Event('vantrel-renderers-ask'));
    document.removeEventListener('vantrel-renderers-busy', onBusy);
    if (!busy)
        return Promise.resolve(true);
    return new Promise(resolve => {
        const finish = done => {
            clearTimeout(timer);
            document.removeEventListener('vantrel-renderers-done', onDone);
            if (!done)
                document.dispatchEvent(new Event('vantrel-renderers-stop'));
            resolve(done);
        };
        const onDone = () => finish(true);
        document.addEventListener('vantrel-renderers-done', onDone);
        const timer = setTimeout(() => finish(false), Math.max(0, deadline - performance.now()));
    });
}
