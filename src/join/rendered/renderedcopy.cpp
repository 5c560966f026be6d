#include "renderedcopy.h"

#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

namespace join {

RenderedCopy::RenderedCopy(PageCopy& copy) : PageCopy(copy.script()), m_copy(copy)
{
    m_noteScript = resourceText(QStringLiteral(":/join/rendered/formulas.js")) + QLatin1Char('\n') +
                   resourceText(QStringLiteral(":/join/rendered/diagrams.js"));
}

QString RenderedCopy::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    // Once the page is ready: what its scripts still do after its load (typeset, add) is seen.
    site.readyToCopy();
    // Sent ahead of the scripts that follow it, which run after it: a page that does not answer
    // is the copy's to deal with, within the copy's bound.
    site.evaluateInPageWorldLater(m_noteScript);
    return m_copy.copyFrom(site, position, bound);
}

} // namespace join
