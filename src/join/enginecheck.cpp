#include "enginecheck.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace join {
namespace {
bool sandboxTurnedOff()
{
    const QByteArray disable = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    if (!disable.isEmpty() && disable != "0")
        return true;
    return qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox");
}
} // namespace

QString browserEngineStartProblem()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && !sandboxTurnedOff())
        return QStringLiteral(
            "The browser engine cannot run as root with its sandbox on. Run as an ordinary user, "
            "or set QTWEBENGINE_DISABLE_SANDBOX=1 to turn the sandbox off.");
#endif
    return {};
}

} // namespace join
