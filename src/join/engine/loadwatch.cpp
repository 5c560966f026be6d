#include "loadwatch.h"
#include "core/webaddress.h"

#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

void LoadWatch::watch(QWebEnginePage& page)
{
    m_page = &page;
    connect(&page, &QWebEnginePage::loadingChanged, this, &LoadWatch::loadingChanged);
    connect(&page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                m_last.rendererGone =
                    (status == QWebEnginePage::KilledTerminationStatus
                         ? QStringLiteral("the page's renderer was killed (exit code %1)")
                         : QStringLiteral("the page's renderer crashed (exit code %1)"))
                        .arg(exitCode);
            });
    // The profile may serve several pages: only this page's downloads count. The request comes
    // after the load it ended has stopped, never during the next one.
    connect(page.profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                if (download->page() == m_page && m_last.finished &&
                    m_last.status == QWebEngineLoadingInfo::LoadStoppedStatus)
                    m_last.download = true;
            });
}

void LoadWatch::follow()
{
    m_kept = false;
    m_last = {};
}

void LoadWatch::loadingChanged(const QWebEngineLoadingInfo& info)
{
    if (m_kept || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    m_last = {};
    m_last.finished = true;
    m_last.status = info.status();
    m_last.domain = info.errorDomain();
    m_last.code = info.errorCode();
    m_last.errorString = info.errorString();
    m_last.url = info.url();
    // The engine gives the status of every HTTP response in the error code, success included;
    // other addresses have none, whatever it says.
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
        isWebAddress(info.url()))
        m_last.httpStatus = info.errorCode();
}

bool LoadWatch::downloadMayFollow() const
{
    return m_last.finished && m_last.status == QWebEngineLoadingInfo::LoadStoppedStatus &&
           !m_last.download && m_last.rendererGone.isEmpty();
}

QString LoadWatch::failure() const
{
    const Outcome& last = m_last;
    if (!last.rendererGone.isEmpty())
        return last.rendererGone;
    if (last.download)
        return QStringLiteral("a download, not a page");
    if (!last.finished)
        return QStringLiteral("the load did not finish");
    if (last.status == QWebEngineLoadingInfo::LoadFailedStatus)
        return last.domain == QWebEngineLoadingInfo::HttpStatusCodeDomain
                   ? QStringLiteral("HTTP status %1").arg(last.code)
                   : QStringLiteral("not loaded: %1").arg(last.errorString);
    if (last.status == QWebEngineLoadingInfo::LoadStoppedStatus)
        return QStringLiteral("the load was cancelled: %1").arg(last.errorString);
    return {};
}
