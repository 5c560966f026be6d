#include "sitemap.h"

#include "core/apperror.h"
#include "join/engine/eventwait.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QXmlStreamReader>

#include <zlib.h>

namespace join {
namespace {

bool isGzip(const QByteArray& bytes)
{
    return bytes.size() > 2 && quint8(bytes[0]) == 0x1f && quint8(bytes[1]) == 0x8b;
}

QByteArray gunzip(const QByteArray& bytes)
{
    z_stream stream{};
    // 16: a gzip header and trailer around the deflate data.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        throw AppError(QStringLiteral("cannot uncompress it"));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    QByteArray text;
    char buffer[64 * 1024];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        text.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        throw AppError(QStringLiteral("its gzip data is damaged"));
    return text;
}

} // namespace

Sitemap readSitemap(const QByteArray& bytes)
{
    QXmlStreamReader xml(isGzip(bytes) ? gunzip(bytes) : bytes);
    Sitemap sitemap;
    bool rootSeen = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (!rootSeen) {
            rootSeen = true;
            if (name != QLatin1String("urlset") && name != QLatin1String("sitemapindex"))
                throw AppError(
                    QStringLiteral("it is no sitemap (its root is <%1>)").arg(name.toString()));
            sitemap.isIndex = name == QLatin1String("sitemapindex");
        } else if (name == QLatin1String("loc")) {
            const QString location = xml.readElementText().trimmed();
            if (!location.isEmpty())
                sitemap.locations.append(location);
        }
    }
    if (xml.hasError())
        throw AppError(QStringLiteral("it is not XML: %1 (line %2)")
                           .arg(xml.errorString())
                           .arg(xml.lineNumber()));
    if (!rootSeen)
        throw AppError(QStringLiteral("it is empty"));
    return sitemap;
}

QByteArray fetchSitemap(const QUrl& url, const SiteSetup& site, std::chrono::milliseconds bound)
{
    QNetworkAccessManager network;
    auto* jar = new QNetworkCookieJar(&network);
    for (const QNetworkCookie& cookie : site.cookies)
        jar->insertCookie(cookie);
    network.setCookieJar(jar);
    QNetworkRequest request(url);
    if (!site.userAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, site.userAgent);
    for (const auto& [name, value] : site.headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!runEventLoopUntil(
            loop, [reply] { return reply->isFinished(); }, bound)) {
        reply->abort();
        throw AppError(QStringLiteral("not loaded within %1 s").arg(bound.count() / 1000.0));
    }
    if (reply->error() != QNetworkReply::NoError)
        throw AppError(reply->errorString());
    return reply->readAll();
}

} // namespace join
