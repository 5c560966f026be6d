#include "cli/io/enginestart.h"

#include "cli/args/bytetext.h"
#include "cli/args/exitstatus.h"

#include <QStringList>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace cli {
namespace {
std::atomic<bool> starting{false};
QtMessageHandler previousHandler = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg || !starting) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    std::fputs(QStringLiteral("vantrel-join: the browser engine cannot start: %1\n")
                   .arg(shownText(message.simplified()))
                   .toLocal8Bit()
                   .constData(),
               stderr);
    std::fflush(stderr);
    // Nothing of the engine can be relied on to end cleanly now.
    std::_Exit(EngineError);
}
} // namespace

void chooseGuiPlatform(bool opensWindow)
{
    if (!opensWindow) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        // The offscreen platform itself opens DISPLAY for its OpenGL when it is set.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        return;
    }
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    // The order Qt itself tries them in.
    QStringList platforms;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland"))
        platforms << QStringLiteral("wayland");
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        platforms << QStringLiteral("xcb");
    platforms << QStringLiteral("offscreen");
    qputenv("QT_QPA_PLATFORM", platforms.join(QLatin1Char(';')).toLatin1());
}

void endFatalStartErrorsWithOneLine()
{
    starting = true;
    previousHandler = qInstallMessageHandler(handleMessage);
}

void pagesStarted()
{
    starting = false;
}

QList<QByteArray> applicationArguments(const char* program)
{
    QList<QByteArray> arguments{program};
    if (qEnvironmentVariableIsEmpty("VANTREL_ENGINE_LOG"))
        // The engine reads the switches after this one; fatal errors alone are logged.
        arguments << QByteArrayLiteral("--webEngineArgs") << QByteArrayLiteral("--log-level=3");
    return arguments;
}

} // namespace cli
