#pragma once

#include "partspool.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <qpdf/QPDF.hh>

#include <memory>
#include <vector>

class QIODevice;

// One PDF made of printed parts: their sheets in order, and their named destinations (where the
// engine printed each element that something links to) carried over into one list for the whole.
// The parts stay in a spool until the PDF is written; only their structure is held in memory.
// Errors of the PDF library come out as std::exception.
class PdfMerge
{
public:
    PdfMerge();
    ~PdfMerge();

    // Adds a printed part's sheets after all others, or before all others. Answers on which of
    // the part's sheets (0: its first) each of its named destinations lies.
    QHash<QByteArray, int> add(const QByteArray& pdf, bool atFront = false);
    int sheets() const;

    // A link from one part to an element printed in another was written as a web link to
    // marker followed by the element's id, escaped: it becomes a link to that element's
    // destination, and one to an element no part printed is dropped.
    void linkAcrossParts(const QByteArray& marker);
    // Where the named destination lies ([sheet /XYZ left top zoom]); null when no part has it.
    QPDFObjectHandle destination(const QByteArray& name);

    // The document's title, author (when not empty) and creator, and the time it was made.
    void setProperties(const QString& title, const QString& author, const QString& creator);

    // How many sheets a printed part has.
    static int sheetsOf(const QByteArray& pdf);

    QPDF& document() { return *m_merged; }
    // Writes the whole PDF to out. Throws AppError when out will not take it.
    void write(QIODevice& out);

private:
    void addDestinations(QPDF& part, const std::vector<QPDFObjectHandle>& sheets,
                         QHash<QByteArray, int>& sheetOf);
    QPDFObjectHandle linkedAcross(QPDFObjectHandle annotation, const QByteArray& marker);

    PartSpool m_spool;
    std::unique_ptr<QPDF> m_merged;
    // Read while the PDF is written: the sheets' contents are copied from them then.
    std::vector<std::unique_ptr<QPDF>> m_parts;
    QPDFObjectHandle m_destinations;
};
