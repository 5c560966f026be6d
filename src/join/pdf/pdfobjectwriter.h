#pragma once

#include <QByteArray>

#include <qpdf/QPDFObjectHandle.hh>

#include <deque>
#include <map>
#include <vector>

class QIODevice;

// Writes a PDF object by object straight to a device, numbering anew the objects of the PDF
// library's documents it is given, one document after another: each document can be let go once
// written, so that a PDF of any length never has its whole structure in memory.
// Throws AppError when the device will not take it.
class PdfObjectWriter
{
public:
    explicit PdfObjectWriter(QIODevice& out);

    // A number for an object written later.
    int reserve();
    // Starts on objects of another document: numbers given to the last one's objects are let go.
    void beginDocument();
    // References to object are written as references to number, and object itself is not.
    void alias(QPDFObjectHandle object, int number);
    // Writes the indirect object as number (a new one when 0), then all it refers to that is not
    // written yet; answers its number.
    int write(QPDFObjectHandle object, int number = 0);
    void writeText(int number, const QByteArray& body);
    // The same in pieces, for an object too large to be held whole.
    void beginText(int number);
    void appendText(const QByteArray& piece) { put(piece); }
    void endText() { put("\nendobj\n"); }
    // The cross-reference table and the trailer (info 0: none).
    void finish(int root, int info);

private:
    int numberOf(QPDFObjectHandle object);
    QByteArray text(QPDFObjectHandle object, bool top = false);
    QByteArray body(QPDFObjectHandle object);
    void put(const QByteArray& bytes);

    QIODevice& m_out;
    qint64 m_at = 0;
    std::vector<qint64> m_offsets; // of the object numbered index + 1; -1 until it is written
    std::map<QPDFObjGen, int> m_numbers;
    std::deque<QPDFObjectHandle> m_waiting;
};
