#pragma once

#include "core/errorguard.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class JoinedDocument;
class ProgressDisplay;
class SiteBrowser;
class WindowPointer;

namespace join {

// How long one page may take to load before it is stopped and copied as it stands.
inline constexpr std::chrono::milliseconds PageLoadBound{60000};

// The statement that writes the joined file.
inline constexpr int WriteStatement = 117;

// The addresses to join, counting from 1. Read afresh at every step: the window's list may change
// while a run goes on.
class JoinItems
{
public:
    virtual ~JoinItems() = default;
    virtual int count() const = 0;
    virtual QString textAt(int position) const = 0;
    // Why the item at position is no address to load; empty: load it.
    virtual QString refusalAt(int position) const { return {}; }
};

// Where a run reports: the window shows a failed statement in its error box, the command names
// the failed page on standard error.
class JoinReport
{
public:
    virtual ~JoinReport() = default;
    // Runs numbered statement `line` for the page at position (0: the run as a whole). A statement
    // that throws is reported through fail() and the run goes on with the next one. False when it
    // failed.
    bool step(int line, int position, const std::function<void()>& statement)
    {
        const std::optional<QString> failure = failureOf(statement);
        if (failure)
            fail(line, position, *failure);
        return !failure;
    }
    // Reports statement `line` for the page at position as failed after the fact: its outcome
    // arrived later.
    virtual void fail(int line, int position, const QString& description) = 0;
    // The page at position has been copied (or has failed to be). loadFailure says why its load
    // did not give what the address promised, empty when it did; what the browser showed for it
    // has been copied all the same.
    virtual void pageDone(int position, const QString& loadFailure) = 0;
};

// What one run works with.
struct JoinSetup
{
    const JoinItems& items;
    // Shared with insertions whose outcome arrives after the statement that sent them.
    std::shared_ptr<JoinReport> report;
    WindowPointer& pointer;
    ProgressDisplay& progress;
    JoinedDocument& result; // holds the joined document
    // As many pages load at once as there are site browsers.
    QList<SiteBrowser*> sites;
    std::chrono::milliseconds pageBound;
    // Stores the joined file's content; throws AppError when it cannot.
    std::function<void(const QByteArray& content)> write;
};

// Loads every address, each site browser taking the next one as soon as it is free, appends each
// page body's markup to the one joined document strictly in list order, and writes the joined
// file. With one site browser pages load one after another. True when the file was written.
bool runJoin(const JoinSetup& setup);

// Replaces the file at path in one step: a crash or a kill never leaves half a file behind.
// Throws AppError when it cannot.
void writeFileAtomically(const QString& path, const QByteArray& content);

} // namespace join
