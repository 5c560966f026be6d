#include "signinwindow.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace join {
namespace {

// A page of the sign-in whose pop-ups (a provider's sign-in, a two-factor prompt) open in windows
// of their own, owned by owner so that they close with it.
class SignInPage : public QWebEnginePage
{
public:
    SignInPage(QWebEngineProfile& profile, QWidget* owner, QObject* parent)
        : QWebEnginePage(&profile, parent), m_owner(owner)
    {
        settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    }

protected:
    QWebEnginePage* createWindow(WebWindowType) override
    {
        auto* view = new QWebEngineView(m_owner);
        view->setWindowFlag(Qt::Window);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->setWindowTitle(SignInWindow::title());
        view->resize(600, 700);
        auto* page = new SignInPage(*profile(), m_owner, view);
        view->setPage(page);
        connect(page, &QWebEnginePage::windowCloseRequested, view, &QWidget::close);
        view->show();
        return page;
    }

private:
    QWidget* m_owner;
};

} // namespace

SignInWindow::SignInWindow(QWebEngineProfile& profile, const QUrl& address)
{
    setWindowTitle(title());
    auto* shown = new QLineEdit(this);
    shown->setReadOnly(true);
    auto* view = new QWebEngineView(this);
    // A child of the view, so that it goes before the profile.
    auto* page = new SignInPage(profile, this, view);
    view->setPage(page);
    connect(page, &QWebEnginePage::urlChanged, shown,
            [shown](const QUrl& url) { shown->setText(url.toString()); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(shown);
    layout->addWidget(view);
    new QShortcut(QKeySequence::Close, this, this, &QWidget::close);
    resize(1000, 800);
    page->load(address);
}

QString SignInWindow::title()
{
    return QStringLiteral("Sign in, then close this window \u2014 Vantrel");
}

void SignInWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace join
