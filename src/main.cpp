#include "app/form1.h"
#include "core/dialogs.h"
#include "core/settingsstore.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {
// --help and --version print and end the program before anything needs a display. Any other
// argument is left to QApplication, as it always was.
void answerHelpOrVersion(int& argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Joins several web pages into one HTML file."));
    // Qt's own options such as -reverse are words, not bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Only help and version are known here: any option found asks for one of them.
    parser.parse(arguments);
    if (parser.optionNames().isEmpty())
        return;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    parser.process(app); // prints the answer and ends the program
}
} // namespace

int main(int argc, char* argv[])
{
    answerHelpOrVersion(argc, argv);

    // The browser engine shares its graphics context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Wayland matches a window to its menu entry (name, icon) by this id alone.
    QGuiApplication::setDesktopFileName(QStringLiteral(VANTREL_APP_ID));
    QApplication::setStyle(QStringLiteral("Fusion"));

    QtDialogs dialogs;
    SettingsStore settings;
    Form1 window(dialogs, settings, StartupServices::production());
    dialogs.setParentWindow(&window);
    window.Form_Load();
    window.showCentred();
    return app.exec();
}
