// Readies the joined document for print: each joined page starts on a sheet of its own, and the
// printing waits until every font and image is ready (answered by window.vantrelReadyForPrint
// turning true). Backgrounds print by the page's settings.
(function () {
    const style = document.createElement('style');
    style.textContent =
        '[data-source] { break-before: page; }';
    (document.head || document.documentElement).appendChild(style);
    window.vantrelReadyForPrint = false;
    // Loaded, not decoded: decode() waits for a compositor, and a page printed without a view has
    // none at work, so it would never answer. Printing decodes what it draws.
    const images = Array.from(document.images, (image) => image.complete ? null : new Promise(
        (done) => {
            image.addEventListener('load', done, { once: true });
            image.addEventListener('error', done, { once: true });
        }));
    Promise.all([document.fonts.ready].concat(images))
        .finally(() => { window.vantrelReadyForPrint = true; });
    return true;
})()
