#include "localfiles.h"

#include <QStringList>

#include <algorithm>

namespace {

bool endsWithOneOf(const QString& path, const QStringList& endings)
{
    return std::any_of(endings.begin(), endings.end(), [&](const QString& ending) {
        return path.endsWith(ending, Qt::CaseInsensitive);
    });
}

} // namespace

void LocalFiles::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QUrl url = info.requestUrl();
    if (!url.isLocalFile())
        return;
    const QString path = url.path();
    switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        // The run's own load has no initiator; a page's script that leads it to a file has one.
        if (info.initiator().isEmpty())
            return;
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        // By its name only a stylesheet, which the page's scripts could read back as rules.
        if (endsWithOneOf(path, {QStringLiteral(".css")}))
            return;
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        if (endsWithOneOf(path, {QStringLiteral(".woff2"), QStringLiteral(".woff"),
                                 QStringLiteral(".ttf"), QStringLiteral(".otf")}))
            return;
        break;
    default:
        break;
    }
    info.block(true);
}
