#pragma once

#include <memory>

class QPageLayout;

namespace cli {

class Output;
class TerminalReport;
struct JoinSettings;

// Joins the report's addresses into a document in a temporary file, prints that once to PDF and
// writes the PDF to output. A failure to print is the output's failure. True when the PDF was
// written.
bool joinToPdf(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               const QPageLayout& layout, Output& output);

} // namespace cli
