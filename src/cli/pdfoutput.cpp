#include "pdfoutput.h"

#include "core/apperror.h"
#include "joinpages.h"
#include "join/pdf/pdfprinter.h"
#include "output.h"
#include "terminalreport.h"

#include <QDir>
#include <QPageLayout>
#include <QTemporaryFile>

namespace cli {

bool joinToPdf(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               const QPageLayout& layout, Output& output)
{
    // A file, not HTML handed over inline: the engine limits that to a couple of megabytes.
    QTemporaryFile document(QDir::temp().filePath(QStringLiteral("vantrel-join-XXXXXX.html")));
    if (!document.open()) {
        report->fail(join::WriteStatement, 0,
                     QStringLiteral("cannot make a temporary file for the document to print: ") +
                         document.errorString());
        return false;
    }
    if (!joinPages(report, settings, document))
        return false;
    return report->step(join::WriteStatement, 0, [&] {
        PdfPrinter printer;
        // Loading a local file, however large, is no page's load: the page bound is its least.
        const QByteArray pdf =
            printer.print(document.fileName(), layout,
                          std::max(settings.pageBound, join::PageLoadBound),
                          [&report](const QString& warning) { report->warn(warning); });
        QFileDevice& out = output.device();
        if (out.write(pdf) != pdf.size())
            throw AppError(75, QStringLiteral("Cannot write %1: %2")
                                   .arg(output.path(), out.errorString()));
        output.complete();
    });
}

} // namespace cli
