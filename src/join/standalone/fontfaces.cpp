#include "fontfaces.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <QRegularExpression>

namespace join {
namespace {

bool matches(const QString& pattern, const QString& text)
{
    const QRegularExpression expression(QStringLiteral("^(?:%1)$").arg(pattern),
                                        QRegularExpression::CaseInsensitiveOption);
    return expression.match(text).hasMatch();
}

// What the descriptors may hold: keywords, numbers, percentages, angles and code point ranges.
bool safe(const FontFace& face)
{
    static const QRegularExpression unsafe(QStringLiteral("[<>{}\\\\@;\"']|/\\*|[\\x00-\\x1f]"));
    const QString number = QStringLiteral("-?\\d+(?:\\.\\d+)?");
    const QString codes = QStringLiteral("U\\+[0-9A-F?]{1,6}(?:-[0-9A-F]{1,6})?");
    return !face.family.trimmed().isEmpty() && face.family.size() <= 200 &&
           !unsafe.match(face.family).hasMatch() &&
           matches(QStringLiteral("normal|bold|bolder|lighter|%1(?: %1)?").arg(number),
                   face.weight) &&
           matches(QStringLiteral("normal|italic|oblique(?: %1deg){0,2}").arg(number),
                   face.style) &&
           matches(QStringLiteral("[a-z-]+|%1%(?: %1%)?").arg(number), face.stretch) &&
           (face.unicodeRange.isEmpty() ||
            (face.unicodeRange.size() <= 10000 &&
             matches(QStringLiteral("%1(?:,\\s*%1)*").arg(codes), face.unicodeRange))) &&
           !face.address.isEmpty();
}

QString descriptors(const FontFace& face)
{
    QString text =
        QStringLiteral("font-family:\"%1\";font-weight:%2;font-style:%3;font-stretch:%4;")
            .arg(face.family, face.weight, face.style, face.stretch);
    if (!face.unicodeRange.isEmpty())
        text += QStringLiteral("unicode-range:%1;").arg(face.unicodeRange);
    return text;
}

} // namespace

bool FontFaces::add(const QJsonObject& noted)
{
    const auto read = [&noted](const char* name) {
        return noted.value(QLatin1String(name)).toString().trimmed();
    };
    const FontFace face{read("family"),  read("weight"),       read("style"),
                        read("stretch"), read("unicodeRange"), read("address")};
    if (!safe(face))
        return false;
    const QString key = descriptors(face) + face.address;
    if (m_keys.contains(key))
        return false;
    m_keys.insert(key);
    m_faces.append(face);
    return true;
}

QString FontFaces::rules(int from, const std::function<QString(const FontFace&)>& source) const
{
    QString text;
    for (qsizetype i = from; i < m_faces.size(); ++i) {
        const QString address = source(m_faces[i]);
        if (address.isEmpty())
            continue;
        const QString own = descriptors(m_faces[i]);
        const QString written =
            own + QString::fromLatin1(
                      QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1).toHex());
        if (m_written.contains(written))
            continue;
        m_written.insert(written);
        text += QStringLiteral("@font-face{") + own + QStringLiteral("src:url(") + address +
                QStringLiteral(");}\n");
    }
    return text;
}

} // namespace join
