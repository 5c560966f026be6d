#include "bookimages.h"

#include "join/standalone/imagestore.h"
#include "zipwriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDomDocument>
#include <QImage>

namespace join {
namespace {

// The image types every reading system shows, with the ending their files get.
const QHash<QByteArray, QString>& coreTypes()
{
    static const QHash<QByteArray, QString> types{{"image/png", QStringLiteral("png")},
                                                  {"image/jpeg", QStringLiteral("jpg")},
                                                  {"image/gif", QStringLiteral("gif")},
                                                  {"image/svg+xml", QStringLiteral("svg")}};
    return types;
}

void mendSvgElement(QDomElement element)
{
    const QDomNamedNodeMap attributes = element.attributes();
    QStringList handlers;
    for (int i = 0; i < attributes.count(); ++i) {
        const QString name = attributes.item(i).nodeName();
        if (name.startsWith(QLatin1String("on"), Qt::CaseInsensitive))
            handlers.append(name);
    }
    for (const QString& name : std::as_const(handlers))
        element.removeAttribute(name);
    const QString tag = element.tagName().section(QLatin1Char(':'), -1);
    if (tag == QLatin1String("stop") && !element.hasAttribute(QStringLiteral("offset")))
        element.setAttribute(QStringLiteral("offset"), QStringLiteral("0"));
    for (QDomElement child = element.firstChildElement(); !child.isNull();) {
        const QDomElement next = child.nextSiblingElement();
        if (child.tagName().section(QLatin1Char(':'), -1) == QLatin1String("script"))
            element.removeChild(child);
        else
            mendSvgElement(child);
        child = next;
    }
}

} // namespace

QByteArray mendedSvg(const QByteArray& svg)
{
    QDomDocument document;
    if (!document.setContent(svg) || document.documentElement().isNull())
        return {};
    mendSvgElement(document.documentElement());
    return document.toByteArray(-1);
}

BookImages::BookImages(ImageStore& cache, ZipWriter& zip, QString folder,
                       std::function<void(const QString&)> warn)
    : m_cache(cache), m_zip(zip), m_folder(std::move(folder)), m_warn(std::move(warn))
{
}

QString BookImages::place(const QString& address)
{
    if (const auto placed = m_placed.constFind(address); placed != m_placed.constEnd())
        return *placed;
    QString& path = m_placed[address];
    // data:<type>;base64,<bytes>, as the cache keeps it.
    const QByteArray data = m_cache.dataAddress(address);
    const qsizetype comma = data.indexOf(',');
    if (!data.startsWith("data:") || comma < 0)
        return path;
    QByteArray type = data.mid(5, data.indexOf(';') - 5);
    const QByteArray bytes = inBookForm(address, type, QByteArray::fromBase64(data.mid(comma + 1)));
    if (bytes.isEmpty())
        return path;
    const QString name =
        QStringLiteral("images/%1.%2").arg(m_items.size() + 1).arg(coreTypes().value(type));
    // Compressed images gain nothing from being compressed again.
    if (!m_zip.add(m_folder + name, bytes, type == "image/svg+xml"))
        return path;
    m_items.append({name, QString::fromLatin1(type)});
    path = name;
    return path;
}

QString BookImages::placeFont(const QString& address)
{
    static const QHash<QByteArray, QString> endings{{"font/woff2", QStringLiteral("woff2")},
                                                    {"font/woff", QStringLiteral("woff")},
                                                    {"font/ttf", QStringLiteral("ttf")},
                                                    {"font/otf", QStringLiteral("otf")}};
    const QByteArray data = m_cache.dataAddress(address);
    const qsizetype comma = data.indexOf(',');
    const QByteArray type = data.mid(5, data.indexOf(';') - 5);
    if (!data.startsWith("data:") || comma < 0 || !endings.contains(type))
        return {};
    const QByteArray bytes = QByteArray::fromBase64(data.mid(comma + 1));
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    if (const auto placed = m_fonts.constFind(digest); placed != m_fonts.constEnd())
        return *placed;
    const QString name =
        QStringLiteral("fonts/%1.%2").arg(m_fonts.size() + 1).arg(endings.value(type));
    // Web fonts are compressed already; TrueType and OpenType files are not.
    if (!m_zip.add(m_folder + name, bytes, type == "font/ttf" || type == "font/otf"))
        return {};
    m_items.append({name, QString::fromLatin1(type)});
    m_fonts.insert(digest, name);
    return name;
}

QByteArray BookImages::inBookForm(const QString& address, QByteArray& type, const QByteArray& bytes)
{
    if (type == "image/svg+xml") {
        const QByteArray svg = mendedSvg(bytes);
        if (svg.isEmpty() && m_warn)
            m_warn(QStringLiteral("%1 is left out of the book: an SVG image that is no XML")
                       .arg(address));
        return svg;
    }
    if (coreTypes().contains(type))
        return bytes;
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        if (m_warn)
            m_warn(QStringLiteral("%1 is left out of the book: %2 cannot be converted")
                       .arg(address, QString::fromLatin1(type)));
        return {};
    }
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    type = "image/png";
    return png.data();
}

} // namespace join
