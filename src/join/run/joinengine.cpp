#include "joinengine.h"

#include "core/apperror.h"
#include "core/outputfiles.h"
#include "core/progressdisplay.h"
#include "core/windowpointer.h"
#include "join/engine/eventwait.h"
#include "join/site/sitebrowser.h"
#include "pagecopy.h"

#include <QCoreApplication>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>

namespace join {
namespace {

std::chrono::milliseconds between(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from);
}

// Passes everything on to the front end's report, and keeps the first statement that failed for
// each page until its outcome is made: the outcome names what the front end names.
class FailureNotes : public JoinReport
{
public:
    explicit FailureNotes(JoinReport& report) : m_report(report) {}
    void fail(int line, int position, const QString& description) override
    {
        m_first.insert({position, description}); // keeps an earlier one
        m_report.fail(line, position, description);
    }
    void pageDone(const PageOutcome& outcome) override { m_report.pageDone(outcome); }
    QString takeFirstFailure(int position)
    {
        const auto note = m_first.find(position);
        if (note == m_first.end())
            return {};
        const QString failure = note->second;
        m_first.erase(note);
        return failure;
    }

private:
    JoinReport& m_report;
    std::map<int, QString> m_first;
};

// A listed page, from the moment a site browser starts to load it until its copy is handed on.
struct PageInHand
{
    SiteBrowser* site = nullptr;
    Clock::time_point started; // its load
    Clock::time_point deadline;
    bool copied = false;
    std::optional<QString> text; // none when nothing could be copied
    // What is known of it so far: its failure is why its load gave no proper page, empty when it
    // did, until the page is handed on.
    PageOutcome outcome;
};

class Run
{
public:
    explicit Run(const JoinSetup& setup)
        : setup(setup), notes(*setup.report), report(notes), bound(setup.pageBound)
    {
    }

    bool run();

private:
    void beginEach();
    PageInHand start(int position, SiteBrowser& site);
    void showProgress(int position, const QString& address);
    void copyAsTheyLoad(std::deque<PageInHand>& pages);
    void copy(PageInHand& page);
    void takeLoadFacts(PageInHand& page, bool loadedInTime);
    void handOn(PageInHand& page);

