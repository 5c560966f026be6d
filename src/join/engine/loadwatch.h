#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineLoadingInfo>

class QWebEnginePage;

// Follows the loads of one page and tells whether the latest one gave what its address promised.
// The engine reports an error status, an unreachable host or a download as a finished load like
// any other, and shows its own error page for some; the join copies what it shows all the same,
// and only a command-line run names the address as failed.
class LoadWatch : public QObject
{
public:
    void watch(QWebEnginePage& page);

    // A new address is about to load: nothing is known of it yet, and its loads are followed.
    void follow();
    // From now on, until follow(), loads are not followed: what is known stays that of the latest
    // load before (a download still counts for it).
    void keep() { m_kept = true; }

    // Why the latest load gave no proper page, or empty text when it did. A load that the page
    // starts itself (a refresh, a script that sends it elsewhere) counts once it has finished: the
    // page shows the one before until then.
    QString failure() const;
    // The latest load was cancelled, and nothing has said yet that a download cancelled it: the
    // engine tells of a download only after the load has ended.
    bool downloadMayFollow() const;
    // Where the latest load ended, after redirects, and the HTTP status of its response (0 when
    // it had none).
    QUrl url() const { return m_last.url; }
    int httpStatus() const { return m_last.httpStatus; }

private:
    void loadingChanged(const QWebEngineLoadingInfo& info);

    // What is known of the latest load; a new load starts afresh.
    struct Outcome
    {
        bool finished = false;
        QWebEngineLoadingInfo::LoadStatus status = QWebEngineLoadingInfo::LoadStartedStatus;
        QWebEngineLoadingInfo::ErrorDomain domain = QWebEngineLoadingInfo::NoErrorDomain;
        int code = 0;
        QString errorString;
        bool download = false;
        QString rendererGone;
        QUrl url;
        int httpStatus = 0;
    };

    QPointer<QWebEnginePage> m_page;
    Outcome m_last;
    bool m_kept = false;
};
