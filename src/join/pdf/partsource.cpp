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
    m_html = std::move(html);
    return QUrl(QString::fromLatin1(Scheme) + QStringLiteral(":part-%1").arg(++m_offered));
}

void PartSource::requestStarted(QWebEngineUrlRequestJob* job)
{
    if (job->requestUrl().path() != QStringLiteral("part-%1").arg(m_offered)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* body = new QBuffer(job);
    body->setData(m_html);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), body);
}
