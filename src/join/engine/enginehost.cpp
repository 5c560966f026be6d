#include "enginehost.h"

#include "core/apperror.h"
#include "enginepage.h"
#include "eventwait.h"

#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {
using join::runEventLoopUntil;

// Ends a process of ours at once; false where that cannot be done.
bool killProcess(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

// The memory a process of ours holds in RAM, in bytes; -1 where that cannot be told.
qint64 residentBytes(qint64 pid)
{
#ifdef Q_OS_LINUX
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (pid <= 0 || !statm.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const qint64 pages = statm.readLine(64).split(' ').value(1).toLongLong(&ok);
    return ok ? pages * ::sysconf(_SC_PAGESIZE) : -1;
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

// How often a page's renderer is weighed: a page that grows without end (a body that never
// ends, a script that fills memory) takes a few hundred megabytes a second.
constexpr std::chrono::milliseconds WeighEvery{250};

// Every host alive, to tell whether a renderer serves one of them alone.
QList<const EngineHost*> liveHosts;

constexpr int HttpCacheBytes = 8 * 1024 * 1024;
// What a saved profile keeps of the sites' pages for the next run: a book of several hundred
// pages with their images.
constexpr int SavedHttpCacheBytes = 512 * 1024 * 1024;

void refuseDownloads(QWebEngineProfile* profile)
{
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
}

QString terminationCause(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    const char* how = status == QWebEnginePage::KilledTerminationStatus     ? "was killed"
                      : status == QWebEnginePage::CrashedTerminationStatus  ? "crashed"
                      : status == QWebEnginePage::AbnormalTerminationStatus ? "ended abnormally"
                                                                            : "ended";
    return QStringLiteral("the browser process that rendered it %1 (exit code %2)")
        .arg(QLatin1String(how))
        .arg(exitCode);
}
} // namespace

EngineHost::EngineHost(QWidget* parent, QWebEngineProfile* sharedProfile)
    : QWidget(parent), m_sharedProfile(sharedProfile)
{
    // Reachable with Tab like the control it stands for.
    setFocusPolicy(Qt::TabFocus);
    liveHosts.append(this);
}

EngineHost::~EngineHost()
{
    liveHosts.removeOne(this);
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
    // Enough for what the pages of one site share (style sheets, scripts, fonts, images); left to
    // the engine, the cache would take up to 50 MB of pages that are never shown again.
    profile->setHttpCacheMaximumSize(HttpCacheBytes);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    refuseDownloads(profile);
    return profile;
}

QWebEngineProfile* EngineHost::createSavedProfile(const QString& folder, QObject* parent)
{
    // A storage name is what makes a profile keep anything; the paths put all of it in folder.
    auto* profile = new QWebEngineProfile(QStringLiteral("saved"), parent);
    profile->setPersistentStoragePath(folder);
    profile->setCachePath(folder + QStringLiteral("/cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setHttpCacheMaximumSize(SavedHttpCacheBytes);
    // Most sign-ins set cookies without an expiry, meant to last as long as the browser runs:
    // here, until the next run.
    profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    refuseDownloads(profile);
    return profile;
}

void EngineHost::startEngine()
{
    m_profile = m_sharedProfile ? m_sharedProfile : createPrivateProfile();
    // A child of this control, found among its children; still deleted before the profile.
    m_page = new EnginePage(m_profile, this);
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
    // A renderer that ends takes the page's document with it: no load will finish and no script
    // will answer, so every wait ends at once.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                m_rendererLoss =
                    m_overBound.isEmpty() ? terminationCause(status, exitCode) : m_overBound;
                m_loading = false;
                emit rendererEnded();
            });
}

void EngineHost::load(const QUrl& url)
{
    EnginePage* engine = page();
    m_loading = true;
    // A new load starts a fresh renderer where the last one has ended.
    m_rendererLoss.clear();
    m_overBound.clear();
    engine->load(url);
}

bool EngineHost::waitUntilComplete(std::chrono::milliseconds bound)
{
    QEventLoop loop;
    const auto finished = connect(this, &EngineHost::loadCompleted, &loop, &QEventLoop::quit);
    const auto ended = connect(this, &EngineHost::rendererEnded, &loop, &QEventLoop::quit);
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
    disconnect(ended);
    return finishedInTime;
}

void EngineHost::waitUntilAnyComplete(const QList<EngineHost*>& hosts,
                                      std::chrono::milliseconds bound)
{
    QEventLoop loop;
    QList<QMetaObject::Connection> connections;
    for (EngineHost* host : hosts) {
        connections << connect(host, &EngineHost::loadCompleted, &loop, &QEventLoop::quit)
                    << connect(host, &EngineHost::rendererEnded, &loop, &QEventLoop::quit);
    }
    runEventLoopUntil(
        loop,
        [&] {
            return std::any_of(hosts.begin(), hosts.end(),
                               [](const EngineHost* host) { return !host->isLoading(); });
        },
        bound);
    for (const auto& connection : std::as_const(connections))
        disconnect(connection);
}

void EngineHost::boundRenderer()
{
    auto* weighing = new QTimer(m_page);
    connect(weighing, &QTimer::timeout, this, [this] {
        const qint64 renderer = m_page->renderProcessPid();
        if (m_overBound.isEmpty() && m_rendererLoss.isEmpty() &&
            residentBytes(renderer) > s_rendererBytes && killProcess(renderer))
            m_overBound = QStringLiteral("the page took more than %1 MB of memory")
                              .arg(s_rendererBytes / (1024 * 1024));
    });
    weighing->start(WeighEvery);
}

void EngineHost::endRenderer()
{
    if (!m_page || !m_rendererLoss.isEmpty() || !killProcess(m_page->renderProcessPid()))
        return;
    QEventLoop loop;
    const auto ended = connect(this, &EngineHost::rendererEnded, &loop, &QEventLoop::quit);
    runEventLoopUntil(
        loop, [this] { return !m_rendererLoss.isEmpty(); }, StopGrace);
    disconnect(ended);
}

bool EngineHost::endRendererOfThisAlone()
{
    if (!m_page || !m_rendererLoss.isEmpty())
        return false;
    const qint64 renderer = m_page->renderProcessPid();
    if (renderer <= 0 ||
        std::any_of(liveHosts.begin(), liveHosts.end(), [&](const EngineHost* host) {
            return host != this && host->m_page && host->m_page->renderProcessPid() == renderer;
        }))
        return false;
    endRenderer();
    return !m_rendererLoss.isEmpty();
}

QVariant EngineHost::evaluate(const QString& script, std::chrono::milliseconds bound)
{
    const auto throwIfRendererEnded = [this] {
        if (!m_rendererLoss.isEmpty())
            throw AppError(QStringLiteral("The browser page is gone: ") + m_rendererLoss);
    };
    throwIfRendererEnded();
    EnginePage* engine = page();
    const std::optional<QVariant> answer = join::waitForCallback<QVariant>(
        [&](std::function<void(const QVariant&)> done) {
            engine->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
        },
        bound, this, &EngineHost::rendererEnded);
    if (!answer) {
        throwIfRendererEnded();
        throw AppError(QStringLiteral("The browser did not answer in time"));
    }
    return *answer;
}

void EngineHost::setWebChannel(QWebChannel* channel)
{
    page()->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
}

void EngineHost::evaluateLater(const QString& script, std::function<void(const QVariant&)> done)
{
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
}

void EngineHost::evaluateInPageWorldLater(const QString& script)
{
    page()->runJavaScript(script, QWebEngineScript::MainWorld);
}
