#pragma once

#include <QString>

#include <chrono>

namespace join {

// Where the joined document goes: the window's document in its result browser, or the command's
// stream. The join hands it each page's text strictly in list order, as the page's copy made it.
class JoinResult
{
public:
    virtual ~JoinResult() = default;
    // Starts an empty joined document.
    virtual void begin(std::chrono::milliseconds bound) = 0;
    // Adds the page at position after every page before it.
    virtual void append(int position, const QString& text) = 0;
    // Completes the joined document and stores it. Throws AppError when it cannot.
    virtual void finish(std::chrono::milliseconds bound) = 0;
    // True once nothing more can reach the output (a closed pipe): no further page need load.
    virtual bool broken() const { return false; }
};

} // namespace join
