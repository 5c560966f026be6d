#include "joineddocument.h"

#include "core/apperror.h"
#include "enginepage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace {
// Lets the result page fetch nothing at all.
class AboutAndDataOnly : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String("about") && scheme != QLatin1String("data"))
            info.block(true);
    }
};

// The joined document lives in the result page as a document of its own with no window: nothing
// in it is ever laid out, painted, fetched or run, so appending stays cheap however much it holds,
// and copied markup cannot change it or reach a server.
const QString CreateJoinedDocument =
    QStringLiteral("window.vantrelJoined = document.implementation.createHTMLDocument(); true");
const QString SerialiseJoinedDocument =
    QStringLiteral("window.vantrelJoined.documentElement.outerHTML");

QString insertScript(const QString& markup)
{
    // Markup travels as a JSON string literal, never as script text.
    const QByteArray literal = QJsonDocument(QJsonArray{markup}).toJson(QJsonDocument::Compact);
    return QStringLiteral("window.vantrelJoined.body.insertAdjacentHTML('beforeend', ") +
           QString::fromUtf8(literal.constData() + 1, literal.size() - 2) +
           QStringLiteral("); true");
}
} // namespace

void JoinedDocument::configure(EnginePage& page)
{
    // Set before the first load: the joined document is data, never a live page.
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    page.setUrlRequestInterceptor(new AboutAndDataOnly(&page));
}

void JoinedDocument::blank()
{
    load(QUrl(QStringLiteral("about:blank")));
}

void JoinedDocument::create(std::chrono::milliseconds bound)
{
    evaluate(CreateJoinedDocument, bound);
}

void JoinedDocument::append(const QString& markup, std::function<void()> failed)
{
    evaluateLater(insertScript(markup), [failed = std::move(failed)](const QVariant& inserted) {
        if (!inserted.toBool())
            failed();
    });
}

QString JoinedDocument::serialise(std::chrono::milliseconds bound)
{
    // Queued behind every insertion, so it sees the whole joined document.
    const QVariant markup = evaluate(SerialiseJoinedDocument, bound);
    if (markup.typeId() != QMetaType::QString)
        throw AppError(QStringLiteral("The joined document is not available"));
    return markup.toString();
}
