#pragma once

#include "join/run/joinresult.h"

#include <QStringEncoder>

#include <functional>

class QFileDevice;

namespace join {

// The joined document written out as its pages arrive: the document's opening, each page's text
// in list order, its closing and CR LF, in UTF-8. None of it is kept in the program, so memory does
// not grow with the list. The texts must come from PageCopy::serialisedBody(), so that the bytes
// are those of the window's joined document.
class StreamedDocument : public JoinResult
{
public:
    // out is open for writing. complete() sees that the written output is kept once the closing
    // is written; it throws AppError when it cannot.
    StreamedDocument(QFileDevice& out, std::function<void()> complete);
    // A document of its own kind: opening is everything up to and including its body's start tag.
    StreamedDocument(QFileDevice& out, std::function<void()> complete, QString opening);
    // Its opening as it is known by begin(), for a document that writes it last.
    void setOpening(QString opening) { m_opening = std::move(opening); }

    void begin(std::chrono::milliseconds bound) override;
    void append(int position, const QString& text) override;
    void finish(std::chrono::milliseconds bound) override;
    bool broken() const override { return !m_error.isEmpty(); }

private:
    void write(const QString& text);

    QFileDevice& m_out;
    std::function<void()> m_complete;
    QString m_opening;
    // One encoder for the whole document: a character split across two pages' texts stays whole.
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QString m_error; // the first write that failed; nothing is written after it
};

} // namespace join
