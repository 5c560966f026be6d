#pragma once

#include "join/engine/enginehost.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QPageLayout>
#include <QTimer>

#include <memory>

// Prints one document to PDF with the browser engine, in a page that fetches nothing but that
// document and data: addresses and runs none of the document's scripts. A printer is meant for
// one print, and works while the event loop runs, so that several can print at once: its renderer
// goes with it.
class PdfPrinter : public EngineHost
{
    Q_OBJECT
public:
    explicit PdfPrinter(QWebEngineProfile* profile);
    ~PdfPrinter() override;

    // Prints the document at url once the script prepare (which sets window.vantrelReadyForPrint
    // true when the fonts and images are ready) has run in it; then printed() or failed() comes,
    // once. The load and the wait for readiness are each bounded (fonts or images not ready by
    // then print as they stand, after notReady()); the printing itself is not (a long document
    // takes long), but a renderer that ends ends it.
    void start(const QUrl& url, const QString& prepare, const QPageLayout& layout,
               std::chrono::milliseconds loadBound);

signals:
    void printed(const QByteArray& pdf);
    void failed(const QString& why);
    // The fonts and images were not all ready within the bound.
    void notReady();

protected:
    void configure(EnginePage& page) override;

private:
    enum class Stage { Idle, Loading, Readying, Printing, Done };

    void loaded();
    void askReady();
    void printNow();
    void fail(const QString& why);
    void boundPassed();
    // Wraps a callback of the engine so that it is dropped once the printer is gone or done.
    template <typename T>
    std::function<void(const T&)> whileWaiting(std::function<void(const T&)> answer);

    QUrl m_document;
    QString m_prepare;
    QPageLayout m_layout;
    std::chrono::milliseconds m_loadBound{0};
    Stage m_stage = Stage::Idle;
    QTimer m_bound;
    QElapsedTimer m_readying;
    // Shared with the callbacks given to the engine, which may come after the printer is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
