#pragma once

#include "join/engine/enginehost.h"

#include <QByteArray>
#include <QPageLayout>

// Prints one document to PDF with the browser engine, in a page that fetches nothing but that
// document and data: addresses and runs none of the document's scripts. A printer is meant for
// one print: its renderer goes with it.
class PdfPrinter : public EngineHost
{
    Q_OBJECT
public:
    explicit PdfPrinter(QWebEngineProfile* profile) : EngineHost(nullptr, profile) {}

    // The PDF of the document at url, once the script prepare (which sets
    // window.vantrelReadyForPrint true when the fonts and images are ready) has run in it. The
    // load and the wait for readiness are bounded (fonts or images not ready by then print as
    // they stand, and warn() says so); the printing itself is not (a long document takes long),
    // but a renderer that ends ends it. Throws AppError when the document cannot be printed.
    QByteArray print(const QUrl& url, const QString& prepare, const QPageLayout& layout,
                     std::chrono::milliseconds loadBound,
                     const std::function<void(const QString&)>& warn = {});

protected:
    void configure(EnginePage& page) override;

private:
    void loadDocument(const QUrl& url, std::chrono::milliseconds bound);
    // False when the fonts and images were not all ready within the bound.
    bool waitUntilReady(const QString& prepare, std::chrono::milliseconds bound);
    QByteArray printLoaded(const QPageLayout& layout);

    QUrl m_document;
};
