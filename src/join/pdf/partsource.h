#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves the part of a document being printed to the engine from memory, at an address of a
// scheme of its own: the part needs no file, so none is left behind however the program ends.
class PartSource : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static const QByteArray Scheme;
    // Makes the scheme known to the engine; before the application object is made.
    static void registerScheme();

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The address html is served at, until the next offer.
    QUrl offer(QByteArray html);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QByteArray m_html;
    int m_offered = 0;
};
