#pragma once

#include "join/run/joinresult.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <functional>
#include <memory>

class QFileDevice;

namespace join {

class StandalonePages;

enum class TextFormat { Markdown, Plain };

// The joined pages as one text file, a part per page: its title and address, then the page's text
// as its copy made it (Markdown or plain). A page that gave nothing has a part that says why.
//
// In Markdown each title is a level-1 heading, and the copies' markers are decided as each part is
// written: a link to a page of the join leads to its part's heading, or to the heading it named,
// by the anchor a GitHub-flavoured renderer gives it; any other link and every image keep their
// absolute address. Parts are written as their pages arrive, or, written whole at the end, they
// wait in a temporary file (with no name). Written as they arrive, a link to a later page, whose
// title and headings are not known yet, leads to an anchor of its own (p3, or p3- and the heading's
// id) that its part puts in its title's heading, or in the heading it names. Contents, a list of
// the parts at the top, need the whole.
class TextDocument : public JoinResult
{
public:
    // out is open for writing; complete() sees that what was written is kept, and throws AppError
    // when it cannot.
    TextDocument(QFileDevice& out, std::function<void()> complete, const StandalonePages& pages,
                 TextFormat format, bool whole, bool contents);
    ~TextDocument() override;

    // Why the page at position (address, as listed) failed, told before the page after it
    // arrives.
    void pageFailed(int position, const QString& address, const QString& failure);

    void begin(std::chrono::milliseconds bound) override;
    void append(int position, const QString& text) override;
    void finish(std::chrono::milliseconds bound) override;
    bool broken() const override { return !m_error.isEmpty(); }

private:
    void writePartsUpTo(int position, const QString& text);
    void writePart(int position, const QString& text);
    void writeContents();
    // The title and address a part is headed by.
    QPair<QString, QString> partHeading(int position) const;
    // Gives the part at position, and every heading in it, the anchor a renderer makes of it.
    void nameAnchors(int position);
    QString anchor(const QString& heading);
    QString decided(const QString& text);
    QString linkTo(const QString& address);
    // The part's Markdown with the anchors that earlier parts' links to it wait for.
    QString withForwardAnchors(int position, QString& title, const QString& body);
    void write(const QString& text);
    void failed(const QString& doing, const QIODevice& device);

    QFileDevice& m_out;
    std::function<void()> m_complete;
    const StandalonePages& m_pages;
    TextFormat m_format;
    bool m_contents;
    int m_written = 0;
    int m_named = 0;                                // parts whose anchors are known
    QHash<int, QPair<QString, QString>> m_failures; // address, why; until their parts are written
    QHash<int, QString> m_partAnchors;
    QHash<QString, QString> m_headingAnchors; // by the heading's id in the copy
    QHash<QString, int> m_anchorUses;
    QHash<int, QSet<QString>> m_forwardAnchors; // by the part they are in, until it is written
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    std::unique_ptr<QTemporaryFile> m_spool;
    QList<QPair<int, qint64>> m_spooled; // position, size in bytes
    QString m_error;                     // the first write that failed; nothing is written after
};

// The anchor a GitHub-flavoured renderer gives a heading: lower case, without punctuation, spaces
// as hyphens.
QString headingAnchor(const QString& heading);

} // namespace join
