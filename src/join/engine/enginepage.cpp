#include "enginepage.h"

#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

Q_LOGGING_CATEGORY(lcPage, "vantrel.page", QtWarningMsg)

EnginePage::EnginePage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
}

void EnginePage::javaScriptAlert(const QUrl& origin, const QString& message)
{
    qCDebug(lcPage) << "alert answered" << origin << message;
}

bool EnginePage::javaScriptConfirm(const QUrl& origin, const QString& message)
{
    // Also asked before leaving a page: saying yes lets the next address load.
    qCDebug(lcPage) << "confirm answered" << origin << message;
    return true;
}

bool EnginePage::javaScriptPrompt(const QUrl& origin, const QString& message,
                                  const QString& /*defaultValue*/, QString* /*result*/)
{
    qCDebug(lcPage) << "prompt cancelled" << origin << message;
    return false;
}

void EnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                          const QString& message, int lineNumber,
                                          const QString& sourceId)
{
    qCDebug(lcPage) << "console" << level << sourceId << lineNumber << message;
    emit consoleMessage(message);
}

QWebEnginePage* EnginePage::createWindow(WebWindowType /*type*/)
{
    return nullptr;
}

QStringList EnginePage::chooseFiles(FileSelectionMode /*mode*/, const QStringList& /*oldFiles*/,
                                    const QStringList& /*acceptedMimeTypes*/)
{
    return {};
}
