#pragma once

#include "join/content/contentrule.h"
#include "join/look/lookcopy.h"
#include "join/run/joinengine.h"
#include "join/site/sitesetup.h"
#include "join/standalone/standalonejoin.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFileDevice;
class QWebEngineProfile;

namespace join {
class PageFinder;
}

namespace cli {

class TerminalReport;

// How the command's pages join, as its options ask.
struct JoinSettings
{
    int jobs = 1; // site browsers loading at once, one profile among them
    std::chrono::milliseconds pageBound = join::PageLoadBound;
    std::optional<join::StandaloneSettings> standalone; // none: the faithful copy
    join::SiteSetup site; // how pages load and when they are ready to copy
    // When given, told how each page went instead of the terminal report (and tells it on).
    std::shared_ptr<join::JoinReport> pageReport;
    join::ContentRule content; // what is kept of each page; by default all of its body
    // Told the content rule each page was copied by, and why the whole body was kept if it was.
    std::function<void(int position, const QString& rule)> contentNoted;
    // A page whose load ends at a page listed at another position, or copied already, is not
    // joined again (for found pages, whose addresses may redirect to one another).
    bool oncePerPage = false;
    join::LookSettings look; // how a copy that stands on its own takes each page's look
    // The run's saved profile, its cookies in it already; none: a private one for the join.
    QWebEngineProfile* profile = nullptr;
    // A chain of next links walked as it joins (its start is the last address), or none.
    join::PageFinder* chain = nullptr;
};

// Tells each page's outcome to told (a book or file that writes why a page failed in its place),
// and passes everything on to report.
class OutcomesTold : public join::JoinReport
{
public:
    using Told = std::function<void(const join::PageOutcome&)>;
    OutcomesTold(std::shared_ptr<join::JoinReport> report, Told told)
        : m_report(std::move(report)), m_told(std::move(told))
    {
    }
    void fail(int line, int position, const QString& description) override
    {
        m_report->fail(line, position, description);
    }
    void pageDone(const join::PageOutcome& outcome) override
    {
        m_told(outcome);
        m_report->pageDone(outcome);
    }

private:
    std::shared_ptr<join::JoinReport> m_report;
    Told m_told;
};

// The settings with each page's outcome told to told too.
JoinSettings tellingOutcomes(const JoinSettings& settings,
                             const std::shared_ptr<TerminalReport>& report,
                             OutcomesTold::Told told);

// Joins the report's addresses and writes the joined document to out as its pages arrive, each as
// soon as every page before it is written; complete() then sees that all of it is kept (the caller
// makes it final). A join that stands on its own then tells joined() what it knows of its pages.
// True when all of it was written.
bool joinPages(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               QFileDevice& out, const std::function<void()>& complete = {},
               const std::function<void(const join::StandalonePages&)>& joined = {});

// Joins the report's addresses into a result of the caller's, each page copied by copy.
bool joinPagesInto(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                   join::JoinResult& result, join::PageCopy& copy);

} // namespace cli
