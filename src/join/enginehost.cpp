#include "enginehost.h"

#include "core/apperror.h"
#include "enginepage.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <memory>

namespace {
// Runs loop until done() says so or the bound passes.
void runEventLoopUntil(QEventLoop& loop, const std::function<bool()>& done,
                       std::chrono::milliseconds bound)
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

EngineHost::EngineHost(QWidget* parent, QWebEngineProfile* sharedProfile)
    : QWidget(parent), m_sharedProfile(sharedProfile)
{
    // Reachable with Tab like the control it stands for.
    setFocusPolicy(Qt::TabFocus);
}

EngineHost::~EngineHost()
{
    // A page must go before its profile (a view showing it is gone already).
    delete m_page;
    if (m_profile != m_sharedProfile)
        delete m_profile;
}

EnginePage* EngineHost::page()
{
    if (!m_page)
        startEngine();
    return m_page;
}

QWebEngineProfile* EngineHost::createPrivateProfile(QObject* parent)
{
    auto* profile = new QWebEngineProfile(parent);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    connect(profile, &QWebEngineProfile::downloadRequested, profile,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    return profile;
}

void EngineHost::startEngine()
{
    m_profile = m_sharedProfile ? m_sharedProfile : createPrivateProfile();
    m_page = new EnginePage(m_profile);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    configure(*m_page);

    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_loading = true; });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_loading = false;
        emit loadCompleted(ok);
    });
}

void EngineHost::load(const QUrl& url)
{
    EnginePage* engine = page();
    m_loading = true;
    engine->load(url);
}

bool EngineHost::waitUntilComplete(std::chrono::milliseconds bound)
{
    QEventLoop loop;
    const auto finished = connect(this, &EngineHost::loadCompleted, &loop, &QEventLoop::quit);
    runEventLoopUntil(
        loop, [this] { return !m_loading; }, bound);
    const bool finishedInTime = !m_loading;
    if (m_loading) {
        m_page->triggerAction(QWebEnginePage::Stop);
        runEventLoopUntil(
            loop, [this] { return !m_loading; }, StopGrace);
        m_loading = false;
    }
    disconnect(finished);
    return finishedInTime;
}

QVariant EngineHost::evaluate(const QString& script, std::chrono::milliseconds bound)
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

void EngineHost::evaluateLater(const QString& script, std::function<void(const QVariant&)> done)
{
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
}
