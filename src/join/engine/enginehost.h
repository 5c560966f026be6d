#pragma once

#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <chrono>
#include <functional>

class EnginePage;
class QWebChannel;
class QWebEngineProfile;

// What both browser controls of the window have in common: a private, off-the-record profile and
// one page of the browser engine, started only when a join first needs it so that start-up stays
// fast. The control itself lies outside the visible client area.
class EngineHost : public QWidget
{
    Q_OBJECT
public:
    ~EngineHost() override;

    bool engineStarted() const { return m_page != nullptr; }
    // A load has started and not yet finished.
    bool isLoading() const { return m_loading; }

    // A private, off-the-record profile: nothing of the user's browsing is used or left behind,
    // and downloads are refused. Several hosts may share one.
    static QWebEngineProfile* createPrivateProfile(QObject* parent = nullptr);
    // A profile kept in folder from run to run: cookies (those without an expiry too), local
    // storage, IndexedDB and the HTTP cache; downloads are refused. One per process, and only
    // one process at a time on a folder. The engine writes it lazily: it is all on disk once the
    // profile and its pages are deleted before the application object.
    static QWebEngineProfile* createSavedProfile(const QString& folder, QObject* parent = nullptr);
    // The most memory a page's renderer may hold (2 GB): one that takes more is ended, and its page
    // fails. Tests make it smaller.
    static void setRendererBound(qint64 bytes) { s_rendererBytes = bytes; }

    // Runs the event loop until the current load has finished. A load still running at the bound
    // is stopped, and what the page holds by then stays. False when it had to be stopped.
    bool waitUntilComplete(std::chrono::milliseconds bound);
    // Runs the event loop until a load of one of the hosts is no longer running (finished, or its
    // renderer ended), the bound passes or the application is quitting. Stops nothing.
    static void waitUntilAnyComplete(const QList<EngineHost*>& hosts,
                                     std::chrono::milliseconds bound);

    // Runs a script in the program's own script world (page scripts cannot see or change it) and
    // waits for its result with an event loop. Throws AppError when none comes within the bound
    // or the page's renderer has ended.
    QVariant evaluate(const QString& script, std::chrono::milliseconds bound);
    // Same, without waiting; scripts on one page run in the order they were sent.
    void evaluateLater(const QString& script, std::function<void(const QVariant&)> done);
    // Same, in the page's own world, where its scripts' objects are (and which they can change):
    // for what only those objects know. Answers nothing.
    void evaluateInPageWorldLater(const QString& script);
    // Lets scripts in the program's script world call the channel's objects, which answer them
    // when they are done (page scripts cannot see it). The channel must outlive the page.
    void setWebChannel(QWebChannel* channel);

signals:
    void loadCompleted(bool ok);
    // The process that rendered the page has ended (crashed, killed, out of memory).
    void rendererEnded();

protected:
    // Without a shared profile the host makes a private one of its own; a shared one must outlive
    // the host.
    explicit EngineHost(QWidget* parent, QWebEngineProfile* sharedProfile = nullptr);

    // The page, its engine started on first use.
    EnginePage* page();
    // Starts loading url; waitUntilComplete() waits for it.
    void load(const QUrl& url);
    // Why the page's renderer ended since the last load began, as "the browser process that
    // rendered it crashed (exit code 11)"; empty while it lives.
    const QString& rendererLoss() const { return m_rendererLoss; }
    // From now on the page's renderer is ended once it holds more memory than the bound (see
    // setRendererBound()): for pages of the web, none of which may take the machine's memory.
    void boundRenderer();
    // Why the page's renderer was ended since the last load began because of the memory it took,
    // as "the page took more than 2048 MB of memory"; empty when it was not.
    const QString& overBound() const { return m_overBound; }
    // Ends the page's renderer, which no longer answers (a script that never yields): the next
    // load starts a fresh one instead of queueing behind it.
    void endRenderer();
    // Ends the page's renderer, as above, unless it also renders another host's page (the
    // engine shares renderers once it has as many as it allows). True when it was ended.
    bool endRendererOfThisAlone();

    // How long a stopped load may take to report that it has stopped.
    static constexpr std::chrono::milliseconds StopGrace{2000};

    // Role-specific settings, applied once before the page's first load.
    virtual void configure(EnginePage& page) = 0;

private:
    void startEngine();

    QWebEngineProfile* m_sharedProfile = nullptr;
    QWebEngineProfile* m_profile = nullptr;
    EnginePage* m_page = nullptr;
    bool m_loading = false;
    QString m_rendererLoss;
    QString m_overBound;
    inline static qint64 s_rendererBytes = qint64(2) << 30;
};
