#pragma once

#include <QString>

#include <chrono>

class SiteBrowser;

namespace join {

// What is taken of each loaded page: a script that runs in the page's own renderer, in the
// program's script world, right when the page has loaded. It answers the page's text as
// { markup: text }, 'nobody' for a document without a body, or 'stale' for a page copied before.
class PageCopy
{
public:
    // The body's markup as it stands, for a joined document that parses it itself (the window's).
    static PageCopy& bodyMarkup();
    // The body's markup parsed and written again exactly as the joined document would hold it:
    // the page's share of the joined file, ready to be written out as it is.
    static PageCopy& serialisedBody();

    // A copy made by a script of its own, answering as above.
    explicit PageCopy(QString script);
    virtual ~PageCopy() = default;

    const QString& script() const { return m_script; }

    // Copies the page that site shows, the page at position in the list: runs the script there.
    // Throws AppError as SiteBrowser::copyPage() does. A copy that does more in the page (fetches
    // what it refers to, and keeps it) does it here, within the bound.
    virtual QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound);

private:
    QString m_script;
};

} // namespace join
