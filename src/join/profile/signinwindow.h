#pragma once

#include <QWidget>

class QUrl;
class QWebEngineProfile;

namespace join {

// A plain browser window on a saved profile, for the user to sign in to a site as in any browser:
// forms, redirects to a sign-in provider, and the pop-ups it opens, each in a window of its own.
// The address shown above the page tells where a password goes. The profile must outlive it.
class SignInWindow : public QWidget
{
    Q_OBJECT
public:
    SignInWindow(QWebEngineProfile& profile, const QUrl& address);

    static QString title();

signals:
    // The user has closed it (its pop-ups close with it).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace join
