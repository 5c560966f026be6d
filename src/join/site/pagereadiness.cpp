#include "pagereadiness.h"

#include "core/jsontext.h"
#include "join/engine/enginepage.h"
#include "join/engine/eventwait.h"
#include "join/engine/resourcetext.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <algorithm>

namespace {
// After each scroll step: how long no new image or request must start, and the longest wait for
// that (a page that polls the network all the time would otherwise stop at its first screen).
constexpr std::chrono::milliseconds StepQuiet{300};
constexpr std::chrono::milliseconds StepLimit{3000};
// The longest wait for a page's first frames: a page in a window that is not shown draws none.
constexpr std::chrono::milliseconds FrameLimit{500};
// How long past its bound a page may take to answer: one held by a script never does.
constexpr std::chrono::milliseconds ReportGrace{1000};

} // namespace

PageReadiness::PageReadiness(const join::Readiness& readiness)
    : m_readiness(readiness), m_token(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_script = QStringLiteral("(function (options) {\n%1\n%2\n%3\n%4\n%5\n})")
                   .arg(join::resourceText(QStringLiteral(":/join/ready/settle.js")),
                        join::resourceText(QStringLiteral(":/join/ready/scroll.js")),
                        join::resourceText(QStringLiteral(":/join/ready/frames.js")),
                        join::resourceText(QStringLiteral(":/join/ready/renderers-wait.js")),
                        join::resourceText(QStringLiteral(":/join/ready/ready.js")));
}

void PageReadiness::watch(EnginePage& page)
{
    m_page = &page;
    connect(&page, &QWebEnginePage::loadStarted, this, &PageReadiness::loadStarted);
    connect(&page, &QWebEnginePage::loadFinished, this, &PageReadiness::loadFinished);
    connect(&page, &EnginePage::consoleMessage, this, &PageReadiness::consoleMessage);
    // The page is gone with its renderer: nothing left to wait for.
    connect(&page, &QWebEnginePage::renderProcessTerminated, this, [this] { finish(false); });
    // The page's renderers are probed in its own world, where their objects are.
    QWebEngineScript probes;
    probes.setName(QStringLiteral("vantrel-renderers"));
    probes.setSourceCode(join::resourceText(QStringLiteral(":/join/ready/renderers.js")));
    probes.setInjectionPoint(QWebEngineScript::DocumentReady);
    probes.setWorldId(QWebEngineScript::MainWorld);
    if (page.scripts().find(probes.name()).isEmpty())
        page.scripts().insert(probes);
}

void PageReadiness::expectPage(std::chrono::milliseconds bound)
{
    m_expected = true;
    m_loaded = false;
    m_pending = true;
    m_deadline = Clock::now() + bound;
    ++m_run;
}

void PageReadiness::forgetPage()
{
    m_expected = false;
    m_pending = false;
    ++m_run;
}

void PageReadiness::loadStarted()
{
    if (!m_expected)
        return;
    // Made ready only for its first frames, a page is copied as its load left it: what it loads
    // next (a refresh) is not waited for.
    if (m_loaded && !m_readiness.any())
        return finish(false);
    // A new document: whatever was done for the last one is gone with it.
    m_pending = true;
    ++m_run;
}

void PageReadiness::loadFinished()
{
    if (!m_expected || !m_page)
        return;
    m_loaded = true;
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
    if (remaining.count() <= 0)
        return finish(false);
    const QJsonObject options{
        {QStringLiteral("token"), QStringLiteral("%1/%2").arg(m_token).arg(++m_run)},
        {QStringLiteral("remaining"), qint64(remaining.count())},
        {QStringLiteral("scroll"), m_readiness.scroll},
        {QStringLiteral("settle"), qint64(m_readiness.settle.count())},
        {QStringLiteral("stepQuiet"), qint64(StepQuiet.count())},
        {QStringLiteral("stepLimit"), qint64(StepLimit.count())},
        {QStringLiteral("frameLimit"), qint64(FrameLimit.count())},
        {QStringLiteral("renderers"), m_readiness.renderers},
    };
    m_pending = true;
    m_page->runJavaScript(m_script + '(' + jsonText(options) + ");",
                          QWebEngineScript::ApplicationWorld);
}

void PageReadiness::consoleMessage(const QString& message)
{
    const QString expected = QStringLiteral("%1/%2 ").arg(m_token).arg(m_run);
    if (m_pending && message.startsWith(expected))
        finish(message.mid(expected.size()) == QLatin1String("settled"));
}

void PageReadiness::finish(bool settled)
{
    if (!m_pending)
        return;
    m_pending = false;
    qCDebug(lcPage) << (settled ? "ready to copy:" : "cut short by its bound:")
                    << (m_page ? m_page->url() : QUrl());
    emit ready();
}

std::chrono::milliseconds PageReadiness::waitUntilReady()
{
    const Clock::time_point start = Clock::now();
    if (!m_pending)
        return {};
    QEventLoop loop;
    connect(this, &PageReadiness::ready, &loop, &QEventLoop::quit);
    join::runEventLoopUntil(
        loop, [this] { return !m_pending; }, join::timeLeft(m_deadline) + ReportGrace);
    if (m_pending)
        finish(false);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}
