// Readies the joined document for print: each joined page starts on a sheet of its own,
// backgrounds print, and the printing waits until every font and image is ready (answered by
// window.vantrelReadyForPrint turning true).
(function () {
    const style = document.createElement('style');
    style.textContent =
        '[data-source] { break-before: page; }' +
        '* { -webkit-print-color-adjust: exact !important; print-color-adjust: exact !important; }';
    (document.head || document.documentElement).appendChild(style);
    window.vantrelReadyForPrint = false;
    const images = Array.from(document.images, (image) => image.decode().catch(() => null));
    Promise.all([document.fonts.ready].concat(images))
        .finally(() => { window.vantrelReadyForPrint = true; });
    return true;
})()