    const JoinSetup& setup;
    FailureNotes notes;
    JoinReport& report;
    std::chrono::milliseconds bound;
};

bool Run::run()
{
    beginEach();
    int itemCount = 0;
    report.step(CountStatement, 0, [&] { itemCount = setup.items.count(); });
    // Copies are handed on strictly in list order, so at most one copy per site browser waits for
    // its turn: memory does not grow with the list.
    std::deque<PageInHand> pages;
    QList<SiteBrowser*> idle = setup.sites;
    int next = 1;
    for (;;) {
        if (setup.items.growsAsItJoins())
            itemCount = setup.items.count();
        while (next <= itemCount && !idle.isEmpty() && !setup.result.broken())
            pages.push_back(start(next++, *idle.takeFirst()));
        if (pages.empty())
            break;
        copyAsTheyLoad(pages);
        while (!pages.empty() && pages.front().copied) {
            handOn(pages.front());
            idle.append(pages.front().site);
            pages.pop_front();
        }
    }

    bool finished = false;
    report.step(WriteStatement, 0, [&] {
        setup.result.finish(bound);
        finished = true;
    });
    return finished;
}

void Run::beginEach()
{
    report.step(BeginStatement, 0, [&] { setup.result.begin(bound); });
    report.step(ShownNotCopiedStatement, 0, [&] {
        // Whatever a site browser shows now (nothing yet, or the last run's page) is no page of
        // this run.
        for (SiteBrowser* site : setup.sites)
            site->markCurrentPageCopied(bound);
    });
}

PageInHand Run::start(int position, SiteBrowser& site)
{
    QString address;
    report.step(AddressStatement, position, [&] { address = setup.items.textAt(position); });
    showProgress(position, address);
    PageInHand page;
    page.site = &site;
    page.started = Clock::now();
    const bool loading = report.step(NavigateStatement, position, [&] {
        if (const QString refusal = setup.items.refusalAt(position); !refusal.isEmpty())
            throw AppError(refusal);
        site.navigate(address);
    });
    page.deadline = Clock::now() + bound;
    page.outcome.position = position;
    page.outcome.address = address;
    // An address that loads nothing has nothing to copy.
    page.copied = !loading;
    return page;
}

void Run::showProgress(int position, const QString& address)
{
    report.step(ProgressStatement, position, [&] {
        // The count now, not the loop bound: items added meanwhile keep the bar below 100.
        const int count = setup.items.count();
        if (count == 0)
            throw AppError(11, QStringLiteral("Division by zero"));
        setup.progress.setProgressValue(static_cast<double>(position) / count * 100.0);
    });
    report.step(ProgressTextStatement, position, [&] {
        setup.progress.setProgressText(QStringLiteral("Processing: ") + ShortDisplayName(address));
    });
    report.step(EventsStatement, position, [&] { QCoreApplication::processEvents(); });
    report.step(PointerStatement, position,
                [&] { setup.pointer.setPointerShape(PointerShape::Hourglass); });
}

// Copies each page the moment its load ends (or its bound passes), in whatever order that
// happens, until the first page in the list has been copied. A page copied when its turn comes
// would have run on meanwhile, and could have shown something else, or loaded another address.
void Run::copyAsTheyLoad(std::deque<PageInHand>& pages)
{
    while (!pages.front().copied) {
        QList<EngineHost*> loading;
        Clock::time_point firstDeadline = Clock::time_point::max();
        for (const PageInHand& page : pages) {
            if (!page.copied) {
                loading.append(page.site);
                firstDeadline = std::min(firstDeadline, page.deadline);
            }
        }
        EngineHost::waitUntilAnyComplete(loading, timeLeft(firstDeadline));
        bool copiedAny = false;
        for (PageInHand& page : pages) {
            if (!page.copied && (!page.site->isLoading() || Clock::now() >= page.deadline)) {
                copy(page);
                copiedAny = true;
            }
        }
        // Only an application that is quitting ends the wait with nothing done: the first page
        // is then stopped and copied as it stands, and the run comes to its end.
        if (!copiedAny)
            copy(pages.front());
    }
}

void Run::copy(PageInHand& page)
{
    const int position = page.outcome.position;
    bool inTime = true;
    report.step(LoadStatement, position,
                [&] { inTime = page.site->waitUntilComplete(timeLeft(page.deadline)); });
    const Clock::time_point loaded = Clock::now();
    // A renderer that still answers has the whole page bound for its copy, however long the load
    // took: a large page is not lost for a slow load.
    report.step(CopyStatement, position,
                [&] { page.text = setup.copy.copyFrom(*page.site, position, bound); });
    page.outcome.loadTime = between(page.started, loaded);
    page.outcome.copyTime = between(loaded, Clock::now());
    takeLoadFacts(page, inTime);
    // Whether its turn has come or not, a copied page has nothing more to give: nothing it does
    // from now on (timers, a refresh) runs or costs anything.
    page.site->leavePage();
    page.copied = true;
}

// Read when the page is copied: never later, by when it may have loaded something else.
void Run::takeLoadFacts(PageInHand& page, bool loadedInTime)
{
    SiteBrowser& site = *page.site;
    page.outcome.failure =
        loadedInTime ? site.loadFailure()
                     : QStringLiteral("not loaded within %1 s").arg(bound.count() / 1000.0);
    page.outcome.finalUrl = site.loadedUrl();
    page.outcome.httpStatus = site.httpStatus();
}

void Run::handOn(PageInHand& page)
{
    PageOutcome& outcome = page.outcome;
    if (page.text)
        report.step(AppendStatement, outcome.position,
                    [&] { setup.result.append(outcome.position, *page.text); });
    // As the command names it: how the load went says more than a statement that failed for it.
    const QString failedStatement = notes.takeFirstFailure(outcome.position);
    if (outcome.failure.isEmpty())
        outcome.failure = failedStatement;
    outcome.bytes = page.text ? page.text->toUtf8().size() : 0;
    report.pageDone(outcome);
}

} // namespace

bool runJoin(const JoinSetup& setup)
{
    return Run(setup).run();
}

} // namespace join
