#pragma once

#include "partspool.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <qpdf/QPDF.hh>

#include <memory>
#include <vector>

class PdfObjectWriter;
class QIODevice;

// One PDF made of printed parts: their sheets in order, and their named destinations (where the
// engine printed each element that something links to) carried over into one list for the whole.
// The parts stay in a spool until the PDF is written, one part after another: only the
// destinations, the outline and the properties are held in memory. Errors of the PDF library
// come out as std::exception.
class PdfMerge
{
public:
    PdfMerge();
    ~PdfMerge();

    // Adds a printed part's sheets after all others, or before all others. Answers on which of
    // the part's sheets (0: its first) each of its named destinations lies.
    QHash<QByteArray, int> add(const QByteArray& pdf, bool atFront = false);
    int sheets() const { return m_sheets; }

    // A link from one part to an element printed in another was written as a web link to
    // marker followed by the element's id, escaped: it becomes a link to that element's
    // destination, and one to an element no part printed is dropped.
    void linkAcrossParts(const QByteArray& marker);
    // Where the named destination lies ([sheet /XYZ left top zoom]); null when no part has it.
    // Asked once all parts are in.
    QPDFObjectHandle destination(const QByteArray& name);
    // Each sheet gets its number at the foot, within a bottom margin of that many points.
    void numberSheets(double bottomMargin) { m_numbersMargin = bottomMargin; }

    // The document's title, author (when not empty) and creator, and the time it was made.
    void setProperties(const QString& title, const QString& author, const QString& creator);

    // How many sheets a printed part has.
    static int sheetsOf(const QByteArray& pdf);

    // The document's own objects: the outline and the properties (its sheets are stand-ins).
    QPDF& document() { return *m_merged; }
    // Writes the whole PDF to out. Throws AppError when out will not take it.
    void write(QIODevice& out);

private:
    // Where a part printed an element: its sheet in the part, then the position's items as the
    // PDF writes them ("/XYZ 40 700 0"). Kept as text: a book may have hundreds of thousands.
    struct Destination
    {
        QByteArray name;
        int sheet;
        QByteArray position;
    };
    struct Part
    {
        int spooled;
        int sheets;
        std::vector<Destination> destinations;
    };

    std::unique_ptr<QPDF> open(int spooled);
    void writePart(PdfObjectWriter& writer, int spooled, int pages, const std::vector<int>& sheets,
                   size_t first);
    void place();
    void writeDestinations(PdfObjectWriter& writer, int number, const std::vector<int>& sheets);
    void relink(QPDF& part);
    QPDFObjectHandle linkedAcross(QPDFObjectHandle annotation);

    PartSpool m_spool;
    std::vector<Part> m_parts; // in their order in the PDF
    int m_sheets = 0;
    std::unique_ptr<QPDF> m_merged;
    std::vector<QPDFObjectHandle> m_standIns; // for the sheets, where the destinations point
    // Each destination's place among all sheets, by name, once the parts are all in.
    QHash<QByteArray, std::pair<int, const Destination*>> m_placed;
    QPDFObjectHandle m_destinations; // a stand-in for the list written as text
    QByteArray m_marker;
    double m_numbersMargin = -1;
};
