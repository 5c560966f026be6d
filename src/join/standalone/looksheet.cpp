#include "looksheet.h"

#include <QRegularExpression>

namespace join {
namespace {

// Declarations are values the page's styles computed (a font's name is the page's own text):
// nothing in them may end the rule or the style element that holds it.
bool safe(const QString& name, const QString& declarations)
{
    static const QRegularExpression className(QStringLiteral("^v[0-9a-z]{1,16}$"));
    static const QRegularExpression unsafe(QStringLiteral("[<>{}\\\\@]|/\\*|[\\x00-\\x1f]"));
    return className.match(name).hasMatch() && !unsafe.match(declarations).hasMatch();
}

} // namespace

void LookSheet::add(const QString& name, const QString& declarations)
{
    if (m_declarations.contains(name) || !safe(name, declarations))
        return;
    m_names.append(name);
    m_declarations.insert(name, declarations);
}

QString LookSheet::rules(int from) const
{
    QString text;
    for (qsizetype i = from; i < m_names.size(); ++i)
        text += QLatin1Char('.') + m_names[i] + QLatin1Char('{') + m_declarations[m_names[i]] +
                QStringLiteral("}\n");
    return text;
}

} // namespace join
