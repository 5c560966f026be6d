// Readies a part of the joined document for print, given { marker, sheets, zoom, sheetHeight }:
// each joined page starts on a sheet of its own, drawn at the zoom's scale, and the printing waits until every font and image is ready
// (answered by window.vantrelReadyForPrint turning true). Backgrounds print by the page's settings.
// A box laid out inline (the look keeps side by side what stood so) that holds more than a sheet
// is a block in print: a line's box is never broken between sheets, and one taller than a sheet
// would be sliced, its lines cut at the sheet's foot and drawn again on the next.
//
// The engine writes where it printed each element that something in the document links to (a
// named destination). A hidden list of links to every element with an id gives each one, for the
// links of other parts and the outline; a link to an element of another part becomes a web link to
// marker and the element's id, made a link to its destination once the parts are merged. With
// sheets ({ p3: 12 }), the contents list shows the sheet each page starts on.
(function (settings) {
    const style = document.createElement('style');
    style.textContent =
        '[data-source] { break-before: page; }' +
        '#contents li { display: flex; gap: 1em; }' +
        '#contents .vantrel-sheet { margin-left: auto; }';
    (document.head || document.documentElement).appendChild(style);
    if (settings.zoom && settings.zoom !== 1)
        document.documentElement.style.zoom = String(settings.zoom);
    if (settings.sheetHeight > 0) {
        const sheet = settings.sheetHeight / (settings.zoom || 1);
        const tall = [];
        for (const element of document.body ? document.body.querySelectorAll('*') : []) {
            if (element.offsetHeight > sheet && getComputedStyle(element).display === 'inline-block')
                tall.push(element);
        }
        for (const element of tall)
            element.style.setProperty('display', 'block', 'important');
    }
    if (settings.sheets) {
        for (const link of document.querySelectorAll('#contents li > a[href^="#"]')) {
            const sheet = document.createElement('span');
            sheet.className = 'vantrel-sheet';
            sheet.textContent = settings.sheets[link.getAttribute('href').slice(1)] || '';
            link.after(sheet);
        }
    }
    for (const link of document.querySelectorAll('a[href^="#"]')) {
        let id = link.getAttribute('href').slice(1);
        try {
            id = decodeURIComponent(id);
        } catch (e) {
            // kept as written
        }
        if (id && !document.getElementById(id))
            link.setAttribute('href', settings.marker + encodeURIComponent(id));
    }
    const targets = document.createElement('nav');
    targets.style.display = 'none';
    for (const element of document.querySelectorAll('[id]')) {
        const link = document.createElement('a');
        link.setAttribute('href', '#' + encodeURIComponent(element.id));
        targets.appendChild(link);
    }
    (document.body || document.documentElement).appendChild(targets);

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
})
