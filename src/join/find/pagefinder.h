#pragma once

#include "join/site/sitesetup.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class QWebEngineProfile;
class SiteBrowser;

namespace join {

class PageScope;

// One way to find pages to join, as the command line names it.
struct FindRequest
{
    enum class Kind {
        LinksOf, // the links of a contents page (within selector, when given)
        Sitemap, // the pages of a sitemap, or of the sitemaps of a sitemap index
        Next,    // a start page, then the page its next link (selector) leads to, and so on
    };
    Kind kind = Kind::LinksOf;
    QString address;
    QString selector;
};

// What every request keeps to.
struct FindSettings
{
    QStringList within;    // the prefixes of addresses that may join; none: the start's folder
    int maxPages = 1000;   // per request, its contents or start page included
    bool withStart = true; // a contents page is itself the first page
    SiteSetup site;        // the pages are loaded as the join loads them
    // The run's saved profile, which the finder shares: it loads pages of the same site, signed
    // in as the join is. None: a private one of its own.
    QWebEngineProfile* profile = nullptr;
    std::chrono::milliseconds pageBound{60000};
};

// Finds the pages a request leads to, in reading order: in scope, once each across all requests
// (compared without fragments, a loaded page by where it ended too). Pages are loaded in a site
// browser of its own; out of scope, nothing is loaded. Notes (a list cut short, a chain that
// loops) go to note().
class PageFinder
{
public:
    PageFinder(FindSettings settings, std::function<void(const QString&)> note);
    ~PageFinder();

    // The addresses the request yields. Throws AppError saying which request failed and why when
    // its page or sitemap cannot be read, or it yields no address in scope.
    QStringList find(const FindRequest& request);

private:
    class Found;

    void linksOf(const FindRequest& request, Found& found);
    void sitemap(const FindRequest& request, Found& found);
    void nextChain(const FindRequest& request, Found& found);
    // Loads url and answers what script (a copy-like script, called with argument) gives there;
    // loaded is where the load ended. Throws AppError when the page gives nothing.
    QString readPage(const QUrl& url, const QString& script, const QString& argument, QUrl& loaded);

    FindSettings m_settings;
    std::function<void(const QString&)> m_note;
    QSet<QString> m_seen;
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<SiteBrowser> m_browser;
};

} // namespace join
