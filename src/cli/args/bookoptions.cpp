#include "bookoptions.h"

#include "bytetext.h"

#include <QCommandLineParser>

namespace cli {
namespace {

const QString Title = QStringLiteral("title");
const QString Author = QStringLiteral("author");
const QString OutlineDepth = QStringLiteral("outline-depth");
const QString NoPageNumbers = QStringLiteral("no-page-numbers");
constexpr int MaxOutlineDepth = 6;

} // namespace

QList<QCommandLineOption> bookOptions()
{
    return {
        {Title,
         QStringLiteral("The PDF's title in its properties (default: the first page's title)."),
         QStringLiteral("text")},
        {Author, QStringLiteral("The PDF's author in its properties."), QStringLiteral("text")},
        {OutlineDepth,
         QStringLiteral("Under each page's entry in the PDF's outline (its bookmarks), its "
                        "headings down to this level (0: pages only; default: 2, h1 and h2; at "
                        "most %1).")
             .arg(MaxOutlineDepth),
         QStringLiteral("n")},
        {NoPageNumbers, QStringLiteral("Print no page numbers at the foot of a PDF's sheets.")},
    };
}

QString readBookOptions(const QCommandLineParser& parser, BookOptions& book)
{
    book.title = parser.value(Title);
    book.author = parser.value(Author);
    book.pageNumbers = !parser.isSet(NoPageNumbers);
    if (parser.isSet(OutlineDepth)) {
        bool ok = false;
        book.outlineDepth = parser.value(OutlineDepth).toInt(&ok);
        if (!ok || book.outlineDepth < 0 || book.outlineDepth > MaxOutlineDepth)
            return QStringLiteral("--outline-depth wants a whole number from 0 to %1, not '%2'")
                .arg(MaxOutlineDepth)
                .arg(shownText(parser.value(OutlineDepth)));
    }
    return {};
}

} // namespace cli
