#include "cli/outputs/epuboutput.h"

#include "cli/args/bookoptions.h"
#include "core/apperror.h"
#include "join/epub/epubjoin.h"
#include "join/standalone/standalonepages.h"
#include "cli/outputs/joinpages.h"
#include "cli/io/output.h"
#include "cli/io/terminalreport.h"

#include <QDir>
#include <QTemporaryFile>

namespace cli {
namespace {

// Copies the finished archive to a device that cannot seek.
void copyTo(QFile& archive, Output& output)
{
    QFileDevice& out = output.device();
    archive.seek(0);
    while (!archive.atEnd()) {
        const QByteArray part = archive.read(1 << 20);
        if (part.isEmpty() || out.write(part) != part.size())
            throw AppError(
                75, QStringLiteral("Cannot write %1: %2").arg(output.path(), out.errorString()));
    }
    output.complete();
}

} // namespace

bool joinToEpub(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                const BookOptions& book, Output& output)
{
    QTemporaryFile archive(QDir::temp().filePath(QStringLiteral("vantrel-join-XXXXXX.epub")));
    const bool inPlace = !output.device().isSequential();
    if (!inPlace && !archive.open()) {
        report->fail(join::WriteStatement, 0,
                     QStringLiteral("cannot make a temporary file for the book: ") +
                         archive.errorString());
        return false;
    }
    join::StandaloneSettings standalone = settings.standalone.value_or(join::StandaloneSettings{});
    standalone.outlineDepth = book.outlineDepth;
    join::EpubJoin epub(
        report->addresses(), standalone, {book.title, book.author, standalone.contents},
        inPlace ? static_cast<QIODevice&>(output.device()) : archive,
        [&] { inPlace ? output.complete() : copyTo(archive, output); },
        [report](const QString& warning) { report->warn(warning); });
    if (settings.chain)
        report->whenAddressAdded(
            [&pages = epub.pages()](const QString& address) { pages.add(address); });
    const JoinSettings epubSettings = tellingOutcomes(
        settings, report, [&book = epub.result()](const join::PageOutcome& outcome) {
            book.pageFailed(outcome.position, outcome.address, outcome.failure);
        });
    return joinPagesInto(report, epubSettings, epub.result(), epub.copy());
}

} // namespace cli
