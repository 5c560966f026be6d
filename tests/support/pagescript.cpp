#include "pagescript.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>

QVariant scriptResultIn(QWebEnginePage& page, const QUrl& url, const QString& script)
{
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(url);
    if (!loaded.wait(30000))
        return {};
    QVariant answer;
    bool done = false;
    page.runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        answer = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        return {};
    return answer;
}
