#include "pagefinder.h"

#include "core/apperror.h"
#include "core/jsontext.h"
#include "join/engine/resourcetext.h"
#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "pagescope.h"
#include "sitemap.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEngineProfile>

namespace join {

// The pages one request has found so far, in order.
class PageFinder::Found
{
public:
    enum Taken { Added, OutOfScope, Seen, Full };

    Found(QSet<QString>& seen, const PageScope& scope, int maxPages)
        : m_seen(seen), m_scope(scope), m_maxPages(maxPages)
    {
    }

    Taken add(const QUrl& url)
    {
        if (!m_scope.contains(url)) {
            // Only what could be a page is worth a word (not mailto: or javascript:).
            if (url.scheme().startsWith(QLatin1String("http")) || url.isLocalFile())
                m_outside.insert(pageKey(url));
            return OutOfScope;
        }
        if (m_seen.contains(pageKey(url)))
            return Seen;
        if (pages.size() >= m_maxPages) {
            cut = true;
            return Full;
        }
        m_seen.insert(pageKey(url));
        pages.append(url.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded));
        return Added;
    }
    // Another address of a page found already; false when it names one found before that.
    bool alsoNamed(const QUrl& url)
    {
        if (m_seen.contains(pageKey(url)))
            return false;
        m_seen.insert(pageKey(url));
        return true;
    }

    // The pages left out of scope, as a line says it: how many, and the --within that would
    // keep those on the start's site (which a prefix holding the start's folder and them all
    // does). Empty when none was.
    QString leftOut(const QUrl& start, const QString& what) const
    {
        if (m_outside.isEmpty())
            return {};
        const QString root = pageKey(start.adjusted(QUrl::RemovePath | QUrl::RemoveQuery)) + '/';
        QString common = pageKey(start.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery));
        qsizetype onSite = 0;
        for (const QString& key : m_outside) {
            if (!key.startsWith(root))
                continue;
            ++onSite;
            qsizetype same = 0;
            while (same < common.size() && same < key.size() && common[same] == key[same])
                ++same;
            common.truncate(same);
        }
        common.truncate(common.lastIndexOf(QLatin1Char('/')) + 1);
        const qsizetype elsewhere = m_outside.size() - onSite;
        QString line = QStringLiteral("%1 %2 outside %3 left out")
                           .arg(m_outside.size())
                           .arg(what, m_scope.text());
        if (elsewhere > 0 && onSite > 0)
            line += QStringLiteral(" (%1 to other sites)").arg(elsewhere);
        if (onSite == 0)
            return line + QStringLiteral(", all to other sites");
        return line + (elsewhere > 0
                           ? QStringLiteral("; --within %1 would keep the %2 on this site")
                                 .arg(common)
                                 .arg(onSite)
                           : QStringLiteral("; --within %1 would keep them").arg(common));
    }

    QStringList pages;
    bool cut = false; // the list is full and pages were left out

private:
    QSet<QString> m_outside;
    QSet<QString>& m_seen;
    PageScope m_scope;
    int m_maxPages;
};

PageFinder::PageFinder(FindSettings settings, std::function<void(const QString&)> note)
    : m_settings(std::move(settings)), m_note(std::move(note))
{
}

PageFinder::~PageFinder()
{
    // The page goes before the profile it uses.
    m_browser.reset();
}

QStringList PageFinder::find(const FindRequest& request)
{
    const QUrl start = QUrl::fromUserInput(request.address);
    const QString named = request.kind == FindRequest::Kind::LinksOf ? QStringLiteral("--links-of")
                          : request.kind == FindRequest::Kind::Sitemap ? QStringLiteral("--sitemap")
                                                                       : QStringLiteral("--next");
    const PageScope scope(start, m_settings.within);
    Found found(m_seen, scope, m_settings.maxPages);
    try {
        switch (request.kind) {
        case FindRequest::Kind::LinksOf:
            linksOf(request, found);
            break;
        case FindRequest::Kind::Sitemap:
            sitemap(request, found);
            break;
        case FindRequest::Kind::Next:
            nextChain(request, found);
            break;
        }
    } catch (const AppError& error) {
        throw AppError(
            QStringLiteral("%1 %2: %3").arg(named, request.address, error.description()));
    }
    // A chain says where it left its scope already.
    const QString leftOut = request.kind == FindRequest::Kind::Next
                                ? QString()
                                : found.leftOut(start, request.kind == FindRequest::Kind::LinksOf
                                                           ? QStringLiteral("links")
                                                           : QStringLiteral("addresses"));
    if (found.pages.isEmpty())
        throw AppError(
            QStringLiteral("%1 %2: no address within %3%4")
                .arg(named, request.address, scope.text(),
                     leftOut.isEmpty() ? QString() : QStringLiteral(" (") + leftOut + ')'));
    if (!leftOut.isEmpty())
        m_note(QStringLiteral("%1 %2: %3").arg(named, request.address, leftOut));
    if (found.cut)
        m_note(QStringLiteral("%1 %2: the list ends at %3 pages (--max-pages)")
                   .arg(named, request.address)
                   .arg(found.pages.size()));
    return found.pages;
}

