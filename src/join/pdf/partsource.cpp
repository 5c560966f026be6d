#include "partsource.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

const QByteArray PartSource::Scheme = QByteArrayLiteral("vantrel-part");

void PartSource::registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(Scheme).name() == Scheme)
        return;
    QWebEngineUrlScheme scheme(Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl PartSource::offer(QByteArray html)
{
    const QString path = QStringLiteral("part-%1").arg(++m_offers);
    m_offered.insert(path, std::move(html));
    return QUrl(QString::fromLatin1(Scheme) + QLatin1Char(':') + path);
}

void PartSource::withdraw(const QUrl& address)
{
    m_offered.remove(address.path());
}

void PartSource::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto offered = m_offered.constFind(job->requestUrl().path());
    if (offered == m_offered.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* body = new QBuffer(job);
    body->setData(*offered);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), body);
}
