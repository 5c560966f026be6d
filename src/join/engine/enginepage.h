#pragma once

#include <QLoggingCategory>
#include <QWebEnginePage>

Q_DECLARE_LOGGING_CATEGORY(lcPage)

// A page that can never hold up a join: its dialogs are answered without showing, and new
// windows, permission requests and file choosers are refused. Console output goes to the log.
class EnginePage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit EnginePage(QWebEngineProfile* profile, QObject* parent = nullptr);

signals:
    // Every console message, for whatever the program's own scripts report that way.
    void consoleMessage(const QString& message);

protected:
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
};
