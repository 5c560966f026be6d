#include "app/form1.h"
#include "core/dialogs.h"
#include "core/settingsstore.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The browser engine shares its graphics context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    QtDialogs dialogs;
    SettingsStore settings;
    Form1 window(dialogs, settings, StartupServices::production());
    dialogs.setParentWindow(&window);
    window.Form_Load();
    window.showCentred();
    return app.exec();
}
