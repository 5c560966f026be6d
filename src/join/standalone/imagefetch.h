#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace join {

class ImageStore;

// Fetches images outside any page, as the page would have (user agent, referrer), into the store:
// what a page may not read itself. A local file is read only from the folder of the local page
// that shows it, or below.
class ImageFetch
{
public:
    explicit ImageFetch(ImageStore& store);
    ~ImageFetch();

    // Fetches addresses for page, within the bound; what does not come is given up.
    void fetch(const QStringList& addresses, const QByteArray& userAgent, const QUrl& page,
               std::chrono::milliseconds bound);

private:
    using Replies = QList<QPair<QNetworkReply*, QString>>;

    void readLocalFile(const QString& address, const QUrl& page);
    QNetworkReply* request(const QUrl& url, const QByteArray& userAgent, const QUrl& page,
                           std::chrono::milliseconds bound);
    void stopWhenTooLarge(QNetworkReply* reply) const;
    void store(const Replies& replies);

    ImageStore& m_store;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

} // namespace join
