#pragma once

#include "fontfaces.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace join {

// The classes the copies of a run gave their elements for the look their pages had, one rule
// each. A class is named by its declarations, so pages of one site share their classes and the
// sheet grows with the site's looks, not with the number of its pages.
class LookSheet
{
public:
    // A page's copy used the class name for declarations; kept the first time.
    void add(const QString& name, const QString& declarations);
    int count() const { return static_cast<int>(m_names.size()); }
    // The rules of the classes from the one numbered from (0: the first) on, one a line.
    QString rules(int from = 0) const;
    // The faces of the web fonts the classes name.
    FontFaces& faces() { return m_faces; }
    const FontFaces& faces() const { return m_faces; }

private:
    FontFaces m_faces;
    QStringList m_names; // in the order the copies first used them
    QHash<QString, QString> m_declarations;
};

} // namespace join
