#include "joineddocument.h"

#include "core/apperror.h"
#include "core/jsontext.h"
#include "join/engine/allowlistinterceptor.h"
#include "join/engine/enginepage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEngineSettings>

namespace {
// The joined document lives in the result page as a document of its own with no window: nothing
// in it is ever laid out, painted, fetched or run, so appending stays cheap however much it holds,
// and copied markup cannot change it or reach a server.
// It also counts the bodies it holds, so that a document that lost some is never taken for whole.
const QString CreateJoinedDocument =
    QStringLiteral("window.vantrelJoined = document.implementation.createHTMLDocument();"
                   "window.vantrelBodies = 0; true");
const QString SerialiseJoinedDocument =
    QStringLiteral("[window.vantrelBodies, window.vantrelJoined.documentElement.outerHTML]");

QString insertScript(const QString& markup)
{
    // Markup travels as a JSON string literal, never as script text.
    const QString literal = jsonText(markup);
    return QStringLiteral("window.vantrelJoined.body.insertAdjacentHTML('beforeend', ") + literal +
           QStringLiteral("); ++window.vantrelBodies; true");
}
} // namespace

void JoinedDocument::configure(EnginePage& page)
{
    // Set before the first load: the joined document is data, never a live page.
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    // The result page fetches nothing at all.
    page.setUrlRequestInterceptor(new AllowListInterceptor(
        [](const QUrl& url) {
            return url.scheme() == QLatin1String("about") || url.scheme() == QLatin1String("data");
        },
        &page));
}

void JoinedDocument::blank()
{
    load(QUrl(QStringLiteral("about:blank")));
}

void JoinedDocument::create(std::chrono::milliseconds bound)
{
    m_bodies.clear();
    evaluate(CreateJoinedDocument, bound);
}

void JoinedDocument::append(const QString& markup, std::function<void()> failed)
{
    // Half the memory of the text itself, once the converter's spare room is given back.
    QByteArray kept = markup.toUtf8();
    kept.squeeze();
    m_bodies.append(kept);
    evaluateLater(insertScript(markup), [failed = std::move(failed)](const QVariant& inserted) {
        if (!inserted.toBool())
            failed();
    });
}

QString JoinedDocument::serialise(std::chrono::milliseconds bound)
{
    if (std::optional<QString> markup = wholeDocument(bound))
        return *markup;
    // The renderer ended and took the document with it (or an insertion failed): the bodies kept
    // here make it again.
    rebuild(bound);
    if (std::optional<QString> markup = wholeDocument(bound))
        return *markup;
    throw AppError(rendererLoss().isEmpty()
                       ? QStringLiteral("The joined document is not available")
                       : QStringLiteral("The joined document is lost: ") + rendererLoss());
}

std::optional<QString> JoinedDocument::wholeDocument(std::chrono::milliseconds bound)
{
    if (!rendererLoss().isEmpty())
        return std::nullopt;
    QVariantList answer;
    try {
        // Queued behind every insertion, so it sees the whole joined document.
        answer = evaluate(SerialiseJoinedDocument, bound).toList();
    } catch (const AppError&) {
        if (rendererLoss().isEmpty())
            throw;
        return std::nullopt;
    }
    if (answer.size() != 2 || answer[0].toLongLong() != m_bodies.size() ||
        answer[1].typeId() != QMetaType::QString)
        return std::nullopt;
    return answer[1].toString();
}

void JoinedDocument::rebuild(std::chrono::milliseconds bound)
{
    blank();
    waitUntilComplete(bound);
    evaluate(CreateJoinedDocument, bound);
    for (const QByteArray& markup : std::as_const(m_bodies))
        evaluateLater(insertScript(QString::fromUtf8(markup)), [](const QVariant&) {});
}
