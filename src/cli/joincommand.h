#pragma once

#include "join/sitesetup.h"

#include <chrono>
#include <functional>
#include <memory>

class QFileDevice;

namespace join {
class JoinReport;
}

namespace cli {

class TerminalReport;

// The whole command: reads the command line, joins, writes, and returns the exit status. Creates
// the application object itself, once the command line has been read.
int runJoinCommand(int argc, char* argv[]);

// Joins the report's addresses with up to `jobs` site browsers loading at once (one private
// profile among them) and writes the joined document to out as its pages arrive, each as soon as
// every page before it is written; complete() then makes the output final. True when all of it
// was written. The site browsers load pages as site asks; pageReport, when given, is told how each
// page went instead of report (and tells it on).
bool joinPages(const std::shared_ptr<TerminalReport>& report, int jobs,
               std::chrono::milliseconds pageBound, QFileDevice& out,
               const std::function<void()>& complete = {}, const join::SiteSetup& site = {},
               std::shared_ptr<join::JoinReport> pageReport = {});

} // namespace cli
