#include "imagestore.h"

#include "core/fileshortfall.h"
#include "temporaryfile.h"

#include <QRegularExpression>

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

// The type of a font from its first bytes: servers name fonts in many ways.
QByteArray fontType(const QByteArray& head)
{
    if (head.startsWith("wOF2"))
        return "font/woff2";
    if (head.startsWith("wOFF"))
        return "font/woff";
    if (head.startsWith("OTTO"))
        return "font/otf";
    if (head.startsWith(QByteArray("\0\1\0\0", 4)) || head.startsWith("true"))
        return "font/ttf";
    return {};
}

// A font is untrusted data the document carries whole: bounded each, and all together.
constexpr qint64 FontLimit = 5 * 1048576;
constexpr qint64 DocumentFontLimit = 50 * 1048576;

} // namespace

ImageStore::ImageStore(qint64 limit, std::function<void(const QString&)> warn, QString fate)
    : m_limit(limit), m_warn(std::move(warn)), m_fate(std::move(fate))
{
}

ImageStore::~ImageStore() = default;

bool ImageStore::has(const QString& address) const
{
    return m_stored.contains(address) || m_givenUp.contains(address);
}

QString ImageStore::tooLarge() const
{
    return QStringLiteral("larger than %1 MB").arg(m_limit / 1048576.0, 0, 'g', 4);
}

void ImageStore::giveUp(const QString& address, const QString& problem)
{
    if (has(address))
        return;
    m_givenUp.insert(address);
    if (problem.isEmpty() || !m_warn)
        return;
    // Its text is drawn in the generic family the classes name after it.
    if (m_fonts.contains(address))
        m_warn(QStringLiteral("font %1 is left out: %2").arg(address, problem));
    else
        m_warn(QStringLiteral("%1 %2: %3").arg(address, m_fate, problem));
}

void ImageStore::leaveOut(const QString& start)
{
    if (m_warn)
        m_warn(QStringLiteral("%1 is left out: %2").arg(start, tooLarge()));
}

void ImageStore::add(const QString& address, const QString& contentType, const QByteArray& base64)
{
    if (has(address))
        return;
    const QByteArray head = QByteArray::fromBase64(base64.left(1024));
    const bool font = m_fonts.contains(address);
    const QByteArray type = font ? fontType(head) : imageType(contentType, head);
    if (type.isEmpty())
        return giveUp(address, {});
    const qint64 size = base64.size() / 4 * 3;
    if (size > m_limit + 2)
        return giveUp(address, tooLarge());
    if (font && size > FontLimit + 2)
        return giveUp(address, QStringLiteral("larger than %1 MB").arg(FontLimit / 1048576));
    if (font && m_fontBytes + size > DocumentFontLimit + 2)
        return giveUp(address, QStringLiteral("the document's fonts would pass %1 MB")
                                   .arg(DocumentFontLimit / 1048576));
    if (font)
        m_fontBytes += size;
    // Once the store has failed, the run's document will not be made: nothing more is kept.
    if (!keep(address, "data:" + type + ";base64," + base64))
        return giveUp(address, {});
}

bool ImageStore::keep(const QString& address, const QByteArray& data)
{
    if (!m_failure.isEmpty())
        return false;
    // Made with the first image: a join without images needs no file.
    if (!m_file.isOpen()) {
        if (const QString problem = openNameless(m_file); !problem.isEmpty()) {
            m_failure = QStringLiteral("Cannot keep the images in a temporary file: ") + problem;
            return false;
        }
    }
    if (!m_file.seek(m_end) || m_file.write(data) != data.size() || !m_file.flush()) {
        fail(QStringLiteral("keep"));
        return false;
    }
    m_stored.insert(address, {m_end, data.size()});
    m_end += data.size();
    return true;
}

QByteArray ImageStore::dataAddress(const QString& address)
{
    const auto stored = m_stored.constFind(address);
    if (stored == m_stored.constEnd() || !m_failure.isEmpty())
        return {};
    QByteArray data;
    if (m_file.seek(stored->first))
        data = m_file.read(stored->second);
    if (data.size() != stored->second) {
        fail(QStringLiteral("read back"));
        return {};
    }
    return data;
}

void ImageStore::fail(const QString& doing)
{
    if (m_failure.isEmpty())
        m_failure = QStringLiteral("Cannot %1 the images in a temporary file: %2")
                        .arg(doing, shortfallOf(m_file));
}

} // namespace join
