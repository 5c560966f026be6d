#include "readeroptions.h"

#include "bytetext.h"
#include "cookiesfile.h"
#include "core/webaddress.h"
#include "join/site/requestheaders.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QUrl>

namespace cli {
namespace {

const QString Cookies = QStringLiteral("cookies");
const QString Header = QStringLiteral("header");
const QString UserAgent = QStringLiteral("user-agent");
const QString Scroll = QStringLiteral("scroll");
const QString Settle = QStringLiteral("settle");
const QString Report = QStringLiteral("report");
constexpr qint64 MaxSettleMs = 24 * 3600 * 1000;

// "Name: value", the name a token as HTTP has it.
bool readHeader(const QString& text, QPair<QByteArray, QByteArray>& header)
{
    static const QRegularExpression form(
        QStringLiteral("^([!#$%&'*+.^_`|~0-9A-Za-z-]+):[ \\t]*(.*?)[ \\t]*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch() || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return false;
    header = {match.captured(1).toLatin1(), match.captured(2).toUtf8()};
    return true;
}

QUrl refererOf(const ReaderOptions& reader)
{
    QUrl referer;
    for (const auto& [name, value] : reader.site.headers) {
        if (name.compare("Referer", Qt::CaseInsensitive) == 0)
            referer = QUrl(QString::fromUtf8(value));
    }
    return referer;
}

} // namespace

QList<QCommandLineOption> readerOptions()
{
    return {
        {Cookies,
         QStringLiteral("Send the cookies of a cookies.txt file (Netscape format; '-': standard "
                        "input), for pages behind a login. Read as a list file is."),
         QStringLiteral("file")},
        {{QStringLiteral("H"), Header},
         QStringLiteral("Send this header with the requests to the listed addresses' origins, and "
                        "to no other. May be given several times."),
         QStringLiteral("name: value")},
        {UserAgent,
         QStringLiteral("Present this user agent, to servers and to the pages' scripts."),
         QStringLiteral("text")},
        {Scroll, QStringLiteral("Scroll each page to its end before copying it, for images that "
                                "load as they come into view.")},
        {Settle,
         QStringLiteral("Before copying a page, wait until it has been quiet for ms "
                        "milliseconds."),
         QStringLiteral("ms")},
        {Report, QStringLiteral("Write a JSON report on every address to file."),
         QStringLiteral("file")},
    };
}

QString readReaderOptions(const QCommandLineParser& parser, ReaderOptions& reader)
{
    join::SiteSetup& site = reader.site;
    for (const QString& text : parser.values(Header)) {
        QPair<QByteArray, QByteArray> header;
        if (!readHeader(text, header))
            return QStringLiteral("--header wants 'name: value', not '%1'").arg(shownText(text));
        site.headers.append(header);
    }
    if (const QUrl referer = refererOf(reader);
        !referer.isEmpty() && !(referer.isValid() && isWebAddress(referer)))
        return QStringLiteral("a Referer must be an http or https address, not '%1'")
            .arg(shownText(referer.toString()));
    if (parser.isSet(UserAgent)) {
        site.userAgent = parser.value(UserAgent);
        if (site.userAgent.trimmed().isEmpty())
            return QStringLiteral("the user agent is empty");
    }
    site.readiness.scroll = parser.isSet(Scroll);
    if (parser.isSet(Settle)) {
        bool ok = false;
        const qint64 ms = parser.value(Settle).toLongLong(&ok);
        if (!ok || ms < 1 || ms > MaxSettleMs)
            return QStringLiteral("--settle wants a whole number of milliseconds above 0, not '%1'")
                .arg(shownText(parser.value(Settle)));
        site.readiness.settle = std::chrono::milliseconds(ms);
    }
    if (parser.isSet(Report)) {
        reader.reportPath = parser.value(Report);
        if (reader.reportPath.isEmpty())
            return QStringLiteral("the report path is empty");
    }
    if (parser.isSet(Cookies)) {
        QString error;
        reader.cookiesPath = parser.value(Cookies);
        const auto cookies = readCookiesFile(reader.cookiesPath, error);
        if (!cookies)
            return error;
        site.cookies = *cookies;
    }
    return {};
}

QString refererNote(const ReaderOptions& reader, const QStringList& addresses)
{
    const QUrl referer = refererOf(reader);
    if (referer.isEmpty())
        return {};
    const QUrl given = referer.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QUrl target = QUrl::fromUserInput(addresses[i]);
        if (!isWebAddress(target))
            continue;
        const QUrl sent = RequestHeaders::refererFor(referer, target);
        if (sent == given)
            continue;
        return QStringLiteral("the Referer goes to each page only as far as its referrer policy "
                              "lets a browser send it (the origin to another site, nothing from "
                              "https to http): page %1 gets %2")
            .arg(i + 1)
            .arg(sent.isEmpty() ? QStringLiteral("none") : sent.toString());
    }
    return {};
}

} // namespace cli
