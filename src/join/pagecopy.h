#pragma once

#include <QString>

namespace join {

// What is taken of each loaded page: a script that runs in the page's own renderer, in the
// program's script world, right when the page has loaded. It answers the page's text as
// { markup: text }, 'nobody' for a document without a body, or 'stale' for a page copied before.
class PageCopy
{
public:
    // The body's markup as it stands, for a joined document that parses it itself (the window's).
    static const PageCopy& bodyMarkup();
    // The body's markup parsed and written again exactly as the joined document would hold it:
    // the page's share of the joined file, ready to be written out as it is.
    static const PageCopy& serialisedBody();

    const QString& script() const { return m_script; }

private:
    explicit PageCopy(const QString& resource);
    QString m_script;
};

} // namespace join
