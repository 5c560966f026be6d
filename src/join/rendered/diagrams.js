// Notes each diagram a diagram renderer drew in the page, right before its look and its copy:
// its element gets data-vantrel-diagram (the diagram's language) and, where the page's source was
// seen before the renderer replaced it, data-vantrel-source (the readiness probes kept it).
(function () {
    document.dispatchEvent(new Event('vantrel-diagram-sources'));
    for (const element of document.querySelectorAll('.mermaid')) {
        if (element.querySelector('svg'))
            element.setAttribute('data-vantrel-diagram', 'mermaid');
    }
})();
