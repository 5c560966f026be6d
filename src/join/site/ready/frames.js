// Resolves once the page has drawn two frames and what they queued has run (an
// IntersectionObserver's callbacks among it), or after limit ms or at the deadline: a page that
// draws no frames (in a window that is not shown) is not waited for.
function firstFrames(deadline, limit) {
    return new Promise((resolve) => {
        const wait = Math.min(limit, deadline - performance.now());
        const bound = setTimeout(resolve, Math.max(0, wait));
        requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(() => {
            clearTimeout(bound);
            resolve();
        })));
    });
}
