#include "sitebrowser.h"

#include "core/apperror.h"
#include "core/webaddress.h"
#include "join/engine/enginepage.h"
#include "join/engine/eventwait.h"
#include "localfiles.h"
#include "pagereadiness.h"
#include "sitesetup.h"

#include <QEventLoop>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

namespace {
// Page scripts that size themselves to the window see an ordinary desktop window.
constexpr QSize SiteViewport(1280, 720);
// Far longer than a run takes from one page's copy to the next address.
constexpr std::chrono::milliseconds RestAfter{2000};
// How long the engine may take to tell that a cancelled load was a download.
constexpr std::chrono::milliseconds DownloadNotice{1000};
// How long a renderer may take to answer a trivial script before it counts as held for good by
// the page's scripts.
constexpr std::chrono::milliseconds AnswerBound{2000};

// A renderer that has served this many pages is renewed at the blank page between two of them:
// a long run's site renderer keeps growing with what earlier pages left in its heaps, and a new
// one costs a process start and a blank load, once in so many pages.
constexpr int PagesPerRenderer = 50;

const QString MarkAsCopied = QStringLiteral("window.vantrelCopied = true");
// The blank page a copied page is left for, which the copy scripts take as copied already: an
// address that gives no new document (a download) must not have it copied in its place. No
// address in a list can be it (only about:blank itself is loaded).
const QString LeftPage = QStringLiteral("about:blank#vantrel-left");

// Why an address is not loaded, empty when it is. The engine obeys its own debug addresses
// (chrome://kill, chrome://gpucrash, ...) when a load counts as typed, and its browser side runs
// in this process: only what a page can be is let through.
QString refusal(const QUrl& url)
{
    const QString scheme = url.scheme();
    if (isWebAddress(url) || scheme == QLatin1String("file") || scheme == QLatin1String("data") ||
        url == QUrl(QStringLiteral("about:blank")))
        return {};
    // A script address would run inside the page already there.
    return QStringLiteral("not loaded: only http, https, file and data addresses and about:blank "
                          "are pages");
}
} // namespace

SiteBrowser::SiteBrowser(QWidget* parent, QWebEngineProfile* sharedProfile)
    : EngineHost(parent, sharedProfile), m_readiness(new PageReadiness({}))
{
}

SiteBrowser::~SiteBrowser()
{
    // The view goes before the page it shows, and what watches the page before either.
    delete m_readiness;
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
    m_readiness->watch(page);
    boundRenderer();

    // A saved page in the list must not read the user's other files, nor send them anywhere: it
    // may reach local files (the engine's switch is all or nothing), and the page's own guard
    // lets through only its stylesheets and fonts.
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    page.setUrlRequestInterceptor(new LocalFiles(&page));
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Nothing shows a page's icon: fetching it would cost a request for every page.
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
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
    m_unanswered.clear();
    m_readyToCopy = false;
    if (const QString problem = refusal(url); !problem.isEmpty())
        throw AppError(problem);
    page();
    m_rest.stop();
    m_view->show();
    if (m_left) {
        m_left = false;
        reachBlankPage();
        if (++m_pagesOnRenderer >= PagesPerRenderer) {
            m_pagesOnRenderer = 0;
            renewRenderer();
        }
    }
    // An address with a fragment that matches the current page's as the engine writes it (with a
    // trailing slash, without a default port, ...) would only scroll and never report a finished
    // load. Rather than copy the engine's rules and miss a case (and with it the page), every
    // address with a fragment goes through a blank page and loads anew.
    if (url.hasFragment()) {
        load(QUrl(QStringLiteral("about:blank")));
        waitUntilComplete(StopGrace);
    }
    m_readiness->expectPage(m_pageBound);
    m_lastLoad.follow();
    // With a time in QT_MESSAGE_PATTERN, these lines time each step of a page's way.
    qCDebug(lcPage) << "loading:" << url;
    load(url);
}

void SiteBrowser::setReadiness(const join::Readiness& readiness,
                               std::chrono::milliseconds pageBound)
{
    delete m_readiness;
    m_readiness = new PageReadiness(readiness);
    m_pageBound = pageBound;
    if (engineStarted())
        m_readiness->watch(*page());
}

