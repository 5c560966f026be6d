#include "joincommand.h"

#include "cli/args/bytetext.h"
#include "cli/args/filenames.h"
#include "cli/args/options.h"
#include "cli/io/enginestart.h"
#include "cli/outputs/epuboutput.h"
#include "findpages.h"
#include "join/engine/enginecheck.h"
#include "join/find/pagefinder.h"
#include "join/pdf/partsource.h"
#include "join/profile/profilefolder.h"
#include "cli/outputs/joinpages.h"
#include "cli/io/jsonreport.h"
#include "cli/io/output.h"
#include "cli/outputs/pdfoutput.h"
#include "savedprofile.h"
#include "cli/io/terminalreport.h"
#include "cli/outputs/textoutput.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>

#include <cerrno>
#include <cstdio>
#include <vector>

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

// Says problem on standard error, when there is one; true when there was.
bool said(const QString& problem)
{
    if (problem.isEmpty())
        return false;
    printTo(stderr, QStringLiteral("vantrel-join: %1\n").arg(problem));
    return true;
}

// The application object's settings; a window is shown only to sign in. Before it exists.
void prepareApplication(bool signingIn)
{
    chooseGuiPlatform(signingIn);
    // Parts of a PDF are served to the engine under a scheme of their own, known before it starts.
    PartSource::registerScheme();
    endFatalStartErrorsWithOneLine();
    // Standard error carries the command's own report; Qt's notes on a headless set-up (no GPU,
    // no runtime folder, the sandbox turned off, a display that does not answer) would bury it.
    // QT_LOGGING_RULES brings them back.
    QLoggingCategory::setFilterRules(
        QStringLiteral("*.info=false\ndefault.warning=false\nqt.qpa.*.warning=false"));
    // The browser engine shares its graphics context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// Both saves are checked before either is made final: a run that fails to write one leaves the
// old files of both as they were. The report goes first, so that the output, the file the run is
// for, is replaced last.
int saveBoth(bool written, TerminalReport& report, JsonReport* jsonReport, Output& output)
{
    if (jsonReport && said(jsonReport->finish()))
        return OutputError;
    if (!written || report.outputFailed())
        return OutputError;
    if ((jsonReport && said(jsonReport->commit())) || said(output.commit()))
        return OutputError;
    return report.anyFailed() ? SomePagesFailed : AllPagesJoined;
}

// Finds the pages the options ask for, then joins them into output, with the application object
// made.
int joinInto(Options& options, Output& output, const join::ProfileFolder* folder)
{
    // Before the finder, which loads pages of the site too; goes after every page of the run.
    const std::unique_ptr<QWebEngineProfile> profile =
        openSavedProfile(folder, options.reader.site, [](const QString& warning) {
            said(QStringLiteral("warning: ") + warning);
        });
    std::unique_ptr<join::PageFinder> chain;
    if (const std::optional<int> status = findPages(options, chain, profile.get()))
        return *status;
    auto report = std::make_shared<TerminalReport>(options.addresses,
                                                   TerminalReport::progressFor(options.quiet));
    std::shared_ptr<JsonReport> jsonReport;
    if (const QString& path = options.reader.reportPath; !path.isEmpty()) {
        jsonReport = std::make_shared<JsonReport>(report, options.addresses, path);
        if (said(jsonReport->open()))
            return OutputError;
    }
    said(refererNote(options.reader, options.addresses));
    if (chain) {
        report->growAsItJoins();
        if (jsonReport)
            report->whenAddressAdded(
                [json = jsonReport.get()](const QString& address) { json->addAddress(address); });
    }
    // Found pages are joined once each, however many of their addresses redirect to one another.
    JoinSettings settings{options.jobs,
                          options.timeout,
                          options.standalone,
                          options.reader.site,
                          jsonReport,
                          options.content,
                          {},
                          !options.find.requests.isEmpty(),
                          options.look,
                          profile.get(),
                          chain.get()};
    if (jsonReport)
        settings.contentNoted = [jsonReport](int position, const QString& rule) {
            jsonReport->noteContent(position, rule);
        };
    // A file is written once every page is known, so that every link between them is decided;
    // a stream is written as its pages arrive.
    if (settings.standalone && output.isFile())
        settings.standalone->wholeAtTheEnd = true;
    const bool written =
        options.format == Format::Pdf
            ? joinToPdf(report, settings, options.pageLayout, options.book, output)
        : options.format == Format::Epub
            ? joinToEpub(report, settings, options.book, output)
        : options.format == Format::Markdown
            ? joinToText(report, settings, join::TextFormat::Markdown, output)
        : options.format == Format::Text
            ? joinToText(report, settings, join::TextFormat::Plain, output)
            : joinPages(report, settings, output.device(), [&] { output.complete(); });
    report->finish();
    return saveBoth(written, *report, jsonReport.get(), output);
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
    // Outlive the application object: the files get their names once everything else has ended.
    const OutputName outputName(options.output);
    const OutputName reportName(options.reader.reportPath);
    if (said(outputName.problem()) || said(reportName.problem()))
        return OutputError;
    options.output = outputName.path();
    options.reader.reportPath = reportName.path();
    const bool signingIn = !options.profile.login.isEmpty();
    // Opened before any page loads: an output that cannot be written is found at once.
    Output output(options.output);
    if (!signingIn && said(output.open()))
        return OutputError;
    if (said(join::browserEngineStartProblem()))
        return EngineError;
    // Let go only after the application object, with which the engine ends: once the engine has
    // written all of the profile.
    std::optional<join::ProfileFolder> profileFolder;
    if (!options.profile.folder.isEmpty())
        profileFolder.emplace(options.profile.folder);

    prepareApplication(signingIn);
    // The arguments are the command's alone: Qt must not take an address or a value for one of
    // its own options.
    QList<QByteArray> qtArguments = applicationArguments(argv[0]);
    std::vector<char*> qtArgv;
    for (QByteArray& argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(qtArguments.size());
    QApplication app(qtArgc, qtArgv.data());
    if (signingIn)
        return signIn(options, *profileFolder);
    if (profileFolder && said(profileFolder->open()))
        return UsageError;
    return joinInto(options, output, profileFolder ? &*profileFolder : nullptr);
}

} // namespace cli
