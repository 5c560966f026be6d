// Resolves once the page has had its first frame and what that frame queued has run (an
// IntersectionObserver's callbacks, posted as tasks after the frame's animation callbacks, among
// it; two tasks later, so that they come first), or after limit ms or at the deadline: a page that
// draws no frames (in a window that is not shown) is not waited for. A second frame would cost a
// frame's time on every page and bring nothing more.
function firstFrames(deadline, limit) {
    return new Promise((resolve) => {
        const wait = Math.min(limit, deadline - performance.now());
        const bound = setTimeout(resolve, Math.max(0, wait));
        requestAnimationFrame(() => setTimeout(() => setTimeout(() => {
            clearTimeout(bound);
            resolve();
        })));
    });
}
