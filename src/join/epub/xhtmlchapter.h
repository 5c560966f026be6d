#pragma once

#include <QSet>
#include <QString>

#include <functional>

namespace join {

// What the book decides for the markers a page's copy leaves (standalone-body.js): where a link
// leads, and where an image lies in the book.
struct ChapterDecisions
{
    QString token; // the run's markers start with it
    // The address to write for a link to address, ownIds being the ids of the chapter itself.
    std::function<QString(const QString& address, const QSet<QString>& ownIds)> link;
    // The image's path in the book, relative to the chapter; empty when it is left out.
    std::function<QString(const QString& address)> image;
};

// Around a chapter's content: the page it comes from.
struct ChapterFrame
{
    int position = 0;
    QString title;
    QString source;   // the page's address
    QString language; // the book's, for a page that names none
};

// One joined page as an XHTML content document.
struct XhtmlChapter
{
    QString document;
    QString language; // the page's own; empty when it named none
    QSet<QString> ids;
    bool svg = false;    // holds SVG markup (the package says so)
    bool mathml = false; // holds MathML
};

// The XML name an id becomes: characters XML does not allow in a name replaced.
QString xmlId(const QString& id);

// Makes the content document of a page from its copy (what copy/xhtml-body.js answers): ids
// mended and kept unique, markers decided, an image left out replaced by its alt text.
XhtmlChapter xhtmlChapter(const QString& copy, const ChapterFrame& frame,
                          const ChapterDecisions& decisions);

// The content document of a page that gave nothing: its address and why, so that links to it land.
QString failedChapter(const ChapterFrame& frame, const QString& failure);

} // namespace join
