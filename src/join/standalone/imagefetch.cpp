#include "imagefetch.h"

#include "core/webaddress.h"
#include "imagestore.h"
#include "join/engine/eventwait.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace join {

ImageFetch::ImageFetch(ImageStore& store) : m_store(store) {}

ImageFetch::~ImageFetch() = default;

void ImageFetch::fetch(const QStringList& addresses, const QByteArray& userAgent, const QUrl& page,
                       std::chrono::milliseconds bound)
{
    Replies replies;
    for (const QString& address : addresses) {
        const QUrl url(address);
        if (url.isLocalFile())
            readLocalFile(address, page);
        else if (!isWebAddress(url))
            m_store.giveUp(address, QStringLiteral("the page may not read it"));
        else
            replies.append({request(url, userAgent, page, bound), address});
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
    store(replies);
}

void ImageFetch::readLocalFile(const QString& address, const QUrl& page)
{
    // A local page may show the files saved beside it, never the user's other files.
    const QFileInfo file(QUrl(address).toLocalFile());
    if (!file.isFile())
        return m_store.giveUp(address, QStringLiteral("no such file"));
    const QString path = file.canonicalFilePath();
    const QString folder = page.isLocalFile()
                               ? QFileInfo(page.toLocalFile()).canonicalPath() + QLatin1Char('/')
                               : QString();
    if (folder.isEmpty() || !path.startsWith(folder))
        return m_store.giveUp(address,
                              QStringLiteral("outside the folder of the page that shows it"));
    QFile bytes(path);
    if (!bytes.open(QIODevice::ReadOnly))
        return m_store.giveUp(address, bytes.errorString());
    if (bytes.size() > m_store.limit())
        return m_store.giveUp(address, m_store.tooLarge());
    m_store.add(address, {}, bytes.readAll().toBase64());
}

QNetworkReply* ImageFetch::request(const QUrl& url, const QByteArray& userAgent, const QUrl& page,
                                   std::chrono::milliseconds bound)
{
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setRawHeader("Accept", "image/avif,image/webp,image/svg+xml,image/*,*/*;q=0.8");
    // A page sends its origin alone as the referrer to another origin.
    if (isWebAddress(page))
        request.setRawHeader("Referer", page.adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                                      QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                                .toEncoded() +
                                            '/');
    request.setTransferTimeout(static_cast<int>(bound.count()));
    QNetworkReply* reply = m_network->get(request);
    stopWhenTooLarge(reply);
    return reply;
}

void ImageFetch::stopWhenTooLarge(QNetworkReply* reply) const
{
    // Stopped as soon as it is known to be too large, without reading it all.
    const auto stopIfTooLarge = [limit = m_store.limit(), reply](qint64 size) {
        if (size > limit && reply->isRunning()) {
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

void ImageFetch::store(const Replies& replies)
{
    for (const auto& [reply, address] : replies) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->isRunning())
            m_store.giveUp(address, QStringLiteral("not fetched in time"));
        else if (reply->property("tooLarge").toBool())
            m_store.giveUp(address, m_store.tooLarge());
        else if (reply->error() != QNetworkReply::NoError)
            m_store.giveUp(address, status >= 400 ? QStringLiteral("HTTP status %1").arg(status)
                                                  : reply->errorString());
        else
            m_store.add(address, reply->header(QNetworkRequest::ContentTypeHeader).toString(),
                        reply->readAll().toBase64());
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace join