void SiteBrowser::markCurrentPageCopied(std::chrono::milliseconds bound)
{
    // A page whose renderer has ended is gone already.
    if (!rendererLoss().isEmpty())
        return;
    evaluate(MarkAsCopied, bound);
}

QString SiteBrowser::loadFailure()
{
    if (!m_unanswered.isEmpty())
        return m_unanswered;
    if (!overBound().isEmpty())
        return overBound();
    if (m_lastLoad.downloadMayFollow()) {
        QEventLoop loop;
        // Connected after the watch, so the watch has taken note when the loop ends.
        connect(page()->profile(), &QWebEngineProfile::downloadRequested, &loop, &QEventLoop::quit);
        join::runEventLoopUntil(
            loop, [this] { return !m_lastLoad.downloadMayFollow(); }, DownloadNotice);
    }
    return m_lastLoad.failure();
}

void SiteBrowser::leavePage()
{
    m_readiness->forgetPage();
    load(QUrl(LeftPage));
    m_left = true;
    qCDebug(lcPage) << "left";
}

void SiteBrowser::renewRenderer()
{
    // The blank page again, in the new renderer: a next address that gives no document (a
    // download) must leave a page the copy takes as copied, not an ended renderer.
    if (endRendererOfThisAlone())
        loadBlankPage();
}

void SiteBrowser::loadBlankPage()
{
    load(QUrl(LeftPage));
    waitUntilComplete(StopGrace);
}

void SiteBrowser::reachBlankPage()
{
    // A page held by its scripts on its way out (an unload handler that never ends) would hold
    // the next address of its site, which loads in the same renderer.
    if (!waitUntilComplete(StopGrace)) {
        endRenderer();
        loadBlankPage();
    }
}

void SiteBrowser::readyToCopy()
{
    if (m_readyToCopy)
        return;
    m_readiness->waitUntilReady();
    m_rest.start();
    // What is known of the load is what the copy shows, whatever the page loads from now on.
    m_lastLoad.keep();
    // Only a renderer held by a script for good fails to answer a trivial one at once; one that
    // answers may take the whole bound over a large page. Asked before the scripts that run
    // ahead of the copy, so that their time counts in the copy's bound, not in this one.
    runCopyScript(QStringLiteral("true"), AnswerBound);
    m_readyToCopy = true;
}

QString SiteBrowser::copyPage(const QString& copyScript, std::chrono::milliseconds bound)
{
    readyToCopy();
    m_readyToCopy = false;
    QString markup = markupIn(runCopyScript(copyScript, bound));
    qCDebug(lcPage) << "copied:" << markup.size() << "characters";
    return markup;
}

QVariant SiteBrowser::runCopyScript(const QString& script, std::chrono::milliseconds bound)
{
    try {
        return evaluate(script, bound);
    } catch (const AppError&) {
    }
    // A renderer that ended is reported with the page it took along.
    if (!rendererLoss().isEmpty())
        throw AppError(QStringLiteral("%1 could not be copied: %2").arg(m_address, rendererLoss()));
    // One that does not answer is busy for good, as far as a join can tell.
    endRenderer();
    m_unanswered = QStringLiteral("the page did not answer within %1 s (a script that never ends?)")
                       .arg(bound.count() / 1000.0);
    throw AppError(QStringLiteral("%1 could not be copied: %2").arg(m_address, m_unanswered));
}

QString SiteBrowser::markupIn(const QVariant& answer)
{
    if (answer.toString() == QLatin1String("stale"))
        throw AppError(QStringLiteral("The address gave no new page to copy"));
    if (answer.toString() == QLatin1String("nobody"))
        throw AppError(91, QStringLiteral("The page has no body to copy"));
    const QVariant markup = answer.toMap().value(QStringLiteral("markup"));
    // Anything else (a copy script that failed, or answered in another form) would pass for an
    // empty page.
    if (markup.typeId() != QMetaType::QString)
        throw AppError(QStringLiteral("The page's copy gave no markup"));
    return markup.toString();
}
