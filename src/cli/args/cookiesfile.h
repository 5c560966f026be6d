#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QString>

#include <optional>

namespace cli {

// Reads a cookies file ("-": standard input) in the Netscape cookies.txt format that browsers'
// export tools, curl and wget write: one cookie a line, seven fields separated by tabs (domain,
// whether its subdomains share it, path, secure, expiry in seconds since 1970 with 0 for a session
// cookie, name, value). Lines starting with # are comments, except that #HttpOnly_ before the
// domain marks an HttpOnly cookie. Cookies that have expired are left out. A cookie for the
// subdomains too has a domain starting with a dot. Returns nothing, and says why in error (naming
// the line), when the file cannot be read or a line is malformed (or holds what a cookie store
// refuses: a domain that is no host name, a control byte or ';' in a name or value).
std::optional<QList<QNetworkCookie>> readCookiesFile(const QString& path, QString& error);

} // namespace cli
