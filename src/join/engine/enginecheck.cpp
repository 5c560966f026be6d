#include "enginecheck.h"

#include <QStringList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace join {
namespace {
std::optional<EngineStartFacts> overriddenFacts;

EngineStartFacts processFacts()
{
    EngineStartFacts facts;
#ifdef Q_OS_UNIX
    facts.effectiveUserId = static_cast<long>(::geteuid());
#endif
    facts.sandboxVariableSet = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
    facts.chromiumFlags = qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS");
    return facts;
}
} // namespace

QString browserEngineStartProblem(const EngineStartFacts& facts)
{
    // The engine refuses to run as root with its sandbox on; the two switches are the engine's own.
    const QStringList flags = facts.chromiumFlags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const bool sandboxOff =
        facts.sandboxVariableSet || flags.contains(QLatin1String("--no-sandbox"));
    if (facts.effectiveUserId != 0 || sandboxOff)
        return {};
    return QStringLiteral(
        "The browser engine cannot run as root (the administrator) with its sandbox on. Run "
        "Vantrel as an ordinary user, or set QTWEBENGINE_DISABLE_SANDBOX=1 to run it without the "
        "sandbox.");
}

QString browserEngineStartProblem()
{
    return browserEngineStartProblem(overriddenFacts ? *overriddenFacts : processFacts());
}

void overrideEngineStartFacts(std::optional<EngineStartFacts> facts)
{
    overriddenFacts = std::move(facts);
}

} // namespace join
