#include "localfiles.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

// Far larger than any stylesheet or font; a larger file (or a device named like one) would be
// read whole into the page's renderer.
constexpr qint64 LocalFileBytes = 16 * 1024 * 1024;

bool boundedFile(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && file.size() <= LocalFileBytes;
}

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
        if (endsWithOneOf(path, {QStringLiteral(".css")}) && boundedFile(url.toLocalFile()))
            return;
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        if (endsWithOneOf(path, {QStringLiteral(".woff2"), QStringLiteral(".woff"),
                                 QStringLiteral(".ttf"), QStringLiteral(".otf")}) &&
            boundedFile(url.toLocalFile()))
            return;
        break;
    default:
        break;
    }
    info.block(true);
}
