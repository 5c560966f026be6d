#include "bookoptions.h"

#include "bytetext.h"

#include <QCommandLineParser>

namespace cli {
namespace {

const QString Title = QStringLiteral("title");
const QString Author = QStringLiteral("author");
const QString OutlineDepth = QStringLiteral("outline-depth");
const QString NoPageNumbers = QStringLiteral("no-page-numbers");
const QString Zoom = QStringLiteral("zoom");
constexpr double MinZoom = 0.3;
constexpr double MaxZoom = 2;
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
        {Zoom,
         QStringLiteral("Print a PDF's pages at this scale, %1 to %2 (default: 1); below 1, more "
                        "of each page to a sheet.")
             .arg(MinZoom)
             .arg(MaxZoom),
         QStringLiteral("factor")},
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
    if (parser.isSet(Zoom)) {
        bool ok = false;
        book.zoom = parser.value(Zoom).toDouble(&ok);
        if (!ok || !(book.zoom >= MinZoom && book.zoom <= MaxZoom))
            return QStringLiteral("--zoom wants a number from %1 to %2, not '%3'")
                .arg(MinZoom)
                .arg(MaxZoom)
                .arg(shownText(parser.value(Zoom)));
    }
    return {};
}

} // namespace cli
