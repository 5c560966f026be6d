#include "cursorfile.h"

#include "apperror.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(53, QStringLiteral("File not found: ") + path);
    const QByteArray data = file.readAll();

    // Header: reserved (2), type (2: 1 icon, 2 cursor), count (2); then 16-byte entries whose
    // bytes 4 to 7 hold the hotspot for a cursor.
    constexpr int headerSize = 6, entrySize = 16;
    if (data.size() < headerSize + entrySize)
        throw AppError(481, QStringLiteral("Invalid picture"));
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const quint16 type = qFromLittleEndian<quint16>(bytes + 2);

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // Qt's ico reader accepts the cursor type as well; it is told the format so that the file's
    // name does not matter.
    QImageReader reader(&buffer, "ico");
    const QImage image = reader.read();
    if (image.isNull() || (type != 1 && type != 2))
        throw AppError(481, QStringLiteral("Invalid picture"));

    if (type == 2) {
        const int hotX = qFromLittleEndian<quint16>(bytes + 10);
        const int hotY = qFromLittleEndian<quint16>(bytes + 12);
        return QCursor(QPixmap::fromImage(image), qMin(hotX, image.width() - 1),
                       qMin(hotY, image.height() - 1));
    }
    return QCursor(QPixmap::fromImage(image));
}
