#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTemporaryFile>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace join {

// The images of one standalone join, each fetched once however many pages show it, and kept on
// disk as data: addresses until the file is written, so that memory does not grow with the list.
// An image larger than the limit, or one that cannot be fetched, is left as an address and named
// once through warn().
class ResourceCache
{
public:
    ResourceCache(qint64 limit, std::function<void(const QString&)> warn);
    ~ResourceCache();

    qint64 limit() const { return m_limit; }
    // Fetched already, or given up.
    bool has(const QString& address) const;

    // The bytes (in base64) at address, as fetched with the content type given. What is not an
    // image is left as an address without a word.
    void add(const QString& address, const QString& contentType, const QByteArray& base64);
    // Leaves address as it is; a problem is named.
    void giveUp(const QString& address, const QString& problem);
    // Fetches addresses outside any page, as the page would have (user agent, referrer), within the
    // bound: what a page may not read itself. A local file is read only from the folder of the
    // local page that shows it, or below.
    void fetch(const QStringList& addresses, const QByteArray& userAgent, const QUrl& page,
               std::chrono::milliseconds bound);

    // The data: address for address; empty when it is left as it is.
    QByteArray dataAddress(const QString& address);

    // Says that an image is left as an address: too large for the limit.
    QString tooLarge() const;

private:
    void readLocalFile(const QString& address, const QUrl& page);

    qint64 m_limit;
    std::function<void(const QString&)> m_warn;
    QTemporaryFile m_file;
    QHash<QString, QPair<qint64, qint64>> m_stored; // where each data: address lies in m_file
    QSet<QString> m_givenUp;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

} // namespace join
