#pragma once

#include "join/run/joinresult.h"
#include "join/stream/streameddocument.h"

#include <QList>
#include <QPair>
#include <QTemporaryFile>

#include <functional>
#include <memory>

class QFileDevice;

namespace join {

class ImageStore;
class LookSheet;
class StandalonePages;

// A joined file that stands on its own: a head with a stylesheet of its own and a policy that runs
// no script, then each page's copy (a StandaloneCopy) in a section of its own with the page's id
// (p3) and source address. The copies' markers are decided as each section is written: a link to
// a page of the join leads to its section, an image becomes its data: address. A page that gave
// nothing still has its (empty) section, so that links to it land.
//
// Sections are written as their pages arrive, with what is known by then; or, written whole at
// the end, they wait in a temporary file (with no name, so that it goes with the process) and
// then every link is decided with every page known. Contents, a list of every section by its
// page's title at the top, need the whole. The classes of the pages' looks are written in the
// head when written whole; otherwise those new with a section go right before it. A temporary file
// that cannot be written or read back breaks the document: it is never made final.
class StandaloneDocument : public JoinResult
{
public:
    StandaloneDocument(QFileDevice& out, std::function<void()> complete,
                       const StandalonePages& pages, ImageStore& images, const LookSheet& looks,
                       bool whole, bool contents);
    ~StandaloneDocument() override;

    void begin(std::chrono::milliseconds bound) override;
    void append(int position, const QString& text) override;
    void finish(std::chrono::milliseconds bound) override;
    bool broken() const override;

private:
    void writeSectionsUpTo(int position, const QString& text);
    void writeSection(int position, const QString& text);
    void writeContents();
    // The @font-face rules of the web fonts the pages new since the last call drew in, with
    // their data.
    QString fontRules();
    void writeSpooled();
    void throwIfBroken() const;
    // Notes the first thing the spool could not do.
    void spoolFailed(const QString& doing);
    // Writes text with its markers decided.
    void writeDecided(const QString& text);
    QString decided(QChar kind, const QString& address, QByteArray& data);

    StreamedDocument m_out;
    const StandalonePages& m_pages;
    ImageStore& m_images;
    const LookSheet& m_looks;
    int m_looksWritten = 0; // classes whose rules are written
    int m_facesWritten = 0; // faces of web fonts whose rules are written
    bool m_contents;
    int m_written = 0; // sections written so far
    // Written whole: the copies as they arrived, in list order, until the file is written.
    std::unique_ptr<QTemporaryFile> m_spool;
    QList<QPair<int, qint64>> m_spooled; // position, size in bytes
    QString m_spoolFailure;
};

} // namespace join
