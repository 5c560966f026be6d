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

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

// Reads a sitemap a piece at a time as it arrives, so that no more of it than a piece is ever
// held, and stops at the first limit it passes.
class SitemapReader
{
public:
    SitemapReader() = default;
    ~SitemapReader()
    {
        if (m_gzip)
            inflateEnd(&m_stream);
    }
    SitemapReader(const SitemapReader&) = delete;
    SitemapReader& operator=(const SitemapReader&) = delete;

    // Throws AppError saying why when what has come is no sitemap or passes a limit.
    void add(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        m_packed += bytes.size();
        if (m_packed > SitemapMaxBytes)
            throw AppError(QStringLiteral("it passes %1 MB, the most a sitemap may be")
                               .arg(megabytes(SitemapMaxBytes)));
        if (!m_started) {
            // The gzip magic can come split over two pieces.
            m_head += bytes;
            if (m_head.size() < 2)
                return;
            start();
            bytes = m_head;
        }
        if (m_gzip)
            inflatePiece(bytes);
        else
            addText(bytes);
        m_head.clear();
    }

    // What the sitemap lists, once all of it has come.
    Sitemap finish()
    {
        if (!m_started && !m_head.isEmpty()) {
            m_started = true;
            addText(m_head);
        }
        if (m_gzip && !m_inflated)
            throw AppError(QStringLiteral("its gzip data is damaged"));
        if (m_xml.hasError() && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            throw notXml();
        if (!m_rootSeen)
            throw AppError(QStringLiteral("it is empty"));
        if (!m_rootEnded)
            throw AppError(QStringLiteral("it is not XML: it ends before </%1> (line %2)")
                               .arg(m_sitemap.isIndex ? QStringLiteral("sitemapindex")
                                                      : QStringLiteral("urlset"))
                               .arg(m_xml.lineNumber()));
        return std::move(m_sitemap);
    }

private:
    // Tells a gzip sitemap from a plain one by its first two bytes.
    void start()
    {
        m_started = true;
        m_gzip = quint8(m_head[0]) == 0x1f && quint8(m_head[1]) == 0x8b;
        // 16: a gzip header and trailer around the deflate data.
        if (m_gzip && inflateInit2(&m_stream, 16 + MAX_WBITS) != Z_OK) {
            m_gzip = false;
            throw AppError(QStringLiteral("cannot uncompress it"));
        }
    }

    void inflatePiece(QByteArrayView bytes)
    {
        if (m_inflated)
            return; // what follows the gzip data is no part of it
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        m_stream.avail_in = uInt(bytes.size());
        char buffer[64 * 1024];
        do {
            m_stream.next_out = reinterpret_cast<Bytef*>(buffer);
            m_stream.avail_out = sizeof buffer;
            const int status = inflate(&m_stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
                throw AppError(QStringLiteral("its gzip data is damaged"));
            addText(QByteArrayView(buffer, qsizetype(sizeof buffer - m_stream.avail_out)));
            if (status == Z_STREAM_END) {
                m_inflated = true;
                return;
            }
            if (status == Z_BUF_ERROR)
                return; // nothing more to do with what has come
            // A full buffer may leave more waiting in the stream.
        } while (m_stream.avail_in > 0 || m_stream.avail_out == 0);
    }

    void addText(QByteArrayView text)
    {
        if (text.isEmpty())
            return;
        m_unpacked += text.size();
        if (m_unpacked > SitemapMaxBytes)
            throw AppError(QStringLiteral("unpacked, it passes %1 MB, the most a sitemap may be")
                               .arg(megabytes(SitemapMaxBytes)));
        m_xml.addData(text.toByteArray()); // as bytes: its encoding is the XML's to say
        parse();
    }

    void parse()
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    return; // the rest has not come yet
                throw notXml();
            }
            if (token == QXmlStreamReader::EndElement) {
                if (m_inLocation)
                    location();
                if (--m_depth == 0)
                    m_rootEnded = true;
                continue;
            }
            if (token == QXmlStreamReader::Characters && m_inLocation) {
                // A location is an address: longer than any is no sitemap's.
                if (m_location.size() + m_xml.text().size() > 64 * 1024)
                    throw AppError(QStringLiteral("an address of it passes 64 KB (line %1)")
                                       .arg(m_xml.lineNumber()));
                m_location += m_xml.text();
                continue;
            }
            if (token != QXmlStreamReader::StartElement)
                continue;
            ++m_depth;
            const QStringView name = m_xml.name();
            if (!m_rootSeen) {
                m_rootSeen = true;
                if (name != QLatin1String("urlset") && name != QLatin1String("sitemapindex"))
                    throw AppError(
                        QStringLiteral("it is no sitemap (its root is <%1>)").arg(name.toString()));
                m_sitemap.isIndex = name == QLatin1String("sitemapindex");
            } else if (name == QLatin1String("loc")) {
                m_inLocation = true;
                m_location.clear();
            }
        }
    }

    void location()
    {
        m_inLocation = false;
        const QString location = m_location.trimmed();
        if (location.isEmpty())
            return;
        if (m_sitemap.locations.size() >= SitemapMaxLocations)
            throw AppError(QStringLiteral("it lists more than %1 addresses, the most a sitemap may")
                               .arg(SitemapMaxLocations));
        m_sitemap.locations.append(location);
    }

    AppError notXml() const
    {
        return AppError(QStringLiteral("it is not XML: %1 (line %2)")
                            .arg(m_xml.errorString())
                            .arg(m_xml.lineNumber()));
    }

    z_stream m_stream{};
    bool m_started = false;
    bool m_gzip = false;
    bool m_inflated = false; // the gzip data has ended
    QByteArray m_head;       // the first bytes, until the gzip magic can be told
    qint64 m_packed = 0;
    qint64 m_unpacked = 0;
    QXmlStreamReader m_xml;
    int m_depth = 0;
    bool m_rootSeen = false;
    bool m_rootEnded = false;
    bool m_inLocation = false;
    QString m_location;
    Sitemap m_sitemap;
};

} // namespace

Sitemap loadSitemap(const QUrl& url, const SiteSetup& site, std::chrono::milliseconds bound)
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
    // Taken as it arrives, not kept by the reply.
    reply->setReadBufferSize(256 * 1024);
    SitemapReader reader;
    std::optional<AppError> failure;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        if (failure)
            return;
        // A redirect's or an error page's body is no sitemap.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 300)
            return;
        try {
            while (reply->bytesAvailable() > 0)
                reader.add(reply->read(64 * 1024));
        } catch (const AppError& error) {
            failure = error;
            loop.quit();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    const bool ended = runEventLoopUntil(
        loop, [&] { return failure.has_value() || reply->isFinished(); }, bound);
    if (!reply->isFinished())
        reply->abort();
    if (failure)
        throw *failure;
    if (!ended)
        throw AppError(QStringLiteral("not loaded within %1 s").arg(bound.count() / 1000.0));
    if (reply->error() != QNetworkReply::NoError)
        throw AppError(reply->errorString());
    reader.add(reply->readAll());
    return reader.finish();
}

} // namespace join
