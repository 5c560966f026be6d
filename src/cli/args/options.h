#pragma once

#include "bookoptions.h"
#include "exitstatus.h"
#include "findoptions.h"
#include "join/content/contentrule.h"
#include "join/look/lookcopy.h"
#include "join/run/joinengine.h"
#include "join/standalone/standalonejoin.h"
#include "profileoptions.h"
#include "readeroptions.h"

#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace cli {

enum class Format { Html, Pdf, Epub, Markdown, Text };

// One join as the command line asks for it.
struct Options
{
    // List files already read, in command-line order; a file named relative to the current
    // folder is its file: address. Names and addresses keep bytes that are not UTF-8 (bytetext.h).
    // Found pages join them where find.requests says, once found.
    QStringList addresses;
    QString output = QStringLiteral("joined.html"); // "-": standard output
    int jobs = 1;
    std::chrono::milliseconds timeout = join::PageLoadBound;
    bool quiet = false;
    Format format = Format::Html;
    // A PDF's sheets: A4 upright with 10 mm margins unless asked otherwise.
    QPageLayout pageLayout{QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter};
    // --standalone: a document that stands on its own; none: the faithful copy.
    std::optional<join::StandaloneSettings> standalone;
    join::LookSettings look; // --plain: the document's own look instead of the pages'
    ReaderOptions reader;
    ProfileOptions profile; // --profile, --login
    BookOptions book;
    FindOptions find;          // pages found from a contents page, sitemap or next links
    join::ContentRule content; // what is kept of each page
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
