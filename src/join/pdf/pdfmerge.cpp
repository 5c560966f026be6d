#include "pdfmerge.h"

#include "core/apperror.h"

#include <QDateTime>
#include <QIODevice>
#include <map>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace {

// Where the PDF library writes: the output device, each write checked.
class DevicePipeline : public Pipeline
{
public:
    explicit DevicePipeline(QIODevice& out) : Pipeline("output", nullptr), m_out(out) {}

    void write(unsigned char const* data, size_t length) override
    {
        if (m_out.write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length))
            throw AppError(75, QStringLiteral("Cannot write the PDF: ") + m_out.errorString());
    }
    void finish() override {}

private:
    QIODevice& m_out;
};

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

QHash<QByteArray, int> PdfMerge::add(const QByteArray& pdf, bool atFront)
{
    auto part = std::make_unique<QPDF>();
    part->setSuppressWarnings(true);
    part->processInputSource(m_spool.source(m_spool.add(pdf)));
    QPDFPageDocumentHelper merged(*m_merged);
    const std::vector<QPDFObjectHandle> before = m_merged->getAllPages();
    std::vector<QPDFObjectHandle> sheets;
    for (QPDFObjectHandle sheet : part->getAllPages()) {
        if (atFront && !before.empty())
            merged.addPageAt(QPDFPageObjectHelper(sheet), true, QPDFPageObjectHelper(before[0]));
        else
            merged.addPage(QPDFPageObjectHelper(sheet), false);
        sheets.push_back(sheet);
    }
    QHash<QByteArray, int> sheetOf;
    addDestinations(*part, sheets, sheetOf);
    m_parts.push_back(std::move(part));
    return sheetOf;
}

int PdfMerge::sheets() const
{
    return int(m_merged->getAllPages().size());
}

void PdfMerge::addDestinations(QPDF& part, const std::vector<QPDFObjectHandle>& sheets,
                               QHash<QByteArray, int>& sheetOf)
{
    std::map<QPDFObjGen, int> indexOf;
    for (size_t i = 0; i < sheets.size(); ++i)
        indexOf[sheets[i].getObjGen()] = int(i);
    QPDFObjectHandle names = part.getRoot().getKey("/Dests");
    if (!names.isDictionary())
        return;
    for (const std::string& key : names.getKeys()) {
        QPDFObjectHandle target = names.getKey(key);
        if (target.isDictionary())
            target = target.getKey("/D");
        if (!target.isArray() || target.getArrayNItems() < 1 ||
            !indexOf.count(target.getArrayItem(0).getObjGen()))
            continue;
        const int index = indexOf[target.getArrayItem(0).getObjGen()];
        // The sheet as merged (a copy of the part's), then the position as the engine gave it.
        QPDFObjectHandle copied = QPDFObjectHandle::newArray();
        copied.appendItem(m_merged->copyForeignObject(sheets[size_t(index)]));
        for (int i = 1; i < target.getArrayNItems(); ++i)
            copied.appendItem(QPDFObjectHandle::parse(target.getArrayItem(i).unparse()));
        m_destinations.replaceKey(key, copied);
        sheetOf.insert(nameOf(key), index);
    }
}

QPDFObjectHandle PdfMerge::destination(const QByteArray& name)
{
    return m_destinations.getKey("/" + name.toStdString());
}

void PdfMerge::linkAcrossParts(const QByteArray& marker)
{
    for (QPDFObjectHandle sheet : m_merged->getAllPages()) {
        QPDFObjectHandle annotations = sheet.getKey("/Annots");
        if (!annotations.isArray())
            continue;
        QPDFObjectHandle kept = QPDFObjectHandle::newArray();
        bool changed = false;
        for (QPDFObjectHandle annotation : annotations.aitems()) {
            QPDFObjectHandle linked = linkedAcross(annotation, marker);
            changed = changed || !linked.isSameObjectAs(annotation);
            if (!linked.isNull())
                kept.appendItem(linked);
        }
        if (changed)
            sheet.replaceKey("/Annots", kept);
    }
}

// The annotation as it stays: itself, made a link to a destination, or null when it goes.
QPDFObjectHandle PdfMerge::linkedAcross(QPDFObjectHandle annotation, const QByteArray& marker)
{
    QPDFObjectHandle action = annotation.isDictionary() ? annotation.getKey("/A")
                                                              : QPDFObjectHandle::newNull();
    if (!action.isDictionary() || !action.getKey("/URI").isString())
        return annotation;
    const QByteArray uri = QByteArray::fromStdString(action.getKey("/URI").getStringValue());
    if (!uri.startsWith(marker))
        return annotation;
    const QByteArray name = QByteArray::fromPercentEncoding(uri.mid(marker.size()));
    if (destination(name).isNull())
        return QPDFObjectHandle::newNull();
    annotation.removeKey("/A");
    annotation.replaceKey("/Dest", QPDFObjectHandle::newName("/" + name.toStdString()));
    return annotation;
}

void PdfMerge::setProperties(const QString& title, const QString& author,
                             const QString& creator)
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

void PdfMerge::write(QIODevice& out)
{
    DevicePipeline pipeline(out);
    QPDFWriter writer(*m_merged);
    writer.setOutputPipeline(&pipeline);
    writer.write();
}
