#include "pdfprinter.h"

#include "core/apperror.h"
#include "join/engine/allowlistinterceptor.h"
#include "join/engine/enginepage.h"
#include "join/engine/eventwait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEngineSettings>

#include <memory>

namespace {
// How often readiness for print is asked.
constexpr std::chrono::milliseconds ReadyPoll{50};
} // namespace

void PdfPrinter::configure(EnginePage& page)
{
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    // The document is printed as it is: it may load nothing from outside.
    page.setUrlRequestInterceptor(new AllowListInterceptor(
        [this](const QUrl& url) {
            return url.scheme() == QLatin1String("data") ||
                   url.adjusted(QUrl::RemoveFragment) == m_document;
        },
        &page));
}

QByteArray PdfPrinter::print(const QUrl& url, const QString& prepare, const QPageLayout& layout,
                             std::chrono::milliseconds loadBound,
                             const std::function<void(const QString&)>& warn)
{
    loadDocument(url, loadBound);
    if (!waitUntilReady(prepare, loadBound) && warn)
        warn(QStringLiteral("the PDF's fonts and images were not all ready within %1 s; they are "
                            "printed as they stood")
                 .arg(loadBound.count() / 1000.0));
    return printLoaded(layout);
}

void PdfPrinter::loadDocument(const QUrl& url, std::chrono::milliseconds bound)
{
    m_document = url.adjusted(QUrl::RemoveFragment);
    page(); // configured, so that the address is let through
    load(url);
    if (!waitUntilComplete(bound) || !rendererLoss().isEmpty())
        throw AppError(
            rendererLoss().isEmpty()
                ? QStringLiteral("it did not load within %1 s").arg(bound.count() / 1000.0)
                : rendererLoss());
}

QByteArray PdfPrinter::printLoaded(const QPageLayout& layout)
{
    // A long part takes long, but no part takes this long: a printer that never answers has hung.
    constexpr std::chrono::hours PrintBound{1};
    const std::optional<QByteArray> pdf = join::waitForCallback<QByteArray>(
        [&](std::function<void(const QByteArray&)> done) {
            page()->printToPdf(std::move(done), layout);
        },
        PrintBound, static_cast<EngineHost*>(this), &EngineHost::rendererEnded);
    if (!rendererLoss().isEmpty())
        throw AppError(rendererLoss());
    if (!pdf || pdf->isEmpty())
        throw AppError(QStringLiteral("the engine gave no PDF"));
    return *pdf;
}

bool PdfPrinter::waitUntilReady(const QString& prepare, std::chrono::milliseconds bound)
{
    evaluate(prepare, bound);
    // Fonts and images get ready on their own; asking now and then costs nothing meanwhile.
    QElapsedTimer elapsed;
    elapsed.start();
    while (!evaluate(QStringLiteral("window.vantrelReadyForPrint"), bound).toBool()) {
        if (elapsed.elapsed() > bound.count())
            return false;
        QEventLoop pause;
        QTimer::singleShot(ReadyPoll, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return true;
}