void PageFinder::linksOf(const FindRequest& request, Found& found)
{
    const QUrl start = QUrl::fromUserInput(request.address);
    QUrl loaded;
    const QString links =
        readPage(start, QStringLiteral(":/join/links/contents-links.js"), request.selector, loaded);
    if (m_settings.withStart)
        found.add(start);
    found.alsoNamed(start);
    found.alsoNamed(loaded);
    for (const QJsonValue& link : QJsonDocument::fromJson(links.toUtf8()).array()) {
        if (found.add(QUrl(link.toString())) == Found::Full)
            break;
    }
}

void PageFinder::sitemap(const FindRequest& request, Found& found)
{
    const QUrl address = QUrl::fromUserInput(request.address);
    const Sitemap map = loadSitemap(address, m_settings.site, m_settings.pageBound);
    for (const QString& location : map.locations) {
        const QUrl url = address.resolved(QUrl(location));
        if (!map.isIndex) {
            if (found.add(url) == Found::Full)
                return;
            continue;
        }
        // An index lists sitemaps; a sitemap it lists is read, an index it lists is not.
        Sitemap inner;
        try {
            inner = loadSitemap(url, m_settings.site, m_settings.pageBound);
        } catch (const AppError& error) {
            throw AppError(
                QStringLiteral("its sitemap %1: %2").arg(url.toString(), error.description()));
        }
        if (inner.isIndex)
            continue;
        // Once the list is full, no more sitemaps are read.
        for (const QString& page : std::as_const(inner.locations)) {
            if (found.add(url.resolved(QUrl(page))) == Found::Full)
                return;
        }
    }
}

void PageFinder::nextChain(const FindRequest& request, Found& found)
{
    QUrl url = QUrl::fromUserInput(request.address);
    if (found.add(url) != Found::Added)
        return;
    for (;;) {
        QUrl loaded;
        QString next;
        QString failure;
        try {
            next = readPage(url, QStringLiteral(":/join/links/next-link.js"), request.selector,
                            loaded);
        } catch (const AppError& error) {
            if (found.pages.size() == 1)
                throw;
            // The join names the page as failed.
            failure = error.description();
        }
        const ChainStep step = chainStep(found, url, loaded, failure, next);
        if (step.leadsToFound)
            found.pages.removeLast();
        if (step.next.isEmpty())
            return;
        url = QUrl(step.next);
    }
}

PageFinder::ChainStep PageFinder::chainStep(Found& found, const QUrl& url, const QUrl& loaded,
                                            const QString& failure, const QString& next)
{
    const QString address = url.toString();
    if (!failure.isEmpty()) {
        m_note(QStringLiteral("--next: %1: %2: the chain ends there").arg(address, failure));
        return {};
    }
    if (pageKey(loaded) != pageKey(url) && !found.alsoNamed(loaded)) {
        m_note(QStringLiteral("--next: %1 leads to %2, found already: the chain ends there")
                   .arg(address, loaded.toString()));
        return {{}, true};
    }
    if (next.isEmpty())
        return {};
    const QUrl nextUrl(next);
    switch (found.add(nextUrl)) {
    case Found::Added:
        return {found.pages.last(), false};
    case Found::Seen:
        m_note(QStringLiteral("--next: %1 leads back to %2, found already: the chain ends there")
                   .arg(address, nextUrl.toString()));
        break;
    case Found::OutOfScope:
        m_note(QStringLiteral("--next: %1 leads out of scope, to %2: the chain ends there")
                   .arg(address, nextUrl.toString()));
        break;
    case Found::Full:
        break; // said once the chain is over
    }
    return {};
}

