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

class PageCopy;
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

    // A chain of next links (a Next request) walked as the join reaches each of its pages,
    // instead of before, so that each is loaded once: answers its start, the first page to join.
    // Throws AppError when the start is out of scope or found already.
    QString startChain(const FindRequest& request);
    // The copy the join takes the chain's pages with (copy, with more done): the chain's last
    // page so far, at position, also has its next link read, and the page it leads to is handed
    // to add() to be joined next (as find() would have it: in scope, once, up to --max-pages).
    std::unique_ptr<PageCopy> chainCopy(PageCopy& copy, int position,
                                        std::function<void(const QString&)> add);

private:
    class Found;
    class ChainCopy;
    // How a chain goes on from a page that has loaded: the page to add next, if any, or whether
    // the page led to one found already. Notes why the chain ends, when it does.
    struct ChainStep
    {
        QString next;
        bool leadsToFound = false;
    };
    ChainStep chainStep(Found& found, const QUrl& url, const QUrl& loaded, const QString& failure,
                        const QString& next);
    void endChain();

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
    std::unique_ptr<Found> m_live; // the chain walked as the join goes
    FindRequest m_liveRequest;
};

} // namespace join
