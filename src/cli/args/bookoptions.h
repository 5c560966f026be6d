#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;

namespace cli {

// What makes the joined pages a book: its properties and how far its outline reaches.
struct BookOptions
{
    QString title;           // empty: the first page's title
    QString author;          // empty: none
    int outlineDepth = 2;    // headings h1 to hN under each page's entry; 0: pages only
    bool pageNumbers = true; // a PDF's sheets carry their numbers
    double zoom = 1;         // a PDF's print scale
};

QList<QCommandLineOption> bookOptions();

// Reads the options into book. Empty when they are right, otherwise the usage error to name.
QString readBookOptions(const QCommandLineParser& parser, BookOptions& book);

} // namespace cli
