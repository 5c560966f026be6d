#pragma once

#include "join/content/contentrule.h"
#include "join/run/joinengine.h"
#include "join/site/sitesetup.h"
#include "join/standalone/standalonejoin.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFileDevice;

namespace join {
class PageFinder;
}

namespace cli {

class TerminalReport;

// How the command's pages join, as its options ask.
struct JoinSettings
{
    int jobs = 1; // site browsers loading at once, one private profile among them
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
    // A chain of next links walked as it joins (its start is the last address), or none.
    join::PageFinder* chain = nullptr;
};

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
