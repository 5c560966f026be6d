#include "contentoptions.h"

#include <QCommandLineParser>

namespace cli {
namespace {

const QString Select = QStringLiteral("select");
const QString Exclude = QStringLiteral("exclude");
const QString Main = QStringLiteral("main");
const QString Reader = QStringLiteral("reader");

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
        {Main, QStringLiteral("Keep only each page's main content: its single main element (or "
                              "[role=main]), else its single article, else the article a reader "
                              "view would show, headed by the page's title.")},
        {Reader, QStringLiteral("Keep only the article a reader view would show, even where a main "
                                "element marks the content (for a main that holds comments and "
                                "related links).")},
    };
}

QString readContentOptions(const QCommandLineParser& parser, join::ContentRule& rule)
{
    rule.select = parser.values(Select);
    rule.exclude = parser.values(Exclude);
    rule.main = parser.isSet(Main);
    rule.reader = parser.isSet(Reader);
    if (rule.main && !rule.select.isEmpty())
        return QStringLiteral("--main and --select cannot go together");
    if (rule.reader && !rule.select.isEmpty())
        return QStringLiteral("--reader and --select cannot go together");
    for (const QString& selector : rule.select + rule.exclude) {
        if (selector.trimmed().isEmpty())
            return QStringLiteral("--select and --exclude want a selector");
    }
    return {};
}

} // namespace cli
