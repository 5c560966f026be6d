#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace join {

using Clock = std::chrono::steady_clock;

// What is left of the time until deadline, never below nothing.
std::chrono::milliseconds timeLeft(Clock::time_point deadline);

// Runs loop (whose quit() the caller has connected to what it waits for) until done() says so,
// the bound passes or the application is quitting. Returns done().
bool runEventLoopUntil(QEventLoop& loop, const std::function<bool()>& done,
                       std::chrono::milliseconds bound);

// Hands start() a callback for what answers through one (a script's result, a printed PDF) and
// runs the event loop until it is called, sender emits `ends` (the renderer that would answer has
// ended), the bound passes or the application is quitting. The answer, none when it did not come.
// A callback called after the wait has given up drops its answer.
template <typename T, typename Sender, typename Signal>
std::optional<T> waitForCallback(const std::function<void(std::function<void(const T&)>)>& start,
                                 std::chrono::milliseconds bound, const Sender* sender, Signal ends)
{
    // Shared with the callback, which may outlive the wait.
    struct Shared
    {
        std::optional<T> answer;
        QPointer<QEventLoop> loop;
    };
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    shared->loop = &loop;
    bool ended = false;
    const auto connection = QObject::connect(sender, ends, &loop, [&] {
        ended = true;
        loop.quit();
    });
    start([shared](const T& answer) {
        shared->answer = answer;
        if (shared->loop)
            shared->loop->quit();
    });
    runEventLoopUntil(
        loop, [&] { return shared->answer.has_value() || ended; }, bound);
    QObject::disconnect(connection);
    return std::move(shared->answer);
}

} // namespace join
