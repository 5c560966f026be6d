#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class PdfMerge;

// A heading of a joined page, as far as the outline reaches: h1 is level 1; id is its id in the
// joined document.
struct BookHeading
{
    int level = 1;
    QString text;
    QString id;
};

// A joined page as the book shows it: its title (its address when it has none), its address and
// its headings. Its section in the joined document has the id p1 for the first page, and so on.
struct BookPage
{
    QString title;
    QString address;
    QList<BookHeading> headings;
};

// An entry of a PDF's outline (the bookmarks a reader shows beside the sheets): its title, the
// named destination it leads to, and the entries under it.
struct OutlineEntry
{
    QString title;
    QByteArray destination;
    QList<OutlineEntry> children;
};

// Gives the merged PDF an outline of entries, in order, that opens at its first level. An entry
// whose destination no part printed leads where the entry above it does (a page's leads nowhere).
void addOutline(PdfMerge& merged, const QList<OutlineEntry>& entries);

// The outline of the pages, in order: an entry for each, leading to its first sheet, and under
// it its headings, each under the last heading of a higher level before it.
QList<OutlineEntry> outlineOf(const QList<BookPage>& pages);
