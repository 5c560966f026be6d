#include "cli/outputs/pdfoutput.h"

#include "cli/args/bookoptions.h"
#include "join/pdf/pdfbook.h"
#include "join/standalone/standalonepages.h"
#include "cli/outputs/joinpages.h"
#include "cli/io/output.h"
#include "cli/io/terminalreport.h"

#include <QPageLayout>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>

namespace cli {
namespace {

// A failed page is named by its address as listed, not by what the server's error page says, and
// brings none of that page's headings.
QList<BookPage> bookPages(const join::StandalonePages& pages, const TerminalReport& report)
{
    QList<BookPage> book;
    for (int position = 1; position <= pages.count(); ++position) {
        BookPage& page = book.emplace_back();
        page.address = pages.address(position);
        if (report.pageFailed(position)) {
            page.title = report.addresses().value(position - 1);
            continue;
        }
        page.title = pages.title(position);
        for (const join::Heading& heading : pages.headings(position))
            page.headings.append({heading.level, heading.text, heading.id});
    }
    return book;
}

// Printing loads nothing from the network, so it need not wait on -j 1 as loading does: two
// printers by default. More than the processor's cores would only take memory.
int printersAtOnce(int jobs)
{
    constexpr int DefaultPrinters = 2;
    return std::min(std::max(jobs, DefaultPrinters), std::max(1, QThread::idealThreadCount()));
}

} // namespace

bool joinToPdf(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               const QPageLayout& layout, const BookOptions& book, Output& output)
{
    // Never asked its name, so that on Linux it has none: it goes with the process however that
    // ends.
    QTemporaryFile document;
    if (!document.open()) {
        report->fail(join::WriteStatement, 0,
                     QStringLiteral("cannot make a temporary file for the document to print: ") +
                         document.errorString());
        return false;
    }
    JoinSettings joinSettings = settings;
    joinSettings.standalone->outlineDepth = book.outlineDepth;
    // What the page hides in print stays out of its book.
    joinSettings.look.print = true;
    QList<BookPage> pages;
    if (!joinPages(report, joinSettings, document, {},
                   [&pages, &report](const join::StandalonePages& joined) {
                       pages = bookPages(joined, *report);
                   }))
        return false;
    return report->step(join::WriteStatement, 0, [&] {
        document.seek(0);
        // Loading a local part, however large, is no page's load: the page bound is its least.
        const BookSettings bookSettings{layout,
                                        book.title,
                                        book.author,
                                        QStringLiteral("Vantrel " VANTREL_VERSION),
                                        book.pageNumbers,
                                        std::max(settings.pageBound, join::PageLoadBound),
                                        printersAtOnce(settings.jobs),
                                        book.zoom};
        printBook(document, pages, bookSettings, output.device(),
                  [&report](const QString& warning) { report->warn(warning); });
        output.complete();
    });
}

} // namespace cli
