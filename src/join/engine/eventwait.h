#pragma once

#include <QString>

#include <chrono>
#include <functional>

class QEventLoop;

namespace join {

using Clock = std::chrono::steady_clock;

// What is left of the time until deadline, never below nothing.
std::chrono::milliseconds timeLeft(Clock::time_point deadline);

// Runs loop (whose quit() the caller has connected to what it waits for) until done() says so,
// the bound passes or the application is quitting. Returns done().
bool runEventLoopUntil(QEventLoop& loop, const std::function<bool()>& done,
                       std::chrono::milliseconds bound);

} // namespace join
