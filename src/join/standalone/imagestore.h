#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTemporaryFile>

#include <functional>

namespace join {

// The images of one standalone join, each kept once however many pages show it, on disk as data:
// addresses until the file is written, so that memory does not grow with the list. An image
// larger than the limit, or one that cannot be had, is left as an address and named once through
// warn(). The file has no name: it goes with the process, however that ends.
class ImageStore
{
public:
    // fate says what becomes of an image that is not kept, as warnings name it.
    ImageStore(qint64 limit, std::function<void(const QString&)> warn,
               QString fate = QStringLiteral("is left as an address"));
    ~ImageStore();

    qint64 limit() const { return m_limit; }
    // Kept already, or given up.
    bool has(const QString& address) const;

    // Takes address for a web font's: its data is a font (known by its first bytes), kept within
    // a bound of its own and one for all the document's fonts.
    void expectFont(const QString& address) { m_fonts.insert(address); }
    bool isFont(const QString& address) const { return m_fonts.contains(address); }

    // The bytes (in base64) at address, as fetched with the content type given. What is not an
    // image (or a font, where one is expected) is left as an address without a word.
    void add(const QString& address, const QString& contentType, const QByteArray& base64);
    // Leaves address as it is; a problem is named.
    void giveUp(const QString& address, const QString& problem);
    // Says that an image the page held in its markup (named by its start) is left out: too large.
    void leaveOut(const QString& start);

    // The data: address for address; empty when it is left as it is.
    QByteArray dataAddress(const QString& address);

    // Says that an image is left as an address: too large for the limit.
    QString tooLarge() const;
    // Why the store could not keep or give back an image (a full disk); empty while it could.
    // Images are then no longer complete, and the document must not be made final.
    const QString& failure() const { return m_failure; }

private:
    bool keep(const QString& address, const QByteArray& data);
    void fail(const QString& doing);

    qint64 m_limit;
    std::function<void(const QString&)> m_warn;
    QString m_fate;
    QTemporaryFile m_file;
    qint64 m_end = 0;                               // of what m_file holds
    QHash<QString, QPair<qint64, qint64>> m_stored; // where each data: address lies in m_file
    QSet<QString> m_givenUp;
    QSet<QString> m_fonts;
    qint64 m_fontBytes = 0; // of the fonts kept
    QString m_failure;
};

} // namespace join
