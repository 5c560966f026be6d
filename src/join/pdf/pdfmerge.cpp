#include "pdfmerge.h"

#include "core/apperror.h"
#include "pdfobjectwriter.h"
#include "sheetnumbers.h"

#include <QDateTime>
#include <QIODevice>
#include <map>
#include <set>
#include <utility>

#include <qpdf/QPDFPageDocumentHelper.hh>

namespace {

QByteArray nameOf(const std::string& key)
{
    return QByteArray::fromStdString(key.substr(1)); // without its leading '/'
}

} // namespace

PdfMerge::PdfMerge() : m_merged(std::make_unique<QPDF>())
{
    m_merged->emptyPDF();
    m_merged->setSuppressWarnings(true);
    m_destinations = m_merged->makeIndirectObject(QPDFObjectHandle::newDictionary());
    m_merged->getRoot().replaceKey("/Dests", m_destinations);
}

PdfMerge::~PdfMerge() = default;

std::unique_ptr<QPDF> PdfMerge::open(int spooled)
{
    auto part = std::make_unique<QPDF>();
    part->setSuppressWarnings(true);
    part->processInputSource(m_spool.source(spooled));
    return part;
}

QHash<QByteArray, int> PdfMerge::add(const QByteArray& pdf, bool atFront)
{
    Part added{m_spool.add(pdf), 0, {}};
    // Read for its sheets and destinations, then let go until the PDF is written.
    const std::unique_ptr<QPDF> part = open(added.spooled);
    std::map<QPDFObjGen, int> indexOf;
    for (const QPDFObjectHandle& sheet : part->getAllPages())
        indexOf[sheet.getObjGen()] = added.sheets++;
    QHash<QByteArray, int> sheetOf;
    QPDFObjectHandle names = part->getRoot().getKey("/Dests");
    for (const std::string& key :
         names.isDictionary() ? names.getKeys() : std::set<std::string>{}) {
        QPDFObjectHandle target = names.getKey(key);
        if (target.isDictionary())
            target = target.getKey("/D");
        if (!target.isArray() || target.getArrayNItems() < 1 ||
            !indexOf.count(target.getArrayItem(0).getObjGen()))
            continue;
        Destination destination{nameOf(key), indexOf[target.getArrayItem(0).getObjGen()], {}};
        for (int i = 1; i < target.getArrayNItems(); ++i)
            destination.position +=
                ' ' + QByteArray::fromStdString(target.getArrayItem(i).unparse());
        sheetOf.insert(destination.name, destination.sheet);
        added.destinations.push_back(std::move(destination));
    }
    m_sheets += added.sheets;
    m_parts.insert(atFront ? m_parts.begin() : m_parts.end(), std::move(added));
    return sheetOf;
}

// Gives each sheet its stand-in and each destination its place among all sheets; of two alike
// named, the later.
void PdfMerge::place()
{
    if (!m_standIns.empty() || m_sheets == 0)
        return;
    for (int i = 0; i < m_sheets; ++i)
        m_standIns.push_back(m_merged->makeIndirectObject(QPDFObjectHandle::newDictionary()));
    int first = 0;
    for (const Part& part : m_parts) {
        for (const Destination& destination : part.destinations)
            m_placed.insert(destination.name, {first + destination.sheet, &destination});
        first += part.sheets;
    }
}

QPDFObjectHandle PdfMerge::destination(const QByteArray& name)
{
    place();
    const auto placed = m_placed.constFind(name);
    if (placed == m_placed.constEnd())
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle target =
        QPDFObjectHandle::parse("[" + placed->second->position.toStdString() + " ]");
    target.insertItem(0, m_standIns[size_t(placed->first)]);
    return target;
}

// The list of destinations, written a piece at a time: as objects of the PDF library, a long
// book's would take many times the memory.
void PdfMerge::writeDestinations(PdfObjectWriter& writer, int number,
                                 const std::vector<int>& sheets)
{
    constexpr qsizetype Piece = 64 * 1024;
    writer.beginText(number);
    QByteArray text = "<<";
    for (auto placed = m_placed.constBegin(); placed != m_placed.constEnd(); ++placed) {
        text += QByteArray::fromStdString(
                    QPDFObjectHandle::newName("/" + placed.key().toStdString()).unparse()) +
                " [" + QByteArray::number(sheets[size_t(placed->first)]) + " 0 R" +
                placed->second->position + "] ";
        if (text.size() > Piece)
            writer.appendText(std::exchange(text, {}));
    }
    writer.appendText(text + ">>");
    writer.endText();
}

void PdfMerge::linkAcrossParts(const QByteArray& marker)
{
    m_marker = marker;
}

