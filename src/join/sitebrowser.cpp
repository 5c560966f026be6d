#include "sitebrowser.h"

#include "core/apperror.h"
#include "enginepage.h"

#include <QDir>
#include <QWebEngineView>

namespace {
// Page scripts that size themselves to the window see an ordinary desktop window.
constexpr QSize SiteViewport(1280, 720);

const QString MarkAsCopied = QStringLiteral("window.vantrelCopied = true");
const QString ReadBodyMarkup =
    QStringLiteral("(function () {"
                   "  if (window.vantrelCopied) return 'stale';"
                   "  window.vantrelCopied = true;"
                   "  return document.body ? { markup: document.body.innerHTML } : 'nobody';"
                   "})()");
} // namespace

SiteBrowser::~SiteBrowser()
{
    // The view goes before the page it shows.
    delete m_view;
}

void SiteBrowser::configure(EnginePage& page)
{
    // The view gives the page its desktop-sized viewport. It stays hidden, so the page loads
    // like a background tab: laid out at desktop size, never painted, and never costing the
    // window's thread a frame.
    m_view = new QWebEngineView(this);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setPage(&page);
    m_view->setGeometry(QRect(QPoint(0, 0), SiteViewport));
    m_view->hide();
    m_lastLoad.watch(page);
}

void SiteBrowser::navigate(const QString& address)
{
    EnginePage* engine = page();
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    m_address = address;
    // A script address would run inside the page already there: it loads nothing.
    if (url.scheme() == QLatin1String("javascript"))
        return;
    // A new fragment on the current address would only scroll the current document and never
    // report a finished load; go through a blank page so that the address loads anew.
    if (url.hasFragment() &&
        url.adjusted(QUrl::RemoveFragment) == engine->url().adjusted(QUrl::RemoveFragment)) {
        load(QUrl(QStringLiteral("about:blank")));
        waitUntilComplete(StopGrace);
    }
    load(url);
}

void SiteBrowser::markCurrentPageCopied(std::chrono::milliseconds bound)
{
    // A page whose renderer has ended is gone already.
    if (!rendererLoss().isEmpty())
        return;
    evaluate(MarkAsCopied, bound);
}

QString SiteBrowser::readBodyMarkup(std::chrono::milliseconds bound)
{
    QVariant answer;
    try {
        answer = evaluate(ReadBodyMarkup, bound);
    } catch (const AppError&) {
        // A renderer that ended is reported with the page it took along.
        if (!rendererLoss().isEmpty())
            throw AppError(
                QStringLiteral("%1 could not be copied: %2").arg(m_address, rendererLoss()));
        throw;
    }
    if (answer.toString() == QLatin1String("stale"))
        throw AppError(QStringLiteral("The address gave no new page to copy"));
    const QVariantMap page = answer.toMap();
    if (!page.contains(QStringLiteral("markup")))
        throw AppError(91, QStringLiteral("The page has no body to copy"));
    return page.value(QStringLiteral("markup")).toString();
}
