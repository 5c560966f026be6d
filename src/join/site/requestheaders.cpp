#include "requestheaders.h"
#include "core/webaddress.h"

namespace {
// Longer referrers are cut to their origin by the engine, and so would not match.
constexpr qsizetype MaxRefererLength = 4096;

// scheme://host:port, the port given even where it is the scheme's own.
QString originOf(const QUrl& url)
{
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    return QStringLiteral("%1://%2:%3").arg(url.scheme(), url.host()).arg(url.port(defaultPort));
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return originOf(a) == originOf(b);
}
} // namespace

RequestHeaders::RequestHeaders(QList<QPair<QByteArray, QByteArray>> headers,
                               const QList<QUrl>& listed, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
    for (const QUrl& address : listed)
        if (isWebAddress(address))
            m_origins.insert(originOf(address));
    for (auto& header : headers) {
        if (header.first.compare("Referer", Qt::CaseInsensitive) == 0)
            m_referer = QUrl(QString::fromUtf8(header.second));
        else
            m_headers.append(std::move(header));
    }
}

void RequestHeaders::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!m_origins.contains(originOf(info.requestUrl())))
        return;
    for (const auto& [name, value] : std::as_const(m_headers))
        info.setHttpHeader(name, value);
    if (m_referer.isEmpty() ||
        info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
        info.navigationType() != QWebEngineUrlRequestInfo::NavigationTypeTyped)
        return;
    if (const QUrl referer = refererFor(m_referer, info.requestUrl()); !referer.isEmpty())
        info.setHttpHeader("Referer", referer.toEncoded());
}

QUrl RequestHeaders::refererFor(const QUrl& referer, const QUrl& target)
{
    // A referrer never carries a fragment, a user name or a password.
    const QUrl sent = referer.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    if (!sent.isValid() || !isWebAddress(sent) || !isWebAddress(target) ||
        (sent.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")))
        return {};
    if (sameOrigin(sent, target) && sent.toEncoded().size() <= MaxRefererLength)
        return sent;
    return sent.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).resolved(QUrl(QStringLiteral("/")));
}
