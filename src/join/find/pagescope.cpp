#include "pagescope.h"

namespace join {

QString pageKey(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments)
        .toString(QUrl::FullyEncoded);
}

namespace {

// A bare origin is its root, not every host whose name begins alike.
QUrl withPath(QUrl url)
{
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

} // namespace

PageScope::PageScope(const QUrl& start, const QStringList& within)
{
    for (const QString& prefix : within)
        m_prefixes.append(pageKey(withPath(QUrl(prefix))));
    if (m_prefixes.isEmpty())
        m_prefixes.append(
            pageKey(withPath(start).adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery)));
}

bool PageScope::contains(const QUrl& url) const
{
    const QString key = pageKey(url);
    for (const QString& prefix : m_prefixes) {
        if (key.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace join
