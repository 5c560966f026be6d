#include "cookiesfile.h"

#include "bytetext.h"
#include "filenames.h"

#include <QDateTime>
#include <QUrl>

#include <algorithm>

namespace cli {
namespace {

const QByteArray HttpOnlyPrefix = "#HttpOnly_";

std::optional<bool> flag(const QByteArray& field)
{
    if (field.compare("TRUE", Qt::CaseInsensitive) == 0)
        return true;
    if (field.compare("FALSE", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// A control byte, or ';', which ends a cookie in a header.
bool endsCookie(const QByteArray& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return uchar(c) < 0x20 || c == 0x7f || c == ';'; });
}

// What the cookie store would refuse in the domain, path, name or value; empty when nothing.
QString fieldProblem(const QString& domain, const QList<QByteArray>& fields)
{
    QUrl host;
    host.setHost(domain.startsWith(QLatin1Char('.')) ? domain.mid(1) : domain, QUrl::StrictMode);
    if (!host.isValid() || host.host().isEmpty())
        return QStringLiteral("the domain '%1' is no host name").arg(domain);
    if ((!fields[2].isEmpty() && !fields[2].startsWith('/')) || endsCookie(fields[2]))
        return QStringLiteral("the path must start with '/' and hold no ';' or control byte");
    if (fields[5].isEmpty())
        return QStringLiteral("no cookie name");
    if (endsCookie(fields[5]) || fields[5].contains('=') || fields[5] != fields[5].trimmed())
        return QStringLiteral("the name holds a space at an end, '=', ';' or a control byte");
    if (endsCookie(fields[6]))
        return QStringLiteral("the value holds ';' or a control byte");
    return {};
}

// The cookie of one line; nothing, and why in problem, when the line is malformed.
std::optional<QNetworkCookie> parseLine(QByteArray line, QString& problem)
{
    QNetworkCookie cookie;
    if (line.startsWith(HttpOnlyPrefix)) {
        cookie.setHttpOnly(true);
        line = line.mid(HttpOnlyPrefix.size());
    }
    QList<QByteArray> fields = line.split('\t');
    // Some writers leave out the tab before an empty value.
    if (fields.size() == 6)
        fields.append(QByteArray());
    if (fields.size() != 7) {
        problem = QStringLiteral("%1 fields where 7 separated by tabs belong").arg(fields.size());
        return std::nullopt;
    }
    const QString domain = textOfBytes(fields[0]);
    const std::optional<bool> subdomains = flag(fields[1]);
    const std::optional<bool> secure = flag(fields[3]);
    bool expiryIsNumber = false;
    const qint64 expiry = fields[4].toLongLong(&expiryIsNumber);
    if (domain.isEmpty() || domain == QLatin1String("."))
        problem = QStringLiteral("no domain");
    else if (!subdomains || !secure)
        problem = QStringLiteral("the second and fourth fields must be TRUE or FALSE");
    else if (!expiryIsNumber || expiry < 0)
        problem =
            QStringLiteral("the expiry '%1' is no number of seconds").arg(textOfBytes(fields[4]));
    else
        problem = fieldProblem(domain, fields);
    if (!problem.isEmpty())
        return std::nullopt;

    const QString host = domain.startsWith(QLatin1Char('.')) ? domain.mid(1) : domain;
    cookie.setDomain(*subdomains ? QLatin1Char('.') + host : host);
    cookie.setPath(fields[2].isEmpty() ? QStringLiteral("/") : QString::fromUtf8(fields[2]));
    cookie.setSecure(*secure);
    if (expiry > 0)
        cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC));
    cookie.setName(fields[5]);
    cookie.setValue(fields[6]);
    return cookie;
}

} // namespace

std::optional<QList<QNetworkCookie>> readCookiesFile(const QString& path, QString& error)
{
    QList<QNetworkCookie> cookies;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const ReadProblem problem = readLines(path, [&](const QByteArray& line, qsizetype) {
        if (line.trimmed().isEmpty() || (line.startsWith('#') && !line.startsWith(HttpOnlyPrefix)))
            return QString();
        QString problem;
        const std::optional<QNetworkCookie> cookie = parseLine(line, problem);
        if (cookie && (cookie->isSessionCookie() || cookie->expirationDate() > now))
            cookies.append(*cookie);
        return problem;
    });
    if (problem.text.isEmpty())
        return cookies;
    error =
        problem.line == 0
            ? QStringLiteral("cannot read cookies file %1: %2").arg(shownText(path), problem.text)
            : QStringLiteral("cookies file %1, line %2: %3")
                  .arg(shownText(path))
                  .arg(problem.line)
                  .arg(shownText(problem.text));
    return std::nullopt;
}

} // namespace cli
