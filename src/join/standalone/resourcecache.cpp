#include "resourcecache.h"

#include "core/webaddress.h"
#include "join/engine/eventwait.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

#include <algorithm>

namespace join {
namespace {

// The type of an image from its response's content type, or from its first bytes when that is no
// image type (a server that calls everything octet-stream); empty when it is no image.
QByteArray imageType(const QString& contentType, const QByteArray& head)
{
    static const QRegularExpression imageTypeName(QStringLiteral("^image/[a-z0-9.+-]+$"));
    const QString type = contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    if (imageTypeName.match(type).hasMatch())
        return type.toLatin1();
    const struct
    {
        QByteArray magic;
        int at;
        const char* type;
    } signatures[] = {
        {"\x89PNG", 0, "image/png"},   {"\xff\xd8\xff", 0, "image/jpeg"},
        {"GIF8", 0, "image/gif"},      {"WEBP", 8, "image/webp"},
        {"ftypavif", 4, "image/avif"}, {QByteArray("\0\0\1\0", 4), 0, "image/x-icon"},
        {"BM", 0, "image/bmp"},
    };
    for (const auto& signature : signatures)
        if (head.mid(signature.at, signature.magic.size()) == signature.magic)
            return signature.type;
    if (head.contains("<svg"))
        return "image/svg+xml";
    return {};
}

// Runs the loop until done() or the bound; a quitting application ends it at once.

} // namespace

ResourceCache::ResourceCache(qint64 limit, std::function<void(const QString&)> warn)
    : m_limit(limit), m_warn(std::move(warn))
{
    m_file.open();
}

ResourceCache::~ResourceCache() = default;

bool ResourceCache::has(const QString& address) const
{
    return m_stored.contains(address) || m_givenUp.contains(address);
}

QString ResourceCache::tooLarge() const
{
    return QStringLiteral("larger than %1 MB").arg(m_limit / 1048576.0, 0, 'g', 4);
}

void ResourceCache::giveUp(const QString& address, const QString& problem)
{
    if (has(address))
        return;
    m_givenUp.insert(address);
    if (!problem.isEmpty() && m_warn)
        m_warn(QStringLiteral("%1 is left as an address: %2").arg(address, problem));
}

void ResourceCache::add(const QString& address, const QString& contentType,
                        const QByteArray& base64)
{
    if (has(address))
        return;
    const QByteArray type = imageType(contentType, QByteArray::fromBase64(base64.left(1024)));
    if (type.isEmpty())
        return giveUp(address, {});
    if (base64.size() / 4 * 3 > m_limit + 2)
        return giveUp(address, tooLarge());
    const QByteArray data = "data:" + type + ";base64," + base64;
    const qint64 at = m_file.size();
    if (!m_file.seek(at) || m_file.write(data) != data.size())
        return giveUp(address, QStringLiteral("cannot be kept: ") + m_file.errorString());
    m_stored.insert(address, {at, data.size()});
}

QByteArray ResourceCache::dataAddress(const QString& address)
{
    const auto stored = m_stored.constFind(address);
    if (stored == m_stored.constEnd() || !m_file.seek(stored->first))
        return {};
    return m_file.read(stored->second);
}

void ResourceCache::readLocalFile(const QString& address, const QUrl& page)
{
    // A local page may show the files saved beside it, never the user's other files.
    const QFileInfo file(QUrl(address).toLocalFile());
    if (!file.isFile())
        return giveUp(address, QStringLiteral("no such file"));
    const QString path = file.canonicalFilePath();
    const QString folder = page.isLocalFile()
                               ? QFileInfo(page.toLocalFile()).canonicalPath() + QLatin1Char('/')
                               : QString();
    if (folder.isEmpty() || !path.startsWith(folder))
        return giveUp(address, QStringLiteral("outside the folder of the page that shows it"));
    QFile bytes(path);
    if (!bytes.open(QIODevice::ReadOnly))
        return giveUp(address, bytes.errorString());
    if (bytes.size() > m_limit)
        return giveUp(address, tooLarge());
    add(address, {}, bytes.readAll().toBase64());
}

void ResourceCache::fetch(const QStringList& addresses, const QByteArray& userAgent,
                          const QUrl& page, std::chrono::milliseconds bound)
{
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    // A page sends its origin alone as the referrer to another origin.
    const QByteArray referrer = page.adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                              QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                    .toEncoded() +
                                '/';
    QList<QPair<QNetworkReply*, QString>> replies;
    for (const QString& address : addresses) {
        const QUrl url(address);
        if (url.isLocalFile()) {
            readLocalFile(address, page);
            continue;
        }
        if (!isWebAddress(url)) {
            giveUp(address, QStringLiteral("the page may not read it"));
            continue;
        }
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
        request.setRawHeader("Accept", "image/avif,image/webp,image/svg+xml,image/*,*/*;q=0.8");
        if (isWebAddress(page))
            request.setRawHeader("Referer", referrer);
        request.setTransferTimeout(static_cast<int>(bound.count()));
        QNetworkReply* reply = m_network->get(request);
        replies.append({reply, address});
        // Stopped as soon as it is known to be too large, without reading it all.
        const auto stopIfTooLarge = [this, reply](qint64 size) {
            if (size > m_limit && reply->isRunning()) {
                reply->setProperty("tooLarge", true);
                reply->abort();
            }
        };
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stopIfTooLarge] {
            stopIfTooLarge(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        });
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [stopIfTooLarge](qint64 received, qint64) { stopIfTooLarge(received); });
    }
    if (replies.isEmpty())
        return;

    QEventLoop loop;
    for (const auto& [reply, address] : std::as_const(replies))
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    runEventLoopUntil(
        loop,
        [&replies] {
            return std::none_of(replies.begin(), replies.end(),
                                [](const auto& reply) { return reply.first->isRunning(); });
        },
        bound);

    for (const auto& [reply, address] : std::as_const(replies)) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->isRunning())
            giveUp(address, QStringLiteral("not fetched in time"));
        else if (reply->property("tooLarge").toBool())
            giveUp(address, tooLarge());
        else if (reply->error() != QNetworkReply::NoError)
            giveUp(address, status >= 400 ? QStringLiteral("HTTP status %1").arg(status)
                                          : reply->errorString());
        else
            add(address, reply->header(QNetworkRequest::ContentTypeHeader).toString(),
                reply->readAll().toBase64());
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace join
