#include "pdfprinter.h"

#include "join/engine/allowlistinterceptor.h"
#include "join/engine/enginepage.h"

#include <QWebEngineSettings>

namespace {
// How often readiness for print is asked.
constexpr std::chrono::milliseconds ReadyPoll{50};
// A long part takes long, but no part takes this long: a printer that never answers has hung.
constexpr std::chrono::hours PrintBound{1};
} // namespace

PdfPrinter::PdfPrinter(QWebEngineProfile* profile) : EngineHost(nullptr, profile)
{
    m_bound.setSingleShot(true);
    connect(&m_bound, &QTimer::timeout, this, &PdfPrinter::boundPassed);
    connect(this, &EngineHost::loadCompleted, this, [this] {
        if (m_stage == Stage::Loading)
            loaded();
    });
    connect(this, &EngineHost::rendererEnded, this, [this] { fail(rendererLoss()); });
}

PdfPrinter::~PdfPrinter()
{
    *m_alive = false;
}

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

void PdfPrinter::start(const QUrl& url, const QString& prepare, const QPageLayout& layout,
                       std::chrono::milliseconds loadBound)
{
    m_document = url.adjusted(QUrl::RemoveFragment);
    m_prepare = prepare;
    m_layout = layout;
    m_loadBound = loadBound;
    page(); // configured, so that the address is let through
    m_stage = Stage::Loading;
    m_bound.start(loadBound);
    load(url);
}

template <typename T>
std::function<void(const T&)> PdfPrinter::whileWaiting(std::function<void(const T&)> answer)
{
    return [alive = m_alive, answer = std::move(answer)](const T& value) {
        if (*alive)
            answer(value);
    };
}

void PdfPrinter::loaded()
{
    m_stage = Stage::Readying;
    m_bound.start(m_loadBound);
    evaluateLater(m_prepare, whileWaiting<QVariant>([this](const QVariant&) { askReady(); }));
}

// Fonts and images get ready on their own; asking now and then costs nothing meanwhile.
void PdfPrinter::askReady()
{
    if (m_stage != Stage::Readying)
        return;
    evaluateLater(QStringLiteral("window.vantrelReadyForPrint"),
                  whileWaiting<QVariant>([this](const QVariant& ready) {
                      if (m_stage != Stage::Readying)
                          return;
                      if (ready.toBool())
                          printNow();
                      else
                          QTimer::singleShot(ReadyPoll, this, &PdfPrinter::askReady);
                  }));
}

void PdfPrinter::printNow()
{
    m_stage = Stage::Printing;
    m_bound.start(PrintBound);
    page()->printToPdf(whileWaiting<QByteArray>([this](const QByteArray& pdf) {
                           if (m_stage != Stage::Printing)
                               return;
                           if (pdf.isEmpty()) {
                               fail(rendererLoss().isEmpty()
                                        ? QStringLiteral("the engine gave no PDF")
                                        : rendererLoss());
                               return;
                           }
                           m_stage = Stage::Done;
                           m_bound.stop();
                           emit printed(pdf);
                       }),
                       m_layout);
}

void PdfPrinter::boundPassed()
{
    switch (m_stage) {
    case Stage::Loading:
        fail(QStringLiteral("it did not load within %1 s").arg(m_loadBound.count() / 1000.0));
        break;
    case Stage::Readying:
        emit notReady();
        printNow();
        break;
    case Stage::Printing:
        fail(QStringLiteral("the engine gave no PDF within an hour"));
        break;
    case Stage::Idle:
    case Stage::Done:
        break;
    }
}

void PdfPrinter::fail(const QString& why)
{
    if (m_stage == Stage::Idle || m_stage == Stage::Done)
        return;
    m_stage = Stage::Done;
    m_bound.stop();
    emit failed(why);
}
