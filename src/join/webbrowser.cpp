#include "webbrowser.h"

#include "app/shared/apperror.h"
#include "enginepage.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <memory>

namespace {
// Page scripts that size themselves to the window see an ordinary desktop window.
constexpr QSize SiteViewport(1280, 720);
// How long a stopped load may take to report that it has stopped.
constexpr std::chrono::milliseconds StopGrace(5000);

// Lets the result page fetch nothing at all.
class AboutAndDataOnly : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String("about") && scheme != QLatin1String("data"))
            info.block(true);
    }
};

// Runs the event loop until `done` says so or the bound passes.
template <class Done>
void runEventLoopUntil(QEventLoop& loop, Done&& done, std::chrono::milliseconds bound)
{
    if (done())
        return;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(bound);
    while (!done() && timer.isActive())
        loop.exec();
}
} // namespace

WebBrowser::WebBrowser(Role role, QWidget* parent) : QWidget(parent), m_role(role)
{
    // Reachable with Tab like the control it stands for.
    setFocusPolicy(Qt::TabFocus);
}

WebBrowser::~WebBrowser()
{
    // Pages must go before their profile.
    delete m_view;
    delete m_page;
    delete m_profile;
}

EnginePage* WebBrowser::page()
{
    if (!m_page)
        startEngine();
    return m_page;
}

void WebBrowser::startEngine()
{
    // A private, off-the-record profile: nothing of the user's browsing is used or left behind.
    m_profile = new QWebEngineProfile;
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });

    m_page = new EnginePage(m_profile);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);

    if (m_role == Role::Result) {
        // Set before the first load: the joined document is data, never a live page.
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
        m_page->setUrlRequestInterceptor(new AboutAndDataOnly(m_page));
    } else {
        // The view gives the page its desktop-sized viewport. It stays hidden, so the page loads
        // like a background tab: laid out at desktop size, never painted, and never costing the
        // window's thread a frame.
        m_view = new QWebEngineView(this);
        m_view->setFocusPolicy(Qt::NoFocus);
        m_view->setPage(m_page);
        m_view->setGeometry(QRect(QPoint(0, 0), SiteViewport));
        m_view->hide();
    }

    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_loading = true; });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_loading = false;
        emit loadCompleted(ok);
    });
}

void WebBrowser::navigate(const QString& address)
{
    EnginePage* engine = page();
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    // A script address would run inside the page already there: it loads nothing.
    if (url.scheme() == QLatin1String("javascript"))
        return;
    // A new fragment on the current address would only scroll the current document and never
    // report a finished load; go through a blank page so that the address loads anew.
    if (url.hasFragment() &&
        url.adjusted(QUrl::RemoveFragment) == engine->url().adjusted(QUrl::RemoveFragment)) {
        m_loading = true;
        engine->load(QUrl(QStringLiteral("about:blank")));
        waitUntilComplete(StopGrace);
    }
    m_loading = true;
    engine->load(url);
}

void WebBrowser::waitUntilComplete(std::chrono::milliseconds bound)
{
    QEventLoop loop;
    const auto finished = connect(this, &WebBrowser::loadCompleted, &loop, &QEventLoop::quit);
    runEventLoopUntil(
        loop, [this] { return !m_loading; }, bound);
    if (m_loading) {
        m_page->triggerAction(QWebEnginePage::Stop);
        runEventLoopUntil(
            loop, [this] { return !m_loading; }, StopGrace);
        m_loading = false;
    }
    disconnect(finished);
}

QVariant WebBrowser::evaluate(const QString& script, std::chrono::milliseconds bound)
{
    // Shared with the callback, which may still arrive after a wait that gave up.
    struct Outcome
    {
        bool done = false;
        QVariant value;
        QPointer<QEventLoop> loop;
    };
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    outcome->loop = &loop;
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [outcome](const QVariant& value) {
                              outcome->done = true;
                              outcome->value = value;
                              if (outcome->loop)
                                  outcome->loop->quit();
                          });
    runEventLoopUntil(
        loop, [&] { return outcome->done; }, bound);
    if (!outcome->done)
        throw AppError(QStringLiteral("The browser did not answer in time"));
    return outcome->value;
}

void WebBrowser::evaluateLater(const QString& script, std::function<void(const QVariant&)> done)
{
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
}
