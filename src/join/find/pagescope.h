#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace join {

// The same page, whichever of its addresses names it: resolved, without its fragment, with its
// path's dot segments gone.
QString pageKey(const QUrl& url);

// Which found addresses may join: by default those on the start address's origin whose path lies
// in its folder; or those under any of the prefixes given instead.
class PageScope
{
public:
    PageScope(const QUrl& start, const QStringList& within);

    bool contains(const QUrl& url) const;
    // As a message names it.
    QString text() const { return m_prefixes.join(QStringLiteral(", ")); }

private:
    QStringList m_prefixes;
};

} // namespace join
