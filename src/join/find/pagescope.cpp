#include "pagescope.h"

namespace join {

QString pageKey(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments)
        .toString(QUrl::FullyEncoded);
}

PageScope::PageScope(const QUrl& start, const QStringList& within)
{
    for (const QString& prefix : within) {
        QUrl url(prefix);
        // A bare origin is its root, not every host that begins alike.
        if (url.path().isEmpty())
            url.setPath(QStringLiteral("/"));
        m_prefixes.append(pageKey(url));
    }
    if (m_prefixes.isEmpty()) {
        const QUrl folder = start.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery |
                                           QUrl::RemoveFragment | QUrl::NormalizePathSegments);
        m_prefixes.append(folder.toString(QUrl::FullyEncoded));
    }
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
