#include "joincommand.h"

#include "cli/args/bytetext.h"
#include "cli/args/filenames.h"
#include "cli/args/options.h"
#include "enginestart.h"
#include "join/engine/enginecheck.h"
#include "join/pdf/partsource.h"
#include "joinpages.h"
#include "jsonreport.h"
#include "output.h"
#include "pdfoutput.h"
#include "terminalreport.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>

namespace cli {
namespace {

// False when the stream would not take it (standard output on a full disk, a closed pipe).
bool printTo(std::FILE* stream, const QString& text)
{
    const bool written = std::fputs(text.toLocal8Bit().constData(), stream) >= 0;
    return std::fflush(stream) == 0 && written;
}

// Help, version or a usage error.
int printAnswer(const CommandLine& answer)
{
    if (answer.status != AllPagesJoined) {
        printTo(stderr, answer.text);
        return answer.status;
    }
    if (printTo(stdout, answer.text))
        return answer.status;
    const QString error = qt_error_string(errno);
    printTo(stderr,
            QStringLiteral("vantrel-join: cannot write to standard output: %1\n").arg(error));
    return answer.writeFailedStatus;
}

} // namespace

int runJoinCommand(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(textOfBytes(argv[i]));
    const CommandLine commandLine = parseCommandLine(arguments);
    if (!commandLine.options)
        return printAnswer(commandLine);
    Options options = *commandLine.options;
    // Outlives the application object: the output gets its name once everything else has ended.
    const OutputName outputName(options.output);
    if (!outputName.problem().isEmpty()) {
        printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(outputName.problem()));
        return OutputError;
    }
    options.output = outputName.path();
    // Opened before any page loads: an output that cannot be written is found at once.
    Output output(options.output);
    if (const QString problem = output.open(); !problem.isEmpty()) {
        printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(problem));
        return OutputError;
    }
    if (const QString problem = join::browserEngineStartProblem(); !problem.isEmpty()) {
        printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(problem));
        return EngineError;
    }

    chooseGuiPlatform();
    PartSource::registerScheme();
    endFatalStartErrorsWithOneLine();
    // Standard error carries the command's own report; Qt's notes on a headless set-up (no GPU,
    // no runtime folder, the sandbox turned off, a display that does not answer) would bury it.
    // QT_LOGGING_RULES brings them back.
    QLoggingCategory::setFilterRules(
        QStringLiteral("*.info=false\ndefault.warning=false\nqt.qpa.*.warning=false"));
    // The browser engine shares its graphics context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The arguments are the command's alone: Qt must not take an address or a value for one of
    // its own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    auto report = std::make_shared<TerminalReport>(options.addresses,
                                                   TerminalReport::progressFor(options.quiet));
    std::shared_ptr<JsonReport> jsonReport;
    if (const QString& path = options.reader.reportPath; !path.isEmpty()) {
        jsonReport = std::make_shared<JsonReport>(report, options.addresses, path);
        if (const QString problem = jsonReport->open(); !problem.isEmpty()) {
            printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(problem));
            return OutputError;
        }
    }
    if (const QString note = refererNote(options.reader, options.addresses); !note.isEmpty())
        printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(note));
    const JoinSettings settings{options.jobs, options.timeout, options.standalone,
                                options.reader.site, jsonReport};
    const bool written =
        options.format == Format::Pdf
            ? joinToPdf(report, settings, options.pageLayout, options.book, output)
            : joinPages(report, settings, output.device(), [&] { output.complete(); });
    report->finish();
    if (jsonReport) {
        if (const QString problem = jsonReport->finish(); !problem.isEmpty()) {
            printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(problem));
            return OutputError;
        }
    }
    if (!written || report->outputFailed())
        return OutputError;
    return report->anyFailed() ? SomePagesFailed : AllPagesJoined;
}

} // namespace cli
