#pragma once

#include <memory>

namespace cli {

class Output;
class TerminalReport;
struct BookOptions;
struct JoinSettings;

// Joins the report's addresses into an EPUB book written to output: in place when output can
// seek, otherwise (a pipe, standard output) in a temporary file copied there at the end. A
// failure to write is the output's failure. True when the book was written.
bool joinToEpub(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                const BookOptions& book, Output& output);

} // namespace cli
