#include "pagecopy.h"

#include "sitebrowser.h"

#include <QFile>

namespace join {

PageCopy::PageCopy(QString script) : m_script(std::move(script))
{
    Q_ASSERT(!m_script.isEmpty());
}

QString PageCopy::scriptResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const PageCopy& PageCopy::bodyMarkup()
{
    static const PageCopy copy(scriptResource(QStringLiteral(":/join/copy/body-markup.js")));
    return copy;
}

const PageCopy& PageCopy::serialisedBody()
{
    static const PageCopy copy(scriptResource(QStringLiteral(":/join/copy/serialised-body.js")));
    return copy;
}

QString PageCopy::copyFrom(SiteBrowser& site, int /*position*/,
                           std::chrono::milliseconds bound) const
{
    return site.copyPage(*this, bound);
}

} // namespace join
