#include "findoptions.h"

#include "bytetext.h"

#include <QCommandLineParser>

namespace cli {
namespace {

const QString LinksOf = QStringLiteral("links-of");
const QString LinksIn = QStringLiteral("links-in");
const QString Sitemap = QStringLiteral("sitemap");
const QString Next = QStringLiteral("next");
const QString Within = QStringLiteral("within");
const QString MaxPages = QStringLiteral("max-pages");
const QString NoStart = QStringLiteral("no-start");
const QString List = QStringLiteral("list");
constexpr int MaxMaxPages = 1000000;

} // namespace

QList<QCommandLineOption> findOptions()
{
    return addressSourceOptions() +
           QList<QCommandLineOption>{
               {LinksIn,
                QStringLiteral(
                    "With --links-of: only the links inside the elements this CSS selector "
                    "matches."),
                QStringLiteral("selector")},
               {Next,
                QStringLiteral(
                    "Join the one address given, then the page its first element matching "
                    "this selector links to (a[href], link[rel=next]), and so on, each page "
                    "joined as the chain reaches it."),
                QStringLiteral("selector")},
               {Within,
                QStringLiteral(
                    "Join only found addresses that start with this prefix (default: the "
                    "start address's folder). May be given several times. What is left out is "
                    "counted on standard error, with the --within that would keep it."),
                QStringLiteral("prefix")},
               {MaxPages,
                QStringLiteral("Find at most n pages per source, its start page included (default: "
                               "1000)."),
                QStringLiteral("n")},
               {NoStart, QStringLiteral("Leave the --links-of page itself out.")},
               {List, QStringLiteral("Print the addresses, one a line, and join nothing.")},
           };
}

QList<QCommandLineOption> addressSourceOptions()
{
    return {
        {LinksOf,
         QStringLiteral("Join the page at this address, then the pages it links to, in order. "
                        "May be given several times."),
         QStringLiteral("address")},
        {Sitemap,
         QStringLiteral("Join the pages a sitemap lists (a sitemap index too; gzip or not). May "
                        "be given several times. A sitemap over 50 MB (packed or not), 50000 "
                        "addresses or -t seconds is exit 1."),
         QStringLiteral("address")},
    };
}

QString readFindOptions(const QCommandLineParser& parser, qsizetype operands, FindOptions& find)
{
    if (parser.isSet(LinksIn) && !parser.isSet(LinksOf))
        return QStringLiteral("--links-in needs --links-of");
    if (parser.isSet(NoStart) && !parser.isSet(LinksOf))
        return QStringLiteral("--no-start needs --links-of");
    if (parser.isSet(Next) && operands != 1)
        return QStringLiteral("--next wants one start address, not %1").arg(operands);
    for (const QString& option : {LinksIn, Next}) {
        if (parser.isSet(option) && parser.value(option).trimmed().isEmpty())
            return QStringLiteral("--%1 wants a selector").arg(option);
    }
    for (const QString& prefix : parser.values(Within)) {
        const QUrl url(prefix);
        if (!url.isValid() || url.isRelative())
            return QStringLiteral("--within wants an absolute address, not '%1'")
                .arg(shownText(prefix));
        find.settings.within.append(prefix);
    }
    if (parser.isSet(MaxPages)) {
        bool ok = false;
        find.settings.maxPages = parser.value(MaxPages).toInt(&ok);
        if (!ok || find.settings.maxPages < 1 || find.settings.maxPages > MaxMaxPages)
            return QStringLiteral("--max-pages wants a whole number from 1 to %1, not '%2'")
                .arg(MaxMaxPages)
                .arg(shownText(parser.value(MaxPages)));
    }
    find.settings.withStart = !parser.isSet(NoStart);
    find.listOnly = parser.isSet(List);
    return {};
}

std::optional<join::FindRequest> findRequestFor(const QCommandLineParser& parser,
                                                const QString& option, const QString& value)
{
    using Kind = join::FindRequest::Kind;
    if (option == LinksOf)
        return join::FindRequest{Kind::LinksOf, value, parser.value(LinksIn)};
    if (option == Sitemap)
        return join::FindRequest{Kind::Sitemap, value, QString()};
    if (option.isEmpty() && parser.isSet(Next))
        return join::FindRequest{Kind::Next, value, parser.value(Next)};
    return std::nullopt;
}

} // namespace cli
