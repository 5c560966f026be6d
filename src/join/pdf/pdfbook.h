#pragma once

#include "pdfoutline.h"

#include <QList>
#include <QPageLayout>
#include <QString>

#include <chrono>
#include <functional>

class QIODevice;

// What makes the printed pages a book.
struct BookSettings
{
    QPageLayout layout;
    QString title;  // the document's; empty: the first page's
    QString author; // empty: none
    QString creator;
    bool sheetNumbers = true;
    // Bounds the load of each part and the wait for its fonts and images.
    std::chrono::milliseconds loadBound{30000};
    // Parts printed at once, each in a renderer of its own.
    int printersAtOnce = 1;
    // The print's scale: below 1, more of each page to a sheet.
    double zoom = 1;
};

// Prints a joined document that stands on its own (read from joined, section by section) to one
// PDF written to out: each part (a joined page) in a renderer of its own that is then let go, the
// parts merged with the links between them, an outline of the pages and their headings, the sheets
// numbered, the document's properties set. A list of contents at the top shows the sheet each page
// starts on. Warnings go to warn. Throws AppError naming the page that could not be printed;
// nothing of the PDF is written to out then.
void printBook(QIODevice& joined, const QList<BookPage>& pages, const BookSettings& settings,
               QIODevice& out, const std::function<void(const QString&)>& warn);
