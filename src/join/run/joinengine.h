#pragma once

#include "core/errorguard.h"
#include "joinresult.h"
#include "pageoutcome.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class ProgressDisplay;
class SiteBrowser;
class WindowPointer;

namespace join {

class PageCopy;

// How long one page may take to load before it is stopped and copied as it stands.
inline constexpr std::chrono::milliseconds PageLoadBound{60000};

// The run's statements, numbered as the window's error box names them.
inline constexpr int BeginStatement = 105;          // starts the joined document
inline constexpr int ShownNotCopiedStatement = 106; // what the site browsers show is no page of it
inline constexpr int CountStatement = 107;
inline constexpr int AddressStatement = 108;  // reads a listed address
inline constexpr int ProgressStatement = 109; // the share done
inline constexpr int ProgressTextStatement = 110;
inline constexpr int EventsStatement = 111; // lets the window take its events
inline constexpr int PointerStatement = 112;
inline constexpr int NavigateStatement = 113;
inline constexpr int LoadStatement = 114; // waits for the page's load
// Copying a page and adding the copy to the joined document were one statement: both keep its
// number.
inline constexpr int CopyStatement = 115;
inline constexpr int AppendStatement = 115;
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
    virtual QString refusalAt(int /*position*/) const { return {}; }
    // True for a list that grows as its pages are copied (a chain of next links): its count is
    // read again as the run goes, where the window's is read once, as its loop always did.
    virtual bool growsAsItJoins() const { return false; }
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
    // The page has been copied (or has failed to be), and this is how it went. Its failure is why
    // its load did not give what the address promised, or else the first statement that failed
    // for it; what the browser showed for it has been copied all the same.
    virtual void pageDone(const PageOutcome& outcome) = 0;
};

// What one run works with.
struct JoinSetup
{
    const JoinItems& items;
    // Shared with insertions whose outcome arrives after the statement that sent them.
    std::shared_ptr<JoinReport> report;
    WindowPointer& pointer;
    ProgressDisplay& progress;
    JoinResult& result; // takes each page's text in list order
    PageCopy& copy;     // what is taken of each page, as the result wants it
    // As many pages load at once as there are site browsers.
    QList<SiteBrowser*> sites;
    std::chrono::milliseconds pageBound;
};

// Loads every address, each site browser taking the next one as soon as it is free, copies each
// page the moment it has loaded, hands the copies to the result strictly in list order and
// finishes the result. With one site browser pages load one after another. True when the result
// was finished.
bool runJoin(const JoinSetup& setup);

} // namespace join
