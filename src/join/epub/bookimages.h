#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace join {

class ImageStore;
class ZipWriter;

// The images of a book, each put into it once, from the standalone join's cache, the first time a
// chapter shows it. A type the format does not hold (WebP, AVIF, BMP...) is converted to PNG; an
// SVG image is mended (a gradient stop without offset, scripts); what cannot be had or converted
// is left out, with a warning for what the cache did not name already.
class BookImages
{
public:
    struct Item
    {
        QString path; // relative to the package document
        QString mediaType;
    };

    BookImages(ImageStore& cache, ZipWriter& zip, QString folder,
               std::function<void(const QString&)> warn);

    // The image's path in the book, relative to the chapters; empty when it is left out.
    QString place(const QString& address);
    // The web font's path in the book, relative to the chapters and the book's stylesheet, put
    // into it once for the same bytes; empty when the cache does not hold it.
    QString placeFont(const QString& address);
    const QList<Item>& items() const { return m_items; }

private:
    QByteArray inBookForm(const QString& address, QByteArray& type, const QByteArray& bytes);

    ImageStore& m_cache;
    ZipWriter& m_zip;
    QString m_folder; // of the package document in the archive
    std::function<void(const QString&)> m_warn;
    QHash<QString, QString> m_placed;   // by address; empty: left out
    QHash<QByteArray, QString> m_fonts; // by a digest of their bytes
    QList<Item> m_items;
};

// An SVG image as the checker takes it: parsed, each gradient stop given an offset, scripts and
// event handlers removed. Empty when it is no XML.
QByteArray mendedSvg(const QByteArray& svg);

} // namespace join
