#include "lookcopy.h"

#include "core/apperror.h"
#include "core/jsontext.h"
#include "join/engine/enginepage.h"
#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

#include <QJsonObject>

namespace join {

LookCopy::LookCopy(PageCopy& copy, const LookSettings& settings,
                   std::function<void(const QString&)> warn)
    : PageCopy(copy.script()), m_copy(copy), m_settings(settings),
      m_captureScript(resourceText(QStringLiteral(":/join/look/look-capture.js"))),
      m_warn(std::move(warn))
{
}

QString LookCopy::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    // Once the page is ready: what its scripts still do after its load (typeset, add) is seen.
    site.readyToCopy();
    const QJsonObject arguments{{QStringLiteral("styles"), m_settings.styles},
                                {QStringLiteral("print"), m_settings.print},
                                {QStringLiteral("time"), qint64(bound.count())}};
    // The text the page's stylesheets write becomes the page's own first, so that the look is
    // noted for it and every copy holds it; the web fonts are noted while every sheet is there.
    const QString call = QLatin1Char('(') + jsonText(arguments) + QStringLiteral(");\n");
    static const QString generatedText =
        resourceText(QStringLiteral(":/join/look/generated-text.js"));
    static const QString webFonts = resourceText(QStringLiteral(":/join/look/web-fonts.js"));
    QVariant answer;
    try {
        // The look keeps to its time by itself; what it does after (leaving out the hidden
        // elements) is quick. A page that does not answer even then is held by its own scripts,
        // which the copy finds and reports.
        answer = site.evaluate(generatedText + call + webFonts + call + m_captureScript + call,
                               2 * bound);
    } catch (const AppError&) {
    }
    qCDebug(lcPage) << "look noted:" << answer;
    if (answer.toMap().value(QStringLiteral("plain")).toBool())
        m_warn(QStringLiteral("%1: noting its look took longer than the page's %2 s; it is "
                              "copied with the plain look")
                   .arg(site.loadedUrl().toString())
                   .arg(bound.count() / 1000.0));
    return m_copy.copyFrom(site, position, bound);
}

} // namespace join
