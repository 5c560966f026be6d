#include "markers.h"

#include <QByteArray>

namespace join {
namespace {

bool isBase64Url(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_');
}

} // namespace

Marker nextMarker(const QString& text, const QString& token, qsizetype from)
{
    while (!token.isEmpty()) {
        const qsizetype at = text.indexOf(token, from);
        if (at < 0)
            break;
        const qsizetype kindAt = at + token.size();
        qsizetype end = kindAt + 1;
        while (end < text.size() && isBase64Url(text[end]))
            ++end;
        if (kindAt >= text.size() || !QStringLiteral("aius").contains(text[kindAt]) ||
            end >= text.size() || text[end] != QLatin1Char('.')) {
            from = kindAt; // no marker of ours after all
            continue;
        }
        return {at, end + 1, text[kindAt],
                QString::fromUtf8(QByteArray::fromBase64(
                    text.mid(kindAt + 1, end - kindAt - 1).toLatin1(),
                    QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals))};
    }
    return {};
}

} // namespace join
