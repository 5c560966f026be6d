#include "cookiesfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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
    const QString domain = QString::fromUtf8(fields[0]);
    const std::optional<bool> subdomains = flag(fields[1]);
    const std::optional<bool> secure = flag(fields[3]);
    bool expiryIsNumber = false;
    const qint64 expiry = fields[4].toLongLong(&expiryIsNumber);
    if (domain.isEmpty() || domain == QLatin1String("."))
        problem = QStringLiteral("no domain");
    else if (!subdomains || !secure)
        problem = QStringLiteral("the second and fourth fields must be TRUE or FALSE");
    else if (!expiryIsNumber || expiry < 0)
        problem = QStringLiteral("the expiry '%1' is no number of seconds")
                      .arg(QString::fromUtf8(fields[4]));
    else if (fields[5].isEmpty())
        problem = QStringLiteral("no cookie name");
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
    QFile file(path);
    QString problem;
    if (QFileInfo(path).isDir())
        problem = QStringLiteral("it is a folder");
    else if (!file.open(QIODevice::ReadOnly))
        problem = file.errorString();
    const QByteArray bytes = problem.isEmpty() ? file.readAll() : QByteArray();
    if (problem.isEmpty() && file.error() != QFileDevice::NoError)
        problem = file.errorString();
    if (!problem.isEmpty()) {
        error = QStringLiteral("cannot read cookies file %1: %2").arg(path, problem);
        return std::nullopt;
    }

    QList<QNetworkCookie> cookies;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || (line.startsWith('#') && !line.startsWith(HttpOnlyPrefix)))
            continue;
        std::optional<QNetworkCookie> cookie = parseLine(line, problem);
        if (!cookie) {
            error =
                QStringLiteral("cookies file %1, line %2: %3").arg(path).arg(i + 1).arg(problem);
            return std::nullopt;
        }
        if (cookie->isSessionCookie() || cookie->expirationDate() > now)
            cookies.append(*cookie);
    }
    return cookies;
}

} // namespace cli
