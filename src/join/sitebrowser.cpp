#include "sitebrowser.h"

#include "core/apperror.h"
#include "enginepage.h"

#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

namespace {
// Page scripts that size themselves to the window see an ordinary desktop window.
constexpr QSize SiteViewport(1280, 720);
// Far longer than a run takes from one page's copy to the next address.
constexpr std::chrono::milliseconds RestAfter{2000};

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
    // The view gives the page its desktop-sized viewport. It is shown, so that pages see a visible,
    // live page (a hidden one is a background tab: no animation frames, throttled timers), but
    // inside this control, which lies outside the window's client area: the user never sees it,
    // and disabled, it never takes the keyboard.
    m_view = new QWebEngineView(this);
    m_view->setEnabled(false);
    m_view->setPage(&page);
    m_view->setGeometry(QRect(QPoint(0, 0), SiteViewport));
    m_view->show();
    if (isWindow())
        showOffScreen();
    // Once its page is copied and no next address follows (the run is over), the page rests as
    // a background tab: an animated page left visible would go on drawing while the program waits.
    m_rest.setSingleShot(true);
    m_rest.setInterval(RestAfter);
    connect(&m_rest, &QTimer::timeout, m_view, &QWidget::hide);
    m_lastLoad.watch(page);

    // A saved page in the list must not read the user's other files, nor send them anywhere.
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
}

void SiteBrowser::showOffScreen()
{
    // A site browser with no window around it (the command line's) becomes a window of its own
    // that is shown, so that its view is, but never put on any screen. Its native window is made
    // for the view's drawing from the start: made later, Qt would make it again and show it.
    setAttribute(Qt::WA_DontShowOnScreen);
    setAttribute(Qt::WA_QuitOnClose, false);
    winId();
    windowHandle()->setSurfaceType(QSurface::OpenGLSurface);
    show();
}

void SiteBrowser::navigate(const QString& address)
{
    // Resolved as an address bar would, with no current folder: an absolute path or a file:
    // address is a file, anything else a web address (never a file that happens to lie in the
    // folder the program was started from).
    const QUrl url = QUrl::fromUserInput(address);
    m_address = address;
    page();
    m_rest.stop();
    m_view->show();
    // A script address would run inside the page already there: it loads nothing.
    if (url.scheme() == QLatin1String("javascript"))
        return;
    // An address with a fragment that matches the current page's as the engine writes it (with a
    // trailing slash, without a default port, ...) would only scroll and never report a finished
    // load. Rather than copy the engine's rules and miss a case (and with it the page), every
    // address with a fragment goes through a blank page and loads anew.
    if (url.hasFragment()) {
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
    m_rest.start();
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
