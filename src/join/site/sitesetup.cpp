#include "sitesetup.h"

#include "join/engine/eventwait.h"
#include "requestheaders.h"

#include <QEventLoop>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace join {
namespace {
// Far longer than the store takes; reached only if the store never answers.
constexpr std::chrono::milliseconds CookieBound{5000};

// Hands the cookie to the store as a browser would take it from its origin.
void setCookie(QWebEngineCookieStore& store, QNetworkCookie cookie)
{
    if (cookie.domain().startsWith(QLatin1Char('.')))
        return store.setCookie(cookie);
    // A cookie with no domain of its own belongs to its origin's host alone.
    const QString host = cookie.domain();
    cookie.setDomain(QString());
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(host);
    origin.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
    store.setCookie(cookie, origin);
}

// Answers how many of cookies the store refused.
int loadCookies(QWebEngineProfile& profile, const QList<QNetworkCookie>& cookies)
{
    // The store takes cookies only once the profile's network has started, which a page's first
    // load does: until then they are held back, and could reach it after the first request.
    QWebEnginePage starter(&profile);
    starter.load(QUrl(QStringLiteral("about:blank")));
    QWebEngineCookieStore* store = profile.cookieStore();
    // The store says nothing of a cookie it refuses, and takes cookies in the order given: one
    // of the program's own after them all tells that it has come to the end.
    QNetworkCookie last(QByteArrayLiteral("vantrel-last"), QByteArrayLiteral("1"));
    const QUrl lastOrigin(QStringLiteral("http://vantrel-join.invalid/"));
    QEventLoop loop;
    qsizetype added = 0;
    bool lastAdded = false;
    // A saved profile's store also tells of the cookies it has already: only those given count.
    QList<QByteArray> given;
    for (const QNetworkCookie& cookie : cookies)
        given.append(cookie.name());
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, &loop,
                     [&](const QNetworkCookie& cookie) {
                         if (cookie.name() != last.name())
                             return void(added += given.removeOne(cookie.name()) ? 1 : 0);
                         lastAdded = true;
                         loop.quit();
                     });
    // A saved profile's store reads its cookies from disk one site at a time, and takes a new one
    // once its site's are read: out of order, the marker could come first. Asking for all of them
    // first keeps the order.
    if (!profile.isOffTheRecord())
        store->loadAllCookies();
    for (const QNetworkCookie& cookie : cookies)
        setCookie(*store, cookie);
    store->setCookie(last, lastOrigin);
    runEventLoopUntil(
        loop, [&] { return lastAdded; }, CookieBound);
    store->deleteCookie(last, lastOrigin);
    return int(cookies.size() - added);
}
} // namespace

int prepareProfile(QWebEngineProfile& profile, const SiteSetup& setup)
{
    if (!setup.userAgent.isEmpty())
        profile.setHttpUserAgent(setup.userAgent);
    if (!setup.headers.isEmpty())
        profile.setUrlRequestInterceptor(new RequestHeaders(setup.headers, setup.listed, &profile));
    return setup.cookies.isEmpty() ? 0 : loadCookies(profile, setup.cookies);
}

} // namespace join
