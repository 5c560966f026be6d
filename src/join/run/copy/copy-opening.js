// The opening every copy script shares, joined in front of each when it is built. Each page is
// copied once: an address that gave no new document (a download, an aborted load) leaves the page
// copied before, marked here, or the blank page a copied page is left for (so it needs no script of
// its own to be marked). Only a document with a body has anything to copy. Answers what the copy
// answers instead ('stale', 'nobody'), or '' when the copy goes ahead.
function vantrelCopyRefusal() {
    if (window.vantrelCopied || location.href === 'about:blank#vantrel-left')
        return 'stale';
    window.vantrelCopied = true;
    return document.body ? '' : 'nobody';
}
