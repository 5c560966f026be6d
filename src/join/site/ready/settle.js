// Watches what the loaded page does, so that it is copied once it has come to rest. Three kinds
// of activity: the network (a resource has finished loading), images (one has been added, or its
// address set) and the document (any change to its elements, attributes or text). An image in
// view that is still loading keeps every kind busy. The page's own scripts cannot see this: it
// runs in the program's script world.
function watchActivity(deadline) {
    const start = performance.now();
    const last = { network: start, images: start, document: start };

    const imageLike = 'img, picture, source, iframe, video';
    const startsAnImage = (record) => {
        if (record.type === 'attributes')
            return ['src', 'srcset', 'poster'].includes(record.attributeName);
        if (record.type !== 'childList')
            return false;
        for (const node of record.addedNodes) {
            if (node.nodeType === Node.ELEMENT_NODE &&
                (node.matches(imageLike) || node.querySelector(imageLike)))
                return true;
        }
        return false;
    };
    const mutations = new MutationObserver((records) => {
        const when = performance.now();
        last.document = when;
        if (records.some(startsAnImage))
            last.images = when;
    });
    mutations.observe(document, { subtree: true, childList: true, attributes: true,
                                  characterData: true });
    const resources = new PerformanceObserver(() => { last.network = performance.now(); });
    resources.observe({ type: 'resource' });

    const imageLoadingInView = () => {
        for (const image of document.images) {
            if (image.complete)
                continue;
            const box = image.getBoundingClientRect();
            if (box.width > 0 && box.height > 0 && box.bottom > 0 && box.top < innerHeight)
                return true;
        }
        return false;
    };

    return {
        // Resolves true once none of the kinds has been active for ms from now, false when limit
        // ms or the deadline pass first.
        quiet(ms, kinds, limit) {
            const since = performance.now();
            const end = Math.min(deadline, since + limit);
            return new Promise((resolve) => {
                const check = () => {
                    const at = performance.now();
                    const quietFor = at - Math.max(since, ...kinds.map((kind) => last[kind]));
                    let loading = false;
                    try {
                        loading = imageLoadingInView();
                    } catch (e) {
                        // A document that has no images to look at.
                    }
                    if (!loading && quietFor >= ms)
                        return resolve(true);
                    if (at >= end)
                        return resolve(false);
                    // An image that is loading ends with a resource: looked at again soon.
                    const wait = loading ? Math.min(ms, 100) : ms - quietFor;
                    setTimeout(check, Math.max(1, Math.min(wait, end - at)));
                };
                check();
            });
        },
        stop() {
            mutations.disconnect();
            resources.disconnect();
        },
    };
}
