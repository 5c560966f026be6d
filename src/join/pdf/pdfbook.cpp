#include "pdfbook.h"

#include "core/apperror.h"
#include "core/jsontext.h"
#include "join/engine/enginehost.h"
#include "join/engine/resourcetext.h"
#include "joinedsections.h"
#include "partprinting.h"
#include "partsource.h"
#include "pdfmerge.h"
#include "pdfoutline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QWebEngineProfile>

#include <memory>
#include <optional>

namespace {

// A contents list printed again with its numbers may take more sheets than it did without them,
// which moves every number; it settles within a few prints.
constexpr int ContentsPrints = 3;

QByteArray sectionId(int position)
{
    return "p" + QByteArray::number(position);
}

class BookPrinter
{
public:
    BookPrinter(const QList<BookPage>& pages, const BookSettings& settings,
                const std::function<void(const QString&)>& warn)
        : m_pages(pages), m_settings(settings), m_warn(warn),
          m_profile(EngineHost::createPrivateProfile()),
          m_marker("http://parts.vantrel.invalid/" +
                   QByteArray::number(QRandomGenerator::system()->generate64(), 36) + "/")
    {
        m_profile->installUrlSchemeHandler(PartSource::Scheme, &m_source);
    }

    void print(QIODevice& joined, QIODevice& out);

private:
    PartPrinting printing(int atOnce)
    {
        return PartPrinting(*m_profile, m_source, m_settings.layout, m_settings.loadBound, atOnce,
                            m_warn);
    }
    void printPages(JoinedSections& sections);
    void printContents(const QByteArray& contents);
    PrintPart part(const QByteArray& body, const QJsonObject& sheets, const QString& what) const;
    void finish(QIODevice& out);

    const QList<BookPage>& m_pages;
    const BookSettings& m_settings;
    const std::function<void(const QString&)>& m_warn;
    PartSource m_source;
    // After the source its handler uses, before the printers that use it.
    std::unique_ptr<QWebEngineProfile> m_profile;
    const QByteArray m_marker;
    QByteArray m_head;
    PdfMerge m_merge;
    QList<int> m_firstSheets; // of each page, from 0, in the pages' parts
};

void BookPrinter::print(QIODevice& joined, QIODevice& out)
{
    JoinedSections sections(joined);
    m_head = sections.head();
    const QByteArray contents = sections.contents();
    printPages(sections);
    if (!contents.trimmed().isEmpty())
        printContents(contents);
    finish(out);
}

void BookPrinter::printPages(JoinedSections& sections)
{
    int given = 0;
    printing(m_settings.printersAtOnce)
        .print(
            [&]() -> std::optional<PrintPart> {
                if (given == m_pages.size())
                    return std::nullopt;
                ++given;
                return part(
                    sections.section(given, int(m_pages.size())), {},
                    QStringLiteral("page %1 (%2)").arg(given).arg(m_pages[given - 1].address));
            },
            [&](const QByteArray& pdf) {
                const int position = int(m_firstSheets.size()) + 1;
                const int before = m_merge.sheets();
                m_firstSheets.append(before + m_merge.add(pdf).value(sectionId(position)));
            });
}

void BookPrinter::printContents(const QByteArray& contents)
{
    QByteArray pdf;
    int sheets = 1;
    for (int print = 0; print < ContentsPrints; ++print) {
        QJsonObject numbers;
        for (int position = 1; position <= m_firstSheets.size(); ++position)
            numbers.insert(QString::fromLatin1(sectionId(position)),
                           sheets + m_firstSheets[position - 1] + 1);
        pdf = printing(1).printOne(part(contents, numbers, QStringLiteral("the list of contents")));
        const int printed = PdfMerge::sheetsOf(pdf);
        if (printed == sheets)
            break;
        sheets = printed;
    }
    m_merge.add(pdf, true);
}

// The part's document: the joined document's head and body, readied for print by the script.
PrintPart BookPrinter::part(const QByteArray& body, const QJsonObject& sheets,
                            const QString& what) const
{
    static const QString prepare = join::resourceText(QStringLiteral(":/join/print/prepare.js"));
    // What a sheet holds, in CSS pixels (96 to the inch).
    const double sheetHeight = m_settings.layout.paintRect(QPageLayout::Point).height() * 96 / 72;
    QJsonObject settings{{QStringLiteral("marker"), QString::fromLatin1(m_marker)},
                         {QStringLiteral("zoom"), m_settings.zoom},
                         {QStringLiteral("sheetHeight"), sheetHeight}};
    if (!sheets.isEmpty())
        settings.insert(QStringLiteral("sheets"), sheets);
    return {m_head + body,
            prepare + QStringLiteral("(") +
                QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact)) +
                QStringLiteral(")"),
            what};
}

void BookPrinter::finish(QIODevice& out)
{
    m_merge.linkAcrossParts(m_marker);
    addOutline(m_merge, outlineOf(m_pages));
    if (m_settings.sheetNumbers)
        m_merge.numberSheets(m_settings.layout.marginsPoints().bottom());
    m_merge.setProperties(m_settings.title.isEmpty() && !m_pages.isEmpty() ? m_pages[0].title
                                                                           : m_settings.title,
                          m_settings.author, m_settings.creator);
    m_merge.write(out);
}

} // namespace

void printBook(QIODevice& joined, const QList<BookPage>& pages, const BookSettings& settings,
               QIODevice& out, const std::function<void(const QString&)>& warn)
{
    try {
        BookPrinter(pages, settings, warn).print(joined, out);
    } catch (const AppError&) {
        throw;
    } catch (const std::exception& error) {
        throw AppError(75, QStringLiteral("cannot make the PDF: ") +
                               QString::fromLocal8Bit(error.what()));
    }
}
