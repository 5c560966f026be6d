// Scrolls the page to its end one viewport at a time, waiting after each step until no new image
// or request has started for a short while (images that load as they come into view, and what
// loads with them), then back to the top. A page that grows as it is scrolled is followed until
// the deadline. Resolves true when it reached the end in time.
async function scrollThrough(activity, deadline, stepQuiet, stepLimit) {
    const scroller = document.scrollingElement || document.documentElement;
    // At once, whatever the page's scroll-behavior says.
    const scrollTo = (top) => {
        try {
            window.scrollTo({ top, behavior: 'instant' });
        } catch (e) {
            window.scrollTo(0, top);
        }
    };
    let reachedEnd = false;
    while (performance.now() < deadline) {
        const from = scroller.scrollTop;
        const end = scroller.scrollHeight - scroller.clientHeight;
        if (from >= end) {
            reachedEnd = true;
            break;
        }
        scrollTo(Math.min(from + scroller.clientHeight, end));
        if (scroller.scrollTop <= from) { // it does not scroll (overflow hidden)
            reachedEnd = true;
            break;
        }
        await activity.quiet(stepQuiet, ['network', 'images'], stepLimit);
    }
    scrollTo(0);
    return reachedEnd;
}
