#include "webaddress.h"

#include <QUrl>

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}
