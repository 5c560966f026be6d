#include "contentoptions.h"

#include <QCommandLineParser>

namespace cli {
namespace {

const QString Select = QStringLiteral("select");
const QString Exclude = QStringLiteral("exclude");
const QString Main = QStringLiteral("main");

} // namespace

QList<QCommandLineOption> contentOptions()
{
    return {
        {Select,
         QStringLiteral("Keep only the elements this CSS selector matches, in page order. May be "
                        "given several times."),
         QStringLiteral("selector")},
        {Exclude,
         QStringLiteral("Leave out the elements this CSS selector matches. May be given several "
                        "times."),
         QStringLiteral("selector")},
        {Main, QStringLiteral("Keep only each page's main content: its main element (or "
                              "[role=main]), else its article.")},
    };
}

QString readContentOptions(const QCommandLineParser& parser, join::ContentRule& rule)
{
    rule.select = parser.values(Select);
    rule.exclude = parser.values(Exclude);
    rule.main = parser.isSet(Main);
    if (rule.main && !rule.select.isEmpty())
        return QStringLiteral("--main and --select cannot go together");
    for (const QString& selector : rule.select + rule.exclude) {
        if (selector.trimmed().isEmpty())
            return QStringLiteral("--select and --exclude want a selector");
    }
    return {};
}

} // namespace cli
