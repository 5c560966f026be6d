#pragma once

#include "bookimages.h"

#include <QHash>
#include <QList>
#include <QString>

namespace join {

class StandalonePages;

// What a book says of itself.
struct BookMetadata
{
    QString title;
    QString author; // empty: none
    QString language;
    QString identifier; // urn:uuid:...
    QString modified;   // CCYY-MM-DDThh:mm:ssZ
};

// The names of a book's parts inside the package folder.
QString chapterFile(int position);

// META-INF/container.xml, naming the package document.
QByteArray containerDocument(const QString& packagePath);

// The package document: metadata, every part with its media type, and the reading order (the
// navigation document first when it is also a contents page). properties names what each chapter
// holds that a reading system must know of (svg, mathml).
QString packageDocument(const BookMetadata& metadata, int chapters,
                        const QList<BookImages::Item>& images,
                        const QHash<int, QString>& properties, bool contentsPage);

// The navigation document: every page by its title (failedTitles: of the pages that failed), in
// list order, each with its headings nested by level.
QString navigationDocument(const BookMetadata& metadata, const StandalonePages& pages,
                           const QHash<int, QString>& failedTitles);

} // namespace join
