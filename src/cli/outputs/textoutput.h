#pragma once

#include "join/text/textdocument.h"

#include <memory>

namespace cli {

class Output;
class TerminalReport;
struct JoinSettings;

// Joins the report's addresses into one Markdown or plain text file written to output: as the
// pages arrive to a stream, once every page is known to a file. True when it was written.
bool joinToText(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                join::TextFormat format, Output& output);

} // namespace cli
