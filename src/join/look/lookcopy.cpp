#include "lookcopy.h"

#include "core/jsontext.h"
#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

#include <QJsonObject>

namespace join {

LookCopy::LookCopy(PageCopy& copy, const LookSettings& settings)
    : PageCopy(copy.script()), m_copy(copy)
{
    const QJsonObject arguments{{QStringLiteral("styles"), settings.styles},
                                {QStringLiteral("print"), settings.print}};
    // The text the page's stylesheets write becomes the page's own first, so that the look is
    // noted for it and every copy holds it; the web fonts are noted while every sheet is there.
    const QString call = QLatin1Char('(') + jsonText(arguments) + QStringLiteral(");\n");
    m_captureScript = resourceText(QStringLiteral(":/join/look/generated-text.js")) + call +
                      resourceText(QStringLiteral(":/join/look/web-fonts.js")) + call +
                      resourceText(QStringLiteral(":/join/look/look-capture.js")) + call;
}

QString LookCopy::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    // Once the page is ready: what its scripts still do after its load (typeset, add) is seen.
    site.readyToCopy();
    // Sent ahead of the scripts that follow it, with no wait between them: a page that does not
    // answer is the copy's to deal with, within the copy's bound.
    site.evaluateLater(m_captureScript, [](const QVariant&) {});
    return m_copy.copyFrom(site, position, bound);
}

} // namespace join
