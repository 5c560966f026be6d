// Makes the loaded page ready to copy as its reader sees it (scrolled through, its first frames
// drawn, its renderers done where asked, settled), then says so on the console with the token it
// was given: the page's scripts cannot see this script world, so cannot say it in its place.
// Whatever goes wrong, it says so all the same, so that the copy does not wait for nothing.
// `options` comes from the program.
(async () => {
    let activity = null;
    let settled = false;
    try {
        const deadline = performance.now() + options.remaining;
        activity = watchActivity(deadline);
        settled = true;
        if (options.scroll)
            settled = await scrollThrough(activity, deadline, options.stepQuiet, options.stepLimit);
        // What a browser tab shows within a frame of its load (an image that an
        // IntersectionObserver loads as it comes into view) is there: at the top, where the
        // page is copied from.
        await firstFrames(deadline, options.frameLimit);
        // Formulas and diagrams the page's own renderers are still making are waited for.
        if (options.renderers)
            settled = await renderersDone(deadline) && settled;
        if (options.settle > 0)
            settled = await activity.quiet(options.settle, ['network', 'document'], Infinity) &&
                      settled;
    } catch (e) {
        settled = false;
    } finally {
        if (activity)
            activity.stop();
        console.debug(`${options.token} ${settled ? 'settled' : 'unsettled'}`);
    }
})();
