#include "contentrule.h"

#include "core/jsontext.h"
#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"

#include <QJsonArray>
#include <QJsonObject>

namespace join {
namespace {

// Long enough for a blank page's engine to start on a slow machine.
constexpr std::chrono::milliseconds SelectorCheckBound{30000};

} // namespace

QString ContentRule::description() const
{
    QStringList parts;
    for (const QString& selector : select)
        parts.append(QStringLiteral("--select '%1'").arg(selector));
    if (main)
        parts.append(QStringLiteral("--main"));
    if (reader)
        parts.append(QStringLiteral("--reader"));
    for (const QString& selector : exclude)
        parts.append(QStringLiteral("--exclude '%1'").arg(selector));
    return parts.join(QLatin1Char(' '));
}

ContentCopy::ContentCopy(PageCopy& copy, const ContentRule& rule, Noted noted)
    : PageCopy(copy.script()), m_copy(copy), m_noted(std::move(noted))
{
    const QJsonObject settings{
        {QStringLiteral("select"), QJsonArray::fromStringList(rule.select)},
        {QStringLiteral("exclude"), QJsonArray::fromStringList(rule.exclude)},
        {QStringLiteral("main"), rule.main},
        {QStringLiteral("reader"), rule.reader}};
    const QString keep = resourceText(QStringLiteral(":/join/content/keep-content.js"));
    if (!rule.main && !rule.reader) {
        m_ruleScript = keep + QLatin1Char('(') + jsonText(settings) + QLatin1Char(')');
        return;
    }
    // The reader library is a script that defines Readability: inside a function of its own, it
    // leaves nothing behind in the page's world.
    m_ruleScript = QStringLiteral("(function (rule) {\n") +
                   resourceText(QStringLiteral(":/join/content/Readability.js")) +
                   QStringLiteral("\nreturn (\n") + keep +
                   QStringLiteral(")(rule, Readability);\n})(") + jsonText(settings) +
                   QLatin1Char(')');
}

QString ContentCopy::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    // Sent ahead of the copy's script, which the page runs next, with no wait between them: a
    // page that does not answer is the copy's to deal with, within the copy's bound.
    site.evaluateLater(m_ruleScript, [noted = m_noted, position](const QVariant& answer) {
        const QVariantMap rule = answer.toMap();
        if (!rule.isEmpty())
            noted(position, rule.value(QStringLiteral("used")).toString(),
                  rule.value(QStringLiteral("warning")).toString());
    });
    return m_copy.copyFrom(site, position, bound);
}

QStringList invalidSelectors(const QList<QPair<QString, QString>>& optionAndSelector)
{
    QJsonArray selectors;
    for (const auto& entry : optionAndSelector)
        selectors.append(entry.second);
    const QString script =
        QStringLiteral("(function (selectors) { return selectors.map(selector => { try { "
                       "document.createDocumentFragment().querySelector(selector); return true; } "
                       "catch (e) { return false; } }); })(") +
        jsonText(selectors) + QLatin1Char(')');
    SiteBrowser blank;
    const QVariantList valid = blank.evaluate(script, SelectorCheckBound).toList();
    QStringList invalid;
    for (qsizetype i = 0; i < optionAndSelector.size(); ++i) {
        if (!valid.value(i).toBool())
            invalid.append(QStringLiteral("%1 '%2'").arg(optionAndSelector[i].first,
                                                         optionAndSelector[i].second));
    }
    return invalid;
}

} // namespace join
