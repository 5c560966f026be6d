#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QPair>
#include <QString>
#include <QUrl>

#include <chrono>

class QWebEngineProfile;

namespace join {

// What a page must have done, beyond its load, before it is copied: for pages that show their
// reader more than their load event gives.
struct Readiness
{
    // Scrolled through to its end first, so that images that load only as they come into view
    // have loaded.
    bool scroll = false;
    // Its network quiet and its document unchanged for this long, so that what its scripts add
    // after the load is there. 0: not waited for.
    std::chrono::milliseconds settle{0};
    // Its own typesetters and diagram renderers done (math, diagrams), for copies that stand on
    // their own. The faithful copy, the window's, is taken as its load left the page.
    bool renderers = false;

    bool any() const { return scroll || settle.count() > 0; }
};

// How a run's site browsers present themselves and read their pages, as the user asks: set once
// per run, on the profile they share and on each of them.
struct SiteSetup
{
    // In the profile's store before the first page loads. A cookie whose domain starts with a dot
    // is sent to the domain's hosts as well; any other only to its host.
    QList<QNetworkCookie> cookies;
    // Sent with every request the pages make to the origins of the listed addresses; a Referer
    // only with each page's own (see RequestHeaders).
    QList<QPair<QByteArray, QByteArray>> headers;
    QList<QUrl> listed; // the addresses to join
    QString userAgent;  // empty: the engine's own
    Readiness readiness;
};

// Gives the run's profile the setup's user agent, headers and cookies. Returns once the store
// has taken or refused every cookie, so that the first page is sent them, with the number it
// refused. A saved profile keeps the cookies for later runs; an off-the-record one writes
// nothing of them to disk.
int prepareProfile(QWebEngineProfile& profile, const SiteSetup& setup);

} // namespace join
