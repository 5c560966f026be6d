#pragma once

#include "bookpackage.h"
#include "join/run/joinresult.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace join {

class BookImages;
class ImageStore;
class LookSheet;
class StandalonePages;
class ZipWriter;

// How a book is made, beyond its pages.
struct BookSettings
{
    QString title;             // empty: the first page's
    QString author;            // empty: none
    bool contentsPage = false; // the navigation document is read first, as a contents page
};

// An EPUB 3 book of the joined pages, written into its archive as the pages arrive: a content
// document per page (a page that gave nothing has one with its address and why), each image the
// first time a page shows it, and at the end the book's stylesheet (with the classes of the
// pages' looks), its navigation document and
// its package document. Nothing of a written page is kept but its ids (so that later links to it
// land) and, in the pages, its title and headings.
class EpubBook : public JoinResult
{
public:
    // out is open for writing and can seek; complete() makes it final once the book is written,
    // and throws AppError when it cannot.
    EpubBook(QIODevice& out, std::function<void()> complete, const StandalonePages& pages,
             ImageStore& resources, const LookSheet& looks, BookSettings settings,
             std::function<void(const QString&)> warn);
    ~EpubBook() override;

    // Why the page at position (address, as listed) failed, told before the page after it
    // arrives.
    void pageFailed(int position, const QString& address, const QString& failure);

    void begin(std::chrono::milliseconds bound) override;
    void append(int position, const QString& text) override;
    void finish(std::chrono::milliseconds bound) override;
    bool broken() const override;

private:
    void writeChaptersUpTo(int position, const QString& text);
    void writeChapter(int position, const QString& text);
    QString linkTo(const QString& address, int from, const QSet<QString>& ownIds);
    void add(const QString& name, const QByteArray& bytes, bool compressed = true);
    BookMetadata metadata() const;

    std::unique_ptr<ZipWriter> m_zip;
    std::function<void()> m_complete;
    const StandalonePages& m_pages;
    const ImageStore& m_store;
    const LookSheet& m_looks;
    std::unique_ptr<BookImages> m_images;
    BookSettings m_settings;
    int m_written = 0;
    QString m_language; // the first page's
    QString m_identifier;
    QHash<int, QPair<QString, QString>>
        m_failures;                     // address, why; until their chapters are written
    QHash<int, QString> m_failedTitles; // of the chapters whose page failed: its address
    QHash<int, QSet<QString>> m_ids;    // of the chapters written
    // Ids that links lead to in chapters still to come: a chapter without one of them gets it,
    // so that no link dangles.
    QHash<int, QSet<QString>> m_promised;
    QHash<int, QString> m_properties; // svg, mathml
};

} // namespace join
