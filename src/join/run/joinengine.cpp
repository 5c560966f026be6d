#include "joinengine.h"

#include "core/apperror.h"
#include "core/outputfiles.h"
#include "core/progressdisplay.h"
#include "core/windowpointer.h"
#include "join/engine/eventwait.h"
#include "join/site/sitebrowser.h"

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
    int position = 0;
    SiteBrowser* site = nullptr;
    Clock::time_point deadline;
    bool copied = false;
    bool left = false;            // its site browser has left it, copied, to wait for its turn
    std::optional<QString> text;  // none when nothing could be copied
    QString loadFailure;          // why its load gave no proper page, empty when it did
    QString address;              // as listed
    Clock::time_point started;    // its load
    std::chrono::milliseconds loadTime{0};
    std::chrono::milliseconds copyTime{0};
    QUrl finalUrl;
    int httpStatus = 0;
};

class Run
{
public:
    explicit Run(const JoinSetup& setup)
        : s(setup), notes(*setup.report), report(notes), bound(setup.pageBound)
    {
    }

    bool run();

private:
    PageInHand start(int position, SiteBrowser& site);
    void copyAsTheyLoad(std::deque<PageInHand>& pages);
    void copy(PageInHand& page);
    void handOn(const PageInHand& page);

    const JoinSetup& s;
    FailureNotes notes;
    JoinReport& report;
    std::chrono::milliseconds bound;
};

bool Run::run()
{
    report.step(105, 0, [&] { s.result.begin(bound); });
    report.step(106, 0, [&] {
        // Whatever a site browser shows now (nothing yet, or the last run's page) is no page of
        // this run.
        for (SiteBrowser* site : s.sites)
            site->markCurrentPageCopied(bound);
    });

    int itemCount = 0;
    report.step(107, 0, [&] { itemCount = s.items.count(); });
    // Copies are handed on strictly in list order, so at most one copy per site browser waits for
    // its turn: memory does not grow with the list.
    std::deque<PageInHand> pages;
    QList<SiteBrowser*> idle = s.sites;
    int next = 1;
    for (;;) {
        while (next <= itemCount && !idle.isEmpty() && !s.result.broken())
            pages.push_back(start(next++, *idle.takeFirst()));
        if (pages.empty())
            break;
        copyAsTheyLoad(pages);
        while (!pages.empty() && pages.front().copied) {
            handOn(pages.front());
            idle.append(pages.front().site);
            pages.pop_front();
        }
        // A page copied before its turn has nothing more to give while it waits.
        for (PageInHand& page : pages) {
            if (page.copied && !page.left) {
                page.site->leavePage();
                page.left = true;
            }
        }
    }

    bool finished = false;
    report.step(WriteStatement, 0, [&] {
        s.result.finish(bound);
        finished = true;
    });
    return finished;
}

PageInHand Run::start(int position, SiteBrowser& site)
{
    QString address;
    report.step(108, position, [&] { address = s.items.textAt(position); });
    report.step(109, position, [&] {
        // The count now, not the loop bound: items added meanwhile keep the bar below 100.
        const int count = s.items.count();
        if (count == 0)
            throw AppError(11, QStringLiteral("Division by zero"));
        s.progress.setProgressValue(static_cast<double>(position) / count * 100.0);
    });
    report.step(110, position, [&] {
        s.progress.setProgressText(QStringLiteral("Processing: ") + ShortDisplayName(address));
    });
    report.step(111, position, [&] { QCoreApplication::processEvents(); });
    report.step(112, position, [&] { s.pointer.setPointerShape(PointerShape::Hourglass); });
    const Clock::time_point started = Clock::now();
    const bool loading = report.step(113, position, [&] {
        if (const QString refusal = s.items.refusalAt(position); !refusal.isEmpty())
            throw AppError(refusal);
        site.navigate(address);
    });
    PageInHand page;
    page.position = position;
    page.site = &site;
    page.deadline = Clock::now() + bound;
    page.address = address;
    page.started = started;
    // An address that loads nothing has nothing to copy.
    page.copied = !loading;
    return page;
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
    bool inTime = true;
    report.step(114, page.position,
                [&] { inTime = page.site->waitUntilComplete(timeLeft(page.deadline)); });
    const Clock::time_point loaded = Clock::now();
    report.step(115, page.position, [&] {
        page.text = s.copy.copyFrom(*page.site, page.position, timeLeft(page.deadline) + CopyGrace);
    });
    page.loadTime = between(page.started, loaded);
    page.copyTime = between(loaded, Clock::now());
    report.step(116, page.position, [&] { page.site->waitUntilComplete(bound); });
    // Read now, once a download that ended the load has been announced; never when the page's
    // turn comes, by when it may have loaded something else.
    page.loadFailure =
        inTime ? page.site->loadFailure()
               : QStringLiteral("not loaded within %1 s").arg(bound.count() / 1000.0);
    page.finalUrl = page.site->loadedUrl();
    page.httpStatus = page.site->httpStatus();
    page.copied = true;
}

void Run::handOn(const PageInHand& page)
{
    if (page.text)
        report.step(115, page.position, [&] { s.result.append(page.position, *page.text); });
    PageOutcome outcome;
    outcome.position = page.position;
    outcome.address = page.address;
    outcome.finalUrl = page.finalUrl;
    outcome.httpStatus = page.httpStatus;
    // As the command names it: how the load went says more than a statement that failed for it.
    const QString failedStatement = notes.takeFirstFailure(page.position);
    outcome.failure = page.loadFailure.isEmpty() ? failedStatement : page.loadFailure;
    outcome.bytes = page.text ? page.text->toUtf8().size() : 0;
    outcome.loadTime = page.loadTime;
    outcome.copyTime = page.copyTime;
    report.pageDone(outcome);
}

} // namespace

bool runJoin(const JoinSetup& setup)
{
    return Run(setup).run();
}

} // namespace join
