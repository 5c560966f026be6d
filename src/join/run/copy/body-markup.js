// The loaded page's body markup, as it stands.
(function () {
    return vantrelCopyRefusal() || { markup: document.body.innerHTML };
})()
