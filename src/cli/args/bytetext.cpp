#include "bytetext.h"

#include <QUtf8StringView>

namespace cli {
namespace {
constexpr char16_t KeptByteBase = 0xDC00;

// A lone surrogate from U+DC80 to U+DCFF; the low half of a pair is a character's.
bool isKeptByte(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= KeptByteBase + 0x80 && c <= KeptByteBase + 0xFF &&
           (i == 0 || !text[i - 1].isHighSurrogate());
}

QString hex(uint value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}
} // namespace

QString textOfBytes(QByteArrayView bytes)
{
    if (QUtf8StringView(bytes.data(), bytes.size()).isValidUtf8())
        return QString::fromUtf8(bytes);
    QString text;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar lead = uchar(bytes[i]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const QByteArrayView sequence = bytes.sliced(i, qMin(length, bytes.size() - i));
        if (QUtf8StringView(sequence.data(), sequence.size()).isValidUtf8()) {
            text += QString::fromUtf8(sequence);
            i += sequence.size();
        } else {
            text += QChar(char16_t(KeptByteBase + lead));
            ++i;
        }
    }
    return text;
}

QByteArray bytesOfText(QStringView text)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isKeptByte(text, i))
            continue;
        bytes += text.sliced(start, i - start).toUtf8();
        bytes += char(text[i].unicode() - KeptByteBase);
        start = i + 1;
    }
    return bytes + text.sliced(start).toUtf8();
}

bool hasKeptBytes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isKeptByte(text, i))
            return true;
    return false;
}

QString shownText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isKeptByte(text, i))
            shown += QLatin1String("\\x") + hex(c - KeptByteBase, 2);
        else if (c < 0x20 || c == 0x7F)
            shown += QLatin1String("\\x") + hex(c, 2);
        else if (c >= 0x80 && c <= 0x9F)
            shown += QLatin1String("\\u") + hex(c, 4);
        else
            shown += QChar(c);
    }
    return shown;
}

} // namespace cli
