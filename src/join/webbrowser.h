#pragma once

#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <chrono>
#include <functional>

class EnginePage;
class QWebEngineProfile;
class QWebEngineView;

// One browser control of the window. It lies outside the visible client area; the engine behind it
// starts only when a join first needs it, so start-up stays fast.
//
// The site browser loads the listed addresses like an ordinary desktop browser would, in a
// 1280 x 720 viewport. The result browser only ever holds data: scripts, images and every request
// other than about: and data: are switched off.
class WebBrowser : public QWidget
{
    Q_OBJECT
public:
    enum class Role { Site, Result };

    explicit WebBrowser(Role role, QWidget* parent = nullptr);
    ~WebBrowser() override;

    bool engineStarted() const { return m_page != nullptr; }

    // Starts loading an address as a user would type it into a browser's address bar: a bare host
    // name or a local path is fixed up the browser's way.
    void navigate(const QString& address);
    // Runs the event loop until the current load has finished. A load still running at the bound
    // is stopped, and what the page holds by then stays.
    void waitUntilComplete(std::chrono::milliseconds bound);

    // Runs a script in the program's own script world (page scripts cannot see or change it) and
    // waits for its result with an event loop. Throws AppError when none comes within the bound.
    QVariant evaluate(const QString& script, std::chrono::milliseconds bound);
    // Same, without waiting; scripts on one page run in the order they were sent.
    void evaluateLater(const QString& script, std::function<void(const QVariant&)> done);

signals:
    void loadCompleted(bool ok);

private:
    EnginePage* page();
    void startEngine();

    Role m_role;
    QWebEngineProfile* m_profile = nullptr;
    EnginePage* m_page = nullptr;
    QPointer<QWebEngineView> m_view;
    bool m_loading = false;
};
