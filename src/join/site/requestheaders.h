#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSet>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

// Sends the user's headers with the requests of a profile's pages to the origins of the listed
// addresses, and to no other: a header that carries a login must not reach a third party's
// images or scripts, nor where a page redirects to. A Referer goes only with the request of the
// page itself, and only as much of it as a browser may send there: the engine refuses outright a
// request whose Referer the request's referrer policy does not allow, and only for the page's own
// request is that policy known beforehand (a typed load's). The page's images and scripts keep
// the referrer the engine gives them, the page's address, which is what servers that check it for
// them expect.
class RequestHeaders : public QWebEngineUrlRequestInterceptor
{
public:
    // listed: the addresses to join.
    RequestHeaders(QList<QPair<QByteArray, QByteArray>> headers, const QList<QUrl>& listed,
                   QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // What a browser sends of referer with a typed load of target (the policy
    // strict-origin-when-cross-origin): all of it on its own origin, its origin alone on another,
    // nothing from an https address to an http one. Empty: nothing.
    static QUrl refererFor(const QUrl& referer, const QUrl& target);

private:
    QList<QPair<QByteArray, QByteArray>> m_headers; // without the Referer
    QUrl m_referer;
    QSet<QString> m_origins; // of the listed addresses
};
