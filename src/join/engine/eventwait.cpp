#include "eventwait.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace join {

std::chrono::milliseconds timeLeft(Clock::time_point deadline)
{
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

bool runEventLoopUntil(QEventLoop& loop, const std::function<bool()>& done,
                       std::chrono::milliseconds bound)
{
    if (done())
        return true;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(bound);
    while (!done() && timer.isActive()) {
        // Once the application has been told to quit, exec() returns -1 at once and no event
        // will ever end the wait.
        if (loop.exec() < 0)
            break;
    }
    return done();
}

} // namespace join
