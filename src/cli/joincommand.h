#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>

namespace cli {

class TerminalReport;

// The whole command: reads the command line, joins, writes, and returns the exit status. Creates
// the application object itself, once the command line has been read.
int runJoinCommand(int argc, char* argv[]);

// Joins the report's addresses with up to `jobs` site browsers loading at once (one private
// profile among them) and hands the joined file's content to write(). True when it was written.
bool joinPages(const std::shared_ptr<TerminalReport>& report, int jobs,
               std::chrono::milliseconds pageBound,
               const std::function<void(const QByteArray& content)>& write);

} // namespace cli
