#pragma once

#include "join/run/joinengine.h"
#include "join/site/sitesetup.h"
#include "join/standalone/standalonejoin.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFileDevice;

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
};

// Joins the report's addresses and writes the joined document to out as its pages arrive, each as
// soon as every page before it is written; complete() then makes the output final. A join that
// stands on its own then tells joined() what it knows of its pages. True when all of it was
// written.
bool joinPages(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               QFileDevice& out, const std::function<void()>& complete = {},
               const std::function<void(const join::StandalonePages&)>& joined = {});

} // namespace cli
