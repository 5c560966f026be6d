#include "pagecopy.h"

#include <QFile>

namespace join {

PageCopy::PageCopy(const QString& resource)
{
    QFile file(resource);
    if (file.open(QIODevice::ReadOnly))
        m_script = QString::fromUtf8(file.readAll());
    Q_ASSERT(!m_script.isEmpty());
}

const PageCopy& PageCopy::bodyMarkup()
{
    static const PageCopy copy(QStringLiteral(":/join/copy/body-markup.js"));
    return copy;
}

const PageCopy& PageCopy::serialisedBody()
{
    static const PageCopy copy(QStringLiteral(":/join/copy/serialised-body.js"));
    return copy;
}

} // namespace join
