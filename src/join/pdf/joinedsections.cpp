#include "joinedsections.h"

#include "core/apperror.h"

#include <QIODevice>

namespace {

constexpr qint64 Block = 1024 * 1024;
const QByteArray SectionEnd = QByteArrayLiteral("</section>\n");

QByteArray opening(int position)
{
    return "<section id=\"p" + QByteArray::number(position) + "\" data-source=\"";
}

} // namespace

QByteArray JoinedSections::head()
{
    return readUntil(QByteArrayLiteral("<body>"), 6);
}

QByteArray JoinedSections::contents()
{
    return readUntil(opening(1), 0);
}

QByteArray JoinedSections::section(int position, int count)
{
    if (position >= count)
        return readUntil({}, 0);
    return readUntil(SectionEnd + opening(position + 1), SectionEnd.size());
}

QByteArray JoinedSections::readUntil(const QByteArray& needle, qsizetype keep)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = needle.isEmpty() ? -1 : m_buffer.indexOf(needle, from);
        if (at >= 0) {
            QByteArray piece = m_buffer.left(at + keep);
            m_buffer.remove(0, at + keep);
            return piece;
        }
        if (m_joined.atEnd())
            return std::exchange(m_buffer, {});
        from = qMax<qsizetype>(0, m_buffer.size() - needle.size() + 1);
        const QByteArray more = m_joined.read(Block);
        if (more.isEmpty() && !m_joined.atEnd())
            throw AppError(75, QStringLiteral("Cannot read the joined document back: ") +
                                   m_joined.errorString());
        m_buffer += more;
    }
}