// The copy of a chain's pages for the join: the chain's last page so far also has its next link
// read, before anything else runs in it (a content rule may take the link away), and the page
// it leads to goes on the chain.
class PageFinder::ChainCopy : public PageCopy
{
public:
    ChainCopy(PageFinder& finder, PageCopy& copy, int position,
              std::function<void(const QString&)> add)
        : PageCopy(copy.script()), m_finder(finder), m_copy(copy), m_last(position),
          m_add(std::move(add)),
          m_peek(resourceText(QStringLiteral(":/join/links/next-link.js")) + QLatin1Char('(') +
                 jsonText(finder.m_liveRequest.selector) + QStringLiteral(", true)"))
    {
    }

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override
    {
        if (position != m_last)
            return m_copy.copyFrom(site, position, bound);
        auto next = std::make_shared<QString>();
        site.evaluateLater(m_peek, [next](const QVariant& answer) {
            *next = answer.toMap().value(QStringLiteral("markup")).toString();
        });
        const QUrl url = QUrl::fromUserInput(m_finder.m_live->pages.last());
        QString text;
        try {
            text = m_copy.copyFrom(site, position, bound);
        } catch (const AppError& error) {
            m_finder.chainStep(*m_finder.m_live, url, {}, error.description(), {});
            m_finder.endChain();
            throw;
        }
        const ChainStep step =
            m_finder.chainStep(*m_finder.m_live, url, site.loadedUrl(), site.loadFailure(), *next);
        if (step.next.isEmpty()) {
            m_finder.endChain();
        } else {
            ++m_last;
            m_add(step.next);
        }
        return text;
    }

private:
    PageFinder& m_finder;
    PageCopy& m_copy;
    int m_last; // the position of the chain's last page so far
    std::function<void(const QString&)> m_add;
    QString m_peek;
};

QString PageFinder::startChain(const FindRequest& request)
{
    m_liveRequest = request;
    // The join loads the chain's pages in its own site browsers.
    m_browser.reset();
    m_profile.reset();
    const QUrl start = QUrl::fromUserInput(request.address);
    const PageScope scope(start, m_settings.within);
    m_live = std::make_unique<Found>(m_seen, scope, m_settings.maxPages);
    if (m_live->add(start) != Found::Added)
        throw AppError(
            QStringLiteral("--next %1: no address within %2").arg(request.address, scope.text()));
    return m_live->pages.last();
}

std::unique_ptr<PageCopy> PageFinder::chainCopy(PageCopy& copy, int position,
                                                std::function<void(const QString&)> add)
{
    return std::make_unique<ChainCopy>(*this, copy, position, std::move(add));
}

void PageFinder::endChain()
{
    if (m_live && m_live->cut)
        m_note(QStringLiteral("--next %1: the list ends at %2 pages (--max-pages)")
                   .arg(m_liveRequest.address)
                   .arg(m_live->pages.size()));
}

QString PageFinder::readPage(const QUrl& url, const QString& script, const QString& argument,
                             QUrl& loaded)
{
    if (!m_browser) {
        QWebEngineProfile* profile = m_settings.profile;
        if (!profile) {
            m_profile.reset(EngineHost::createPrivateProfile());
            profile = m_profile.get();
        }
        prepareProfile(*profile, m_settings.site);
        m_browser = std::make_unique<SiteBrowser>(nullptr, profile);
        m_browser->setReadiness(m_settings.site.readiness, m_settings.pageBound);
        m_browser->markCurrentPageCopied(m_settings.pageBound);
    }
    m_browser->navigate(url.toString(QUrl::FullyEncoded));
    m_browser->waitUntilComplete(m_settings.pageBound);
    const QString text = m_browser->copyPage(resourceText(script) + QLatin1Char('(') +
                                                 jsonText(argument) + QLatin1Char(')'),
                                             m_settings.pageBound);
    m_browser->waitUntilComplete(m_settings.pageBound);
    if (const QString failure = m_browser->loadFailure(); !failure.isEmpty())
        throw AppError(failure);
    loaded = m_browser->loadedUrl();
    return text;
}

} // namespace join