void PdfMerge::relink(QPDF& part)
{
    for (QPDFObjectHandle sheet : part.getAllPages()) {
        QPDFObjectHandle annotations = sheet.getKey("/Annots");
        if (!annotations.isArray())
            continue;
        QPDFObjectHandle kept = QPDFObjectHandle::newArray();
        bool changed = false;
        for (QPDFObjectHandle annotation : annotations.aitems()) {
            QPDFObjectHandle linked = linkedAcross(annotation);
            changed = changed || !linked.isSameObjectAs(annotation);
            if (!linked.isNull())
                kept.appendItem(linked);
        }
        if (changed)
            sheet.replaceKey("/Annots", kept);
    }
}

// The annotation as it stays: itself, made a link to a destination, or null when it goes.
QPDFObjectHandle PdfMerge::linkedAcross(QPDFObjectHandle annotation)
{
    QPDFObjectHandle action =
        annotation.isDictionary() ? annotation.getKey("/A") : QPDFObjectHandle::newNull();
    if (!action.isDictionary() || !action.getKey("/URI").isString())
        return annotation;
    const QByteArray uri = QByteArray::fromStdString(action.getKey("/URI").getStringValue());
    if (!uri.startsWith(m_marker))
        return annotation;
    const QByteArray name = QByteArray::fromPercentEncoding(uri.mid(m_marker.size()));
    place();
    if (!m_placed.contains(name))
        return QPDFObjectHandle::newNull();
    annotation.removeKey("/A");
    annotation.replaceKey("/Dest", QPDFObjectHandle::newName("/" + name.toStdString()));
    return annotation;
}

void PdfMerge::setProperties(const QString& title, const QString& author, const QString& creator)
{
    QPDFObjectHandle info = m_merged->makeIndirectObject(QPDFObjectHandle::newDictionary());
    // Text the PDF way: in its own encoding where that will do, in UTF-16 where not.
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
    if (!author.isEmpty())
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(author.toStdString()));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(creator.toStdString()));
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    const QString date = now.toString(QStringLiteral("'D:'yyyyMMddHHmmss")) +
                         (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
                         QStringLiteral("%1'%2'")
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(date.toStdString()));
    m_merged->getTrailer().replaceKey("/Info", info);
}

int PdfMerge::sheetsOf(const QByteArray& pdf)
{
    QPDF part;
    part.setSuppressWarnings(true);
    part.processMemoryFile("part", pdf.constData(), size_t(pdf.size()));
    return int(part.getAllPages().size());
}

// Writes the part's sheets, the first being the whole's sheet first, as numbered in sheets, under
// the page tree numbered pages.
void PdfMerge::writePart(PdfObjectWriter& writer, int spooled, int pages,
                         const std::vector<int>& sheets, size_t first)
{
    const std::unique_ptr<QPDF> part = open(spooled);
    QPDFPageDocumentHelper(*part).pushInheritedAttributesToPage();
    writer.beginDocument();
    QPDFObjectHandle parent = part->makeIndirectObject(QPDFObjectHandle::newDictionary());
    writer.alias(parent, pages);
    if (!m_marker.isEmpty())
        relink(*part);
    if (m_numbersMargin >= 0)
        ::numberSheets(*part, int(first), m_sheets, m_numbersMargin);
    // Numbered first, so that whatever leads to a sheet of the part leads to the one written.
    std::vector<QPDFObjectHandle> partSheets = part->getAllPages();
    for (size_t i = 0; i < partSheets.size(); ++i)
        writer.alias(partSheets[i], sheets[first + i]);
    for (size_t i = 0; i < partSheets.size(); ++i) {
        partSheets[i].replaceKey("/Parent", parent);
        writer.write(partSheets[i], sheets[first + i]);
    }
}

void PdfMerge::write(QIODevice& out)
{
    place();
    PdfObjectWriter writer(out);
    const int catalog = writer.reserve();
    const int pages = writer.reserve();
    std::vector<int> sheets;
    QByteArray kids;
    for (int i = 0; i < m_sheets; ++i) {
        sheets.push_back(writer.reserve());
        kids += QByteArray::number(sheets.back()) + " 0 R ";
    }
    // One part at a time: its structure goes once its sheets are written.
    size_t first = 0;
    for (const Part& part : m_parts) {
        writePart(writer, part.spooled, pages, sheets, first);
        first += size_t(part.sheets);
    }
    writer.beginDocument();
    for (size_t i = 0; i < m_standIns.size(); ++i)
        writer.alias(m_standIns[i], sheets[i]);
    const int destinations = writer.reserve();
    writer.alias(m_destinations, destinations);
    QPDFObjectHandle tree = m_merged->makeIndirectObject(QPDFObjectHandle::newDictionary());
    writer.alias(tree, pages);
    QPDFObjectHandle root = m_merged->getRoot();
    root.replaceKey("/Pages", tree);
    writer.write(root, catalog);
    writer.writeText(pages, "<< /Type /Pages /Kids [ " + kids + "] /Count " +
                                QByteArray::number(m_sheets) + " >>");
    writeDestinations(writer, destinations, sheets);
    QPDFObjectHandle info = m_merged->getTrailer().getKey("/Info");
    writer.finish(catalog, info.isDictionary() ? writer.write(info) : 0);
}
