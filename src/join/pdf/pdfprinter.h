#pragma once

#include "join/engine/enginehost.h"

#include <QByteArray>
#include <QPageLayout>

// Prints a finished joined document to PDF with the browser engine. The document is loaded from
// its file (no limit on its size, as there is for HTML given inline) in a page that fetches
// nothing but that file and data: addresses and runs none of the document's scripts. Each part
// marked with data-source starts on a new sheet; links between the parts stay live inside the PDF.
class PdfPrinter : public EngineHost
{
    Q_OBJECT
public:
    explicit PdfPrinter(QWidget* parent = nullptr) : EngineHost(parent) {}

    // The PDF of the HTML file at path. The load and the wait for its fonts and images are
    // bounded (fonts or images not ready by then print as they stand, and warn() says so); the
    // printing itself is not (a long document takes long), but a renderer that ends ends it.
    // Throws AppError when the document cannot be printed.
    QByteArray print(const QString& path, const QPageLayout& layout,
                     std::chrono::milliseconds loadBound,
                     const std::function<void(const QString&)>& warn = {});

protected:
    void configure(EnginePage& page) override;

private:
    // False when the fonts and images were not all ready within the bound.
    bool waitUntilReady(std::chrono::milliseconds bound);
};
