#include "bookpackage.h"

#include "join/standalone/standalonepages.h"
#include "xhtmlchapter.h"

namespace join {
namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// One page's entry: its headings as nested lists, a deeper level inside the one above it.
QString pageEntry(int position, const QString& title, const QList<Heading>& headings)
{
    const QString file = chapterFile(position);
    QString entry = QStringLiteral("<li><a href=\"%1\">%2</a>").arg(file, escaped(title));
    QList<int> open; // the levels of the lists open under the page's entry
    for (const Heading& heading : headings) {
        if (open.isEmpty() || heading.level > open.last()) {
            entry += QStringLiteral("<ol>");
            open.append(heading.level);
        } else {
            while (open.size() > 1 && heading.level < open.last()) {
                entry += QStringLiteral("</li></ol>");
                open.removeLast();
            }
            entry += QStringLiteral("</li>");
        }
        entry += QStringLiteral("<li><a href=\"%1#%2\">%3</a>")
                     .arg(file, escaped(xmlId(heading.id)), escaped(heading.text));
    }
    for (qsizetype i = 0; i < open.size(); ++i)
        entry += QStringLiteral("</li></ol>");
    return entry + QStringLiteral("</li>\n");
}

} // namespace

QString chapterFile(int position)
{
    return QStringLiteral("page-%1.xhtml").arg(position);
}

QByteArray containerDocument(const QString& packagePath)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<container version=\"1.0\" "
                          "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                          "<rootfiles><rootfile full-path=\"%1\" "
                          "media-type=\"application/oebps-package+xml\"/>"
                          "</rootfiles>\n</container>\n")
        .arg(packagePath)
        .toUtf8();
}

QString packageDocument(const BookMetadata& metadata, int chapters,
                        const QList<BookImages::Item>& images,
                        const QHash<int, QString>& properties, bool contentsPage)
{
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                       "unique-identifier=\"id\" xml:lang=\"%1\">\n"
                       "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                       "<dc:identifier id=\"id\">%2</dc:identifier>\n<dc:title>%3</dc:title>\n"
                       "<dc:language>%1</dc:language>\n")
            .arg(escaped(metadata.language), escaped(metadata.identifier), escaped(metadata.title));
    if (!metadata.author.isEmpty())
        text += QStringLiteral("<dc:creator>%1</dc:creator>\n").arg(escaped(metadata.author));
    text +=
        QStringLiteral("<meta property=\"dcterms:modified\">%1</meta>\n</metadata>\n<manifest>\n"
                       "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
                       "properties=\"nav\"/>\n"
                       "<item id=\"css\" href=\"book.css\" media-type=\"text/css\"/>\n")
            .arg(metadata.modified);
    for (int position = 1; position <= chapters; ++position) {
        const QString holds = properties.value(position);
        text +=
            QStringLiteral(
                "<item id=\"p%1\" href=\"%2\" media-type=\"application/xhtml+xml\"%3/>\n")
                .arg(QString::number(position), chapterFile(position),
                     holds.isEmpty() ? QString() : QStringLiteral(" properties=\"%1\"").arg(holds));
    }
    for (qsizetype i = 0; i < images.size(); ++i)
        text += QStringLiteral("<item id=\"i%1\" href=\"%2\" media-type=\"%3\"/>\n")
                    .arg(QString::number(i + 1), images[i].path, images[i].mediaType);
    text += QStringLiteral("</manifest>\n<spine>\n");
    if (contentsPage)
        text += QStringLiteral("<itemref idref=\"nav\"/>\n");
    for (int position = 1; position <= chapters; ++position)
        text += QStringLiteral("<itemref idref=\"p%1\"/>\n").arg(position);
    return text + QStringLiteral("</spine>\n</package>\n");
}

QString navigationDocument(const BookMetadata& metadata, const StandalonePages& pages,
                           const QHash<int, QString>& failedTitles)
{
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                       "xmlns:epub=\"http://www.idpf.org/2007/ops\" lang=\"%1\" xml:lang=\"%1\">\n"
                       "<head>\n<title>%2</title>\n"
                       "<link rel=\"stylesheet\" type=\"text/css\" href=\"book.css\"/>\n</head>\n"
                       "<body>\n<nav epub:type=\"toc\" id=\"contents\">\n<h1>Contents</h1>\n<ol>\n")
            .arg(escaped(metadata.language), escaped(metadata.title));
    for (int position = 1; position <= pages.count(); ++position)
        text += failedTitles.contains(position)
                    ? pageEntry(position, failedTitles.value(position), {})
                    : pageEntry(position, pages.title(position), pages.headings(position));
    return text + QStringLiteral("</ol>\n</nav>\n</body>\n</html>\n");
}

} // namespace join
