#pragma once

#include "join/standalone/standalonejoin.h"
#include "textdocument.h"

#include <QStringList>

#include <functional>
#include <memory>

class QFileDevice;

namespace join {

class PageCopy;

// The parts of one join into a text file, which the join engine runs like any other: the
// standalone copy of each page, written as Markdown or as its plain text, and the document it goes
// into. The copies' images are left as their addresses: nothing is fetched.
class TextJoin
{
public:
    TextJoin(const QStringList& addresses, const StandaloneSettings& standalone, TextFormat format,
             QFileDevice& out, std::function<void()> complete,
             std::function<void(const QString&)> warn);
    ~TextJoin();

    PageCopy& copy() { return m_copying.copy(); }
    TextDocument& result() { return *m_document; }
    StandalonePages& pages() { return m_copying.pages(); }

private:
    StandaloneCopying m_copying;
    std::unique_ptr<TextDocument> m_document;
};

} // namespace join
