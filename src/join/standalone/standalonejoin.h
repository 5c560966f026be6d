#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDevice;

namespace join {

class JoinResult;
class PageCopy;
class ImageFetch;
class ImageStore;
class LookSheet;
class StandaloneCopy;
class StandaloneDocument;
class StandalonePages;

// How a joined file that stands on its own is made.
struct StandaloneSettings
{
    bool contents = false;                      // a list of the pages at the top
    qint64 maxResourceBytes = 10 * 1024 * 1024; // a larger image is left as an address
    // Each page's headings h1 to hN are noted (StandalonePages::headings) for a book's outline,
    // and given ids where they have none. 0: none are.
    int outlineDepth = 0;
    // The document written once every page has been copied, so that every link between them is
    // decided (contents are, too); otherwise each section is written as its page arrives, with
    // what is known by then.
    bool wholeAtTheEnd = false;
    bool fetchImages = true; // false: images are left as their addresses, none is fetched
};

// What every join of standalone copies holds, whatever it writes them into: its pages, their
// images and the copy of each page that fills both. Images not kept are named through warn(),
// with fate saying what becomes of them; serialiser is StandaloneCopy's.
class StandaloneCopying
{
public:
    StandaloneCopying(const QStringList& addresses, const StandaloneSettings& settings,
                      std::function<void(const QString&)> warn, QString serialiser = {},
                      QString fate = QStringLiteral("is left as an address"));
    ~StandaloneCopying();

    // What is known of the pages so far: addresses, titles, headings.
    StandalonePages& pages() const { return *m_pages; }
    ImageStore& images() const { return *m_images; }
    // The classes of the pages' looks.
    LookSheet& looks() const { return *m_looks; }
    PageCopy& copy();

private:
    std::unique_ptr<StandalonePages> m_pages;
    std::unique_ptr<ImageStore> m_images;
    std::unique_ptr<LookSheet> m_looks;
    std::unique_ptr<ImageFetch> m_fetch;
    std::unique_ptr<StandaloneCopy> m_copy;
};

// The parts of one standalone join, which the join engine runs like any other: the copy of each
// page, and the document it writes to out. Images left as addresses are named through warn().
class StandaloneJoin
{
public:
    StandaloneJoin(const QStringList& addresses, const StandaloneSettings& settings,
                   QFileDevice& out, std::function<void()> complete,
                   std::function<void(const QString&)> warn);
    ~StandaloneJoin();

    PageCopy& copy() { return m_copying.copy(); }
    JoinResult& result();
    StandalonePages& pages() const { return m_copying.pages(); }

private:
    StandaloneCopying m_copying;
    std::unique_ptr<StandaloneDocument> m_document;
};

} // namespace join
