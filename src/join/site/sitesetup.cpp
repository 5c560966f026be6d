#include "sitesetup.h"

#include "join/engine/eventwait.h"
#include "requestheaders.h"

#include <QEventLoop>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace join {
namespace {
// Far longer than the store takes; a cookie the engine refuses is never reported as added.
constexpr std::chrono::milliseconds CookieBound{5000};

void loadCookies(QWebEngineProfile& profile, const QList<QNetworkCookie>& cookies)
{
    // The store takes cookies only once the profile's network has started, which a page's first
    // load does: until then they are held back, and could reach it after the first request.
    QWebEnginePage starter(&profile);
    starter.load(QUrl(QStringLiteral("about:blank")));
    QWebEngineCookieStore* store = profile.cookieStore();
    QEventLoop loop;
    qsizetype added = 0;
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, &loop, [&] {
        if (++added >= cookies.size())
            loop.quit();
    });
    for (QNetworkCookie cookie : cookies) {
        if (cookie.domain().startsWith(QLatin1Char('.'))) {
            store->setCookie(cookie);
            continue;
        }
        // A cookie with no domain of its own belongs to its origin's host alone.
        const QString host = cookie.domain();
        cookie.setDomain(QString());
        QUrl origin;
        origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
        origin.setHost(host);
        origin.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
        store->setCookie(cookie, origin);
    }
    runEventLoopUntil(
        loop, [&] { return added >= cookies.size(); }, CookieBound);
}
} // namespace

void prepareProfile(QWebEngineProfile& profile, const SiteSetup& setup)
{
    if (!setup.userAgent.isEmpty())
        profile.setHttpUserAgent(setup.userAgent);
    if (!setup.headers.isEmpty())
        profile.setUrlRequestInterceptor(new RequestHeaders(setup.headers, &profile));
    if (!setup.cookies.isEmpty())
        loadCookies(profile, setup.cookies);
}

} // namespace join
