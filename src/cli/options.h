#pragma once

#include "join/joinengine.h"
#include "join/standalonejoin.h"
#include "readeroptions.h"

#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace cli {

// What the command exits with.
enum ExitStatus {
    AllPagesJoined = 0,
    SomePagesFailed = 1, // the file was written
    UsageError = 2,      // found before any page loads; nothing written
    OutputError = 3,     // an existing file is left as it was
    EngineError = 4,     // the browser engine cannot start
};

enum class Format { Html, Pdf };

// One join as the command line asks for it.
struct Options
{
    // List files already read, in command-line order; a file named relative to the current
    // folder is its file: address. Names and addresses keep bytes that are not UTF-8 (bytetext.h).
    QStringList addresses;
    QString output = QStringLiteral("joined.html"); // "-": standard output
    int jobs = 1;
    std::chrono::milliseconds timeout = join::PageLoadBound;
    bool quiet = false;
    Format format = Format::Html;
    // A PDF's sheets: A4 upright with 10 mm margins unless asked otherwise.
    QPageLayout pageLayout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                           QPageLayout::Millimeter};
    // --standalone: a document that stands on its own; none: the faithful copy.
    std::optional<join::StandaloneSettings> standalone;
    ReaderOptions reader;
};

// A join to run, or a text to print and the status to exit with: help or version (standard
// output, status 0) or a usage error (standard error, status 2).
struct CommandLine
{
    std::optional<Options> options;
    QString text;
    ExitStatus status = AllPagesJoined;
    // When help or version cannot be written: a usage status for help, as GNU tools have it.
    ExitStatus writeFailedStatus = OutputError;
};

// Reads the arguments (program name first) and every list file they name, standard input
// included.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace cli
