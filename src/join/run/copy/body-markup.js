// The loaded page's body markup, as it stands. Each page is copied once: an address that gave no
// new document (a download, an aborted load) leaves the page copied before, marked here.
(function () {
    if (window.vantrelCopied)
        return 'stale';
    window.vantrelCopied = true;
    return document.body ? { markup: document.body.innerHTML } : 'nobody';
})()
