#pragma once

#include <QString>

#include <optional>

namespace join {

// Empty when the browser engine can start in this process; otherwise one text for the user that
// says what is wrong and what to do. Checked before the engine starts: an engine that refuses to
// start ends the whole process.
QString browserEngineStartProblem();

// What the check goes by.
struct EngineStartFacts
{
    long effectiveUserId = -1;       // -1 where there is none (Windows)
    bool sandboxVariableSet = false; // QTWEBENGINE_DISABLE_SANDBOX, to any value
    QString chromiumFlags;           // QTWEBENGINE_CHROMIUM_FLAGS
};
QString browserEngineStartProblem(const EngineStartFacts& facts);

// Tests only: browserEngineStartProblem() judges these facts instead of the process's own
// (std::nullopt: the process's own again).
void overrideEngineStartFacts(std::optional<EngineStartFacts> facts);

} // namespace join
