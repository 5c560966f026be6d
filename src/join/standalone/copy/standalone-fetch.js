// Fetches images of the loaded page the way the page itself would, from its renderer, and hands
// each to the program through its web channel (qwebchannel.js runs before this). Called with
// (request, addresses, limit in bytes); answers whether the channel is there. For each address the
// program's take(request, address, type, base64, problem, readable) is called, then done(request).
// readable is false when the page may not read the address (another origin without CORS, a
// scheme fetch refuses): the program then fetches it itself.
(function (request, addresses, limit) {
    if (typeof qt === 'undefined' || !qt.webChannelTransport)
        return false;

    async function read(response) {
        const reader = response.body.getReader();
        const parts = [];
        let size = 0;
        for (;;) {
            const { done, value } = await reader.read();
            if (done)
                break;
            size += value.length;
            if (size > limit) {
                reader.cancel();
                return null;
            }
            parts.push(value);
        }
        return new Blob(parts);
    }
    function base64(blob) {
        return new Promise((resolve, reject) => {
            const reader = new FileReader();
            reader.onload = () => resolve(reader.result.slice(reader.result.indexOf(',') + 1));
            reader.onerror = () => reject(reader.error);
            reader.readAsDataURL(blob);
        });
    }
    async function fetchOne(address) {
        let response;
        try {
            // What the page showed is in the cache, however stale.
            response = await fetch(address, { cache: 'force-cache', credentials: 'same-origin' });
        } catch (e) {
            return { problem: String(e), readable: false };
        }
        if (!response.ok)
            return { problem: 'HTTP status ' + response.status, readable: true };
        const type = response.headers.get('content-type') || '';
        const blob = Number(response.headers.get('content-length')) > limit ? null
                                                                            : await read(response);
        if (!blob)
            return { problem: 'too large', readable: true };
        return { type, data: await base64(blob), readable: true };
    }

    new QWebChannel(qt.webChannelTransport, async channel => {
        const sink = channel.objects.resources;
        const queue = addresses.slice();
        // As many at once as a browser asks of one host.
        const workers = Array.from({ length: Math.min(6, queue.length) }, async () => {
            while (queue.length) {
                const address = queue.shift();
                let got;
                try {
                    got = await fetchOne(address);
                } catch (e) {
                    got = { problem: String(e), readable: true };
                }
                sink.take(request, address, got.type || '', got.data || '', got.problem || '',
                          got.readable);
            }
        });
        await Promise.all(workers);
        sink.done(request);
    });
    return true;
})
