#pragma once

#include <memory>

class QPageLayout;

namespace cli {

class Output;
class TerminalReport;
struct BookOptions;
struct JoinSettings;

// Joins the report's addresses into a document that stands on its own, in a temporary file, prints
// that in parts to one PDF (a book, as book asks) and writes the PDF to output. A failure to print
// is the output's failure. True when the PDF was written.
bool joinToPdf(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               const QPageLayout& layout, const BookOptions& book, Output& output);

} // namespace cli
