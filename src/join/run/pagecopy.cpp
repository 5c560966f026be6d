#include "pagecopy.h"

#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

namespace join {

PageCopy::PageCopy(QString script) : m_script(std::move(script))
{
    Q_ASSERT(!m_script.isEmpty());
}

PageCopy& PageCopy::bodyMarkup()
{
    static PageCopy copy(resourceText(QStringLiteral(":/join/copy/body-markup.js")));
    return copy;
}

PageCopy& PageCopy::serialisedBody()
{
    static PageCopy copy(resourceText(QStringLiteral(":/join/copy/serialised-body.js")));
    return copy;
}

QString PageCopy::copyFrom(SiteBrowser& site, int /*position*/, std::chrono::milliseconds bound)
{
    return site.copyPage(m_script, bound);
}

} // namespace join
