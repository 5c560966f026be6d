#pragma once

#include "join/joinengine.h"
#include "readeroptions.h"

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

// One join as the command line asks for it.
struct Options
{
    QStringList addresses; // list files already read, in command-line order
    QString output = QStringLiteral("joined.html"); // "-": standard output
    int jobs = 1;
    std::chrono::milliseconds timeout = join::PageLoadBound;
    bool quiet = false;
    ReaderOptions reader;
};

// A join to run, or a text to print and the status to exit with: help or version (standard
// output, status 0) or a usage error (standard error, status 2).
struct CommandLine
{
    std::optional<Options> options;
    QString text;
    ExitStatus status = AllPagesJoined;
};

// Reads the arguments (program name first) and every list file they name, standard input
// included.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace cli
