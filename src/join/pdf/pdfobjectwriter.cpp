#include "pdfobjectwriter.h"

#include "core/apperror.h"
#include "core/fileshortfall.h"

#include <QIODevice>

#include <qpdf/Buffer.hh>

PdfObjectWriter::PdfObjectWriter(QIODevice& out) : m_out(out)
{
    // The binary comment tells readers the file is not text.
    put("%PDF-1.4\n%\xbf\xf7\xa2\xfe\n");
}

void PdfObjectWriter::put(const QByteArray& bytes)
{
    if (m_out.write(bytes) != bytes.size())
        throw AppError(75, QStringLiteral("Cannot write the PDF: ") + shortfallOf(m_out));
    m_at += bytes.size();
}

int PdfObjectWriter::reserve()
{
    m_offsets.push_back(-1);
    return int(m_offsets.size());
}

void PdfObjectWriter::beginDocument()
{
    m_numbers.clear();
}

void PdfObjectWriter::alias(QPDFObjectHandle object, int number)
{
    m_numbers[object.getObjGen()] = number;
}

int PdfObjectWriter::numberOf(QPDFObjectHandle object)
{
    const auto found = m_numbers.find(object.getObjGen());
    if (found != m_numbers.end())
        return found->second;
    const int number = reserve();
    m_numbers[object.getObjGen()] = number;
    m_waiting.push_back(object);
    return number;
}

int PdfObjectWriter::write(QPDFObjectHandle object, int number)
{
    if (number == 0)
        number = numberOf(object);
    else {
        m_numbers[object.getObjGen()] = number;
        m_waiting.push_back(object);
    }
    while (!m_waiting.empty()) {
        QPDFObjectHandle next = m_waiting.front();
        m_waiting.pop_front();
        writeText(m_numbers[next.getObjGen()], body(next));
    }
    return number;
}

void PdfObjectWriter::writeText(int number, const QByteArray& body)
{
    beginText(number);
    put(body);
    endText();
}

void PdfObjectWriter::beginText(int number)
{
    m_offsets[size_t(number - 1)] = m_at;
    put(QByteArray::number(number) + " 0 obj\n");
}

// The object as written where it is defined: a stream with its data as the part had it.
QByteArray PdfObjectWriter::body(QPDFObjectHandle object)
{
    if (!object.isStream())
        return text(object, true);
    const std::shared_ptr<Buffer> data = object.getRawStreamData();
    QPDFObjectHandle dictionary = object.getDict().shallowCopy();
    dictionary.replaceKey("/Length", QPDFObjectHandle::newInteger(qint64(data->getSize())));
    return text(dictionary, true) + "\nstream\n" +
           QByteArray(reinterpret_cast<const char*>(data->getBuffer()),
                      qsizetype(data->getSize())) +
           "\nendstream";
}

QByteArray PdfObjectWriter::text(QPDFObjectHandle object, bool top)
{
    if (!top && object.isIndirect())
        return QByteArray::number(numberOf(object)) + " 0 R";
    if (object.isDictionary()) {
        QByteArray text = "<<";
        for (auto [key, value] : object.ditems())
            if (!value.isNull())
                text += QByteArray::fromStdString(QPDFObjectHandle::newName(key).unparse()) + ' ' +
                        this->text(value) + ' ';
        return text + ">>";
    }
    if (object.isArray()) {
        QByteArray text = "[";
        for (QPDFObjectHandle item : object.aitems())
            text += this->text(item) + ' ';
        return text + "]";
    }
    return QByteArray::fromStdString(object.unparseResolved());
}

void PdfObjectWriter::finish(int root, int info)
{
    const qint64 table = m_at;
    QByteArray text = "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size()) + 1) +
                      "\n0000000000 65535 f \n";
    for (const qint64 offset : m_offsets)
        text += offset < 0 ? QByteArray("0000000000 65535 f \n")
                           : QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    text += "trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size()) + 1) + " /Root " +
            QByteArray::number(root) + " 0 R";
    if (info > 0)
        text += " /Info " + QByteArray::number(info) + " 0 R";
    put(text + " >>\nstartxref\n" + QByteArray::number(table) + "\n%%EOF\n");
}
