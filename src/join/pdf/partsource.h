#pragma once

#include <QByteArray>
#include <QHash>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves the parts of a document being printed to the engine from memory, each at an address of a
// scheme of its own: a part needs no file, so none is left behind however the program ends.
class PartSource : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static const QByteArray Scheme;
    // Makes the scheme known to the engine; before the application object is made.
    static void registerScheme();

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The address html is served at, until it is withdrawn.
    QUrl offer(QByteArray html);
    void withdraw(const QUrl& address);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QHash<QString, QByteArray> m_offered; // by path
    int m_offers = 0;
};
