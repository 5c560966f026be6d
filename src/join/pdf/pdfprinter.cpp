#include "pdfprinter.h"

#include "join/engine/resourcetext.h"
#include "core/apperror.h"
#include "join/engine/enginepage.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>

namespace {
// How often readiness for print is asked.
constexpr std::chrono::milliseconds ReadyPoll{50};

// The document is printed as it is: it may load nothing from outside.
class OwnFileAndDataOnly : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void setDocument(const QUrl& document) { m_document = document.adjusted(QUrl::RemoveFragment); }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (url.scheme() != QLatin1String("data") &&
            url.adjusted(QUrl::RemoveFragment) != m_document)
            info.block(true);
    }

private:
    QUrl m_document;
};

} // namespace

void PdfPrinter::configure(EnginePage& page)
{
    QWebEngineSettings* settings = page.settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    page.setUrlRequestInterceptor(new OwnFileAndDataOnly(&page));
}

QByteArray PdfPrinter::print(const QString& path, const QPageLayout& layout,
                             std::chrono::milliseconds loadBound,
                             const std::function<void(const QString&)>& warn)
{
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    EnginePage* engine = page();
    engine->findChild<OwnFileAndDataOnly*>()->setDocument(url);
    load(url);
    if (!waitUntilComplete(loadBound))
        throw AppError(QStringLiteral("the joined document did not load within %1 s")
                           .arg(loadBound.count() / 1000.0));
    if (!waitUntilReady(loadBound) && warn)
        warn(QStringLiteral("the PDF's fonts and images were not all ready within %1 s; they are "
                            "printed as they stood")
                 .arg(loadBound.count() / 1000.0));

    struct Outcome
    {
        bool done = false;
        QByteArray pdf;
        QPointer<QEventLoop> loop;
    };
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    outcome->loop = &loop;
    const auto ended = connect(this, &EngineHost::rendererEnded, &loop, &QEventLoop::quit);
    engine->printToPdf(
        [outcome](const QByteArray& pdf) {
            outcome->done = true;
            outcome->pdf = pdf;
            if (outcome->loop)
                outcome->loop->quit();
        },
        layout);
    while (!outcome->done && rendererLoss().isEmpty()) {
        if (loop.exec() < 0)
            break; // the application is quitting
    }
    disconnect(ended);
    if (!rendererLoss().isEmpty())
        throw AppError(QStringLiteral("the PDF could not be made: ") + rendererLoss());
    if (outcome->pdf.isEmpty())
        throw AppError(QStringLiteral("the PDF could not be made"));
    return outcome->pdf;
}

bool PdfPrinter::waitUntilReady(std::chrono::milliseconds bound)
{
    static const QString prepare = join::resourceText(QStringLiteral(":/join/print/prepare.js"));
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
