#include "joincommand.h"

#include "core/apperror.h"
#include "join/enginecheck.h"
#include "join/joinengine.h"
#include "join/sitebrowser.h"
#include "join/streameddocument.h"
#include "jsonreport.h"
#include "options.h"
#include "output.h"
#include "terminalreport.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>

#include <cstdio>
#include <vector>

namespace cli {
namespace {

void printTo(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Runs without a display: on a server, in a container, in CI.
void chooseOffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

bool joinPages(const std::shared_ptr<TerminalReport>& report, int jobs,
               std::chrono::milliseconds pageBound, QFileDevice& out,
               const std::function<void()>& complete, const join::SiteSetup& site,
               std::shared_ptr<join::JoinReport> pageReport)
{
    // Declared first, so that it goes after every page that uses it.
    const std::unique_ptr<QWebEngineProfile> profile(EngineHost::createPrivateProfile());
    join::prepareProfile(*profile, site);
    join::StreamedDocument result(out, complete);
    std::vector<std::unique_ptr<SiteBrowser>> sites;
    QList<SiteBrowser*> siteList;
    for (int i = 0; i < qMin(jobs, report->count()); ++i) {
        sites.push_back(std::make_unique<SiteBrowser>(nullptr, profile.get()));
        sites.back()->setReadiness(site.readiness, pageBound);
        siteList.append(sites.back().get());
    }
    return join::runJoin({*report, pageReport ? pageReport : report, *report, *report, result,
                          join::PageCopy::serialisedBody(), siteList, pageBound});
}

int runJoinCommand(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = parseCommandLine(arguments);
    if (!commandLine.options) {
        printTo(commandLine.status == AllPagesJoined ? stdout : stderr, commandLine.text);
        return commandLine.status;
    }
    const Options& options = *commandLine.options;
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

    chooseOffscreenWithoutDisplay();
    // Standard error carries the command's own report; Qt's notes on a headless set-up (no GPU,
    // no runtime folder, the sandbox turned off) would bury it. QT_LOGGING_RULES brings them back.
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false\ndefault.warning=false"));
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
    const bool written = joinPages(
        report, options.jobs, options.timeout, output.device(), [&] { output.complete(); },
        options.reader.site, jsonReport);
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
