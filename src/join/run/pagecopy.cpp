#include "pagecopy.h"

#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

namespace join {

PageCopy::PageCopy(QString script) : m_script(std::move(script))
{
    Q_ASSERT(!m_script.isEmpty());
}

const PageCopy& PageCopy::bodyMarkup()
{
    static const PageCopy copy(resourceText(QStringLiteral(":/join/copy/body-markup.js")));
    return copy;
}

const PageCopy& PageCopy::serialisedBody()
{
    static const PageCopy copy(resourceText(QStringLiteral(":/join/copy/serialised-body.js")));
    return copy;
}

QString PageCopy::copyFrom(SiteBrowser& site, int /*position*/,
                           std::chrono::milliseconds bound) const
{
    return site.copyPage(m_script, bound);
}

} // namespace join
