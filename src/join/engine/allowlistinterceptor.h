#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <functional>

// Blocks every request of a page but those whose address the predicate allows: a page that is
// data, not a live site, may fetch only what it holds itself.
class AllowListInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    AllowListInterceptor(std::function<bool(const QUrl&)> allowed, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), m_allowed(std::move(allowed))
    {
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (!m_allowed(info.requestUrl()))
            info.block(true);
    }

private:
    std::function<bool(const QUrl&)> m_allowed;
};
