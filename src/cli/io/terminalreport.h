#pragma once

#include "core/progressdisplay.h"
#include "core/windowpointer.h"
#include "join/run/joinengine.h"

#include <QElapsedTimer>
#include <QSet>
#include <QStringList>

#include <cstdio>
#include <functional>

namespace cli {

// The command's side of a join: the addresses it was given, and a report on standard error that
// names every failed page once (position, address, reason) and shows progress. It has neither a
// pointer nor a progress bar to set.
class TerminalReport : public join::JoinItems,
                       public join::JoinReport,
                       public WindowPointer,
                       public ProgressDisplay
{
public:
    enum class Progress {
        None,    // quiet
        Lines,   // one line per page, for a log
        InPlace, // one line updated in place, for a terminal
    };

    TerminalReport(QStringList addresses, Progress progress, std::FILE* stream = stderr);

    // Progress as standard error takes it: in place on a terminal that takes escape codes, in
    // lines elsewhere.
    static Progress progressFor(bool quiet);

    int count() const override { return static_cast<int>(m_addresses.size()); }
    QString textAt(int position) const override { return m_addresses.value(position - 1); }
    // An address that is not UTF-8 cannot be loaded as given.
    QString refusalAt(int position) const override;

    void fail(int line, int position, const QString& description) override;
    void pageDone(const join::PageOutcome& outcome) override;

    PointerShape pointerShape() const override { return PointerShape::Default; }
    void setPointerShape(PointerShape) override {}
    void setProgressValue(double) override {}
    // A page starts: the line in place says which, until the next page is done or starts.
    void setProgressText(const QString& text) override;

    // A note that fails nothing (an image left as an address), on a line of its own.
    void warn(const QString& text);
    const QStringList& addresses() const { return m_addresses; }
    // Lets the list grow as it joins (a chain of next links): an address added goes after the
    // others, and is told to added() of each that asked.
    bool growsAsItJoins() const override { return m_grows; }
    void growAsItJoins() { m_grows = true; }
    void addAddress(const QString& address);
    void whenAddressAdded(std::function<void(const QString&)> added);

    // Ends the progress line.
    void finish();

    bool anyFailed() const { return !m_failedPages.isEmpty() || m_runFailed; }
    bool pageFailed(int position) const { return m_failedPages.contains(position); }
    bool outputFailed() const { return m_outputFailed; }

private:
    void pageFailed(int position, const QString& reason);
    void print(const QString& text);
    QString progressLine(int done, const QString& page) const;
    void showInPlace(const QString& line);

    QStringList m_addresses;
    Progress m_progress;
    std::FILE* m_stream;
    QElapsedTimer m_elapsed;
    int m_done = 0;
    bool m_lineShown = false;
    QSet<int> m_failedPages;
    bool m_runFailed = false;
    bool m_outputFailed = false;
    bool m_grows = false;
    QList<std::function<void(const QString&)>> m_added;
};

} // namespace cli
