#include "savedprofile.h"

#include "cli/args/exitstatus.h"
#include "cli/args/options.h"
#include "join/engine/enginehost.h"
#include "join/profile/profilefolder.h"
#include "join/profile/signinwindow.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QWebEngineProfile>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace cli {
namespace {

void sayLine(const QString& text)
{
    std::fputs(QStringLiteral("vantrel-join: %1\n").arg(text).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

#ifdef Q_OS_UNIX
int endRequests[2] = {-1, -1};
#endif

// Closes window, as its user would, when the process is asked to end (SIGINT, SIGTERM, SIGHUP):
// a session the engine has not written yet is not lost with the process.
void closeOnEndRequest(QWidget& window)
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, endRequests) != 0)
        return;
    struct sigaction action = {};
    // Only what is safe in a signal handler: the event loop does the rest.
    action.sa_handler = [](int) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(endRequests[0], &byte, 1);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    auto* notifier = new QSocketNotifier(endRequests[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(endRequests[1], &byte, 1);
        window.close();
    });
#else
    Q_UNUSED(window);
#endif
}

} // namespace

std::unique_ptr<QWebEngineProfile> openSavedProfile(const join::ProfileFolder* folder,
                                                    join::SiteSetup& site,
                                                    const std::function<void(const QString&)>& warn)
{
    if (!folder)
        return nullptr;
    std::unique_ptr<QWebEngineProfile> profile(EngineHost::createSavedProfile(folder->path()));
    join::SiteSetup cookiesOnly;
    cookiesOnly.cookies = site.cookies;
    if (const int refused = join::prepareProfile(*profile, cookiesOnly))
        warn(QStringLiteral("%1 of %2 cookies refused").arg(refused).arg(site.cookies.size()));
    site.cookies.clear();
    return profile;
}

int signIn(Options& options, join::ProfileFolder& folder)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        sayLine(QStringLiteral("--login needs a display to show its window in, and there is "
                               "none (DISPLAY and WAYLAND_DISPLAY are not set or do not answer)"));
        return UsageError;
    }
    if (const QString problem = folder.open(); !problem.isEmpty()) {
        sayLine(problem);
        return UsageError;
    }
    join::SiteSetup& site = options.reader.site;
    const std::unique_ptr<QWebEngineProfile> profile =
        openSavedProfile(&folder, site, [](const QString& warning) {
            sayLine(QStringLiteral("warning: ") + warning);
        });
    site.listed = {options.profile.login};
    join::prepareProfile(*profile, site);
    // Goes with its pages before the profile.
    join::SignInWindow window(*profile, options.profile.login);
    closeOnEndRequest(window);
    QEventLoop loop;
    QObject::connect(&window, &join::SignInWindow::closed, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
    return AllPagesJoined;
}

} // namespace cli
