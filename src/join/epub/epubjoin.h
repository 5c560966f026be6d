#pragma once

#include "epubbook.h"
#include "join/standalone/standalonejoin.h"

#include <QStringList>

#include <functional>
#include <memory>

class QIODevice;

namespace join {

class PageCopy;

// The parts of one join into a book, which the join engine runs like any other: the standalone
// copy of each page, written as XHTML, and the book it goes into. Images the book leaves out are
// named through warn().
class EpubJoin
{
public:
    EpubJoin(const QStringList& addresses, const StandaloneSettings& standalone,
             const BookSettings& book, QIODevice& out, std::function<void()> complete,
             std::function<void(const QString&)> warn);
    ~EpubJoin();

    PageCopy& copy() { return m_copying.copy(); }
    EpubBook& result() { return *m_book; }
    StandalonePages& pages() { return m_copying.pages(); }

private:
    StandaloneCopying m_copying;
    std::unique_ptr<EpubBook> m_book;
};

} // namespace join
