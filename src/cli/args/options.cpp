#include "options.h"

#include "bytetext.h"
#include "filenames.h"
#include "urllist/listfiles.h"

#include <QCommandLineParser>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace cli {
namespace {

constexpr char Program[] = "vantrel-join";
constexpr int MaxJobs = 64;
constexpr double MaxTimeoutSeconds = 24 * 3600;
constexpr double MaxMarginMm = 50;

const QString ExitStatusAndExamples = QStringLiteral(
    "\nExit status:\n"
    "  0  every address gave its page\n"
    "  1  the file was written, and at least one address failed (each is named on standard\n"
    "     error with its position, address and reason)\n"
    "  2  usage error: an unknown option, a bad option value, no addresses, a list file that\n"
    "     cannot be read, an output that is a list file; nothing is written\n"
    "  3  the output (or the report) cannot be written; an existing file is left as it was\n"
    "  4  the browser engine cannot start\n"
    "\nExamples:\n"
    "  vantrel-join -i chapters.txt -o book.html\n\n"
    "  vantrel-join --standalone --toc -j 6 -i site.txt -o book.html\n\n"
    "  vantrel-join -i chapters.txt -o book.pdf\n\n"
    "  vantrel-join --toc --page-size Letter --landscape -j 6 -i site.txt -o book.pdf\n\n"
    "  vantrel-join -i chapters.txt --format pdf -o - > book.pdf\n\n"
    "  vantrel-join -i library.txt -o library.pdf\n\n"
    "  vantrel-join --toc --title 'Python library' -i library.txt -o library.pdf\n\n"
    "  vantrel-join --outline-depth 3 --no-page-numbers -i site.txt -o book.pdf\n\n"
    "  vantrel-join --cookies cookies.txt --scroll --settle 500 -i feed.txt -o feed.html\n\n"
    "  vantrel-join -j 8 -i list.txt -o book.html --report report.json\n");

CommandLine usageError(const QString& text)
{
    return {std::nullopt,
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                .arg(QLatin1String(Program), text),
            UsageError};
}

// QCommandLineParser keeps the order of each option's values and of the operands, but not how the
// two interleave. Walks the arguments as it does (short options compacted, any name after "--",
// "--" ending options) and tells for each list file or operand, in order, whether it is a list
// file.
QList<bool> listFileOrder(const QStringList& arguments, const QList<QCommandLineOption>& options,
                          const QCommandLineOption& input)
{
    QStringList withValue;
    for (const QCommandLineOption& option : options)
        if (!option.valueName().isEmpty())
            withValue += option.names();
    const QStringList inputNames = input.names();
    QList<bool> order;
    bool operandsOnly = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (operandsOnly || argument == QLatin1String("-") || !argument.startsWith('-')) {
            order.append(false);
        } else if (argument == QLatin1String("--")) {
            operandsOnly = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            const QString name = argument.mid(2).section('=', 0, 0);
            if (inputNames.contains(name))
                order.append(true);
            if (!argument.contains('=') && withValue.contains(name))
                ++i;
        } else {
            for (qsizetype k = 1; k < argument.size(); ++k) {
                const QString name(argument[k]);
                if (!withValue.contains(name))
                    continue;
                if (inputNames.contains(name))
                    order.append(true);
                if (k + 1 == argument.size())
                    ++i; // the value is the next argument
                break;
            }
        }
    }
    return order;
}

// A name given relative to the current folder is that file; anything else as it was given.
QString addressOf(const QString& text)
{
    const QString file = relativeFileAddress(text);
    return file.isEmpty() ? text : file;
}

// The addresses of a list file by the window's line rules, except that a line of nothing but
// blanks is no address: a file's final line feed must not make a failed item.
std::optional<QStringList> readListFile(const QString& path, QString& error)
{
    QFile file;
    QString problem;
    if (path == QLatin1String("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            problem = file.errorString();
    } else {
        problem = openToRead(file, path);
    }
    const QByteArray bytes = problem.isEmpty() ? file.readAll() : QByteArray();
    if (problem.isEmpty() && file.error() != QFileDevice::NoError)
        problem = file.errorString();
    if (!problem.isEmpty()) {
        error = QStringLiteral("cannot read list file %1: %2").arg(shownText(path), problem);
        return std::nullopt;
    }
    QStringList addresses;
    for (const QString& line : splitListText(textOfBytes(bytes))) {
        if (!std::all_of(line.begin(), line.end(),
                         [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }))
            addresses.append(addressOf(line));
    }
    return addresses;
}

// The sheet sizes a PDF can have, by the names people give them.
std::optional<QPageSize> pageSizeNamed(const QString& name)
{
    const QList<QPair<QString, QPageSize::PageSizeId>> sizes = {
        {QStringLiteral("A3"), QPageSize::A3},       {QStringLiteral("A4"), QPageSize::A4},
        {QStringLiteral("A5"), QPageSize::A5},       {QStringLiteral("Letter"), QPageSize::Letter},
        {QStringLiteral("Legal"), QPageSize::Legal},
    };
    for (const auto& [sizeName, id] : sizes)
        if (name.compare(sizeName, Qt::CaseInsensitive) == 0)
            return QPageSize(id);
    return std::nullopt;
}

QString helpText(const QCommandLineParser& parser)
{
    // The parser's own usage line names no program before an application object exists.
    const QString text = parser.helpText();
    return QStringLiteral("Usage: %1 [options] [address...]\n").arg(QLatin1String(Program)) +
           text.mid(text.indexOf('\n') + 1) + ExitStatusAndExamples;
}

// The command's own options, apart from those of readerOptions() and bookOptions().
struct CommandOptions
{
    QCommandLineOption input{
        {QStringLiteral("i"), QStringLiteral("input")},
        QStringLiteral("Read addresses from a list file, one a line ('-': standard input, "
                       "once). May be given several times; list files and addresses join in "
                       "command-line order."),
        QStringLiteral("file")};
    QCommandLineOption output{
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the joined document to path ('-': standard output; default: "
                       "joined.html). An existing file is replaced in one step; a list file "
                       "never is."),
        QStringLiteral("path")};
    QCommandLineOption jobs{{QStringLiteral("j"), QStringLiteral("jobs")},
                            QStringLiteral("Load up to n pages at once, 1 to %1 (default: "
                                           "1). Pages join in order all the same.")
                                .arg(MaxJobs),
                            QStringLiteral("n")};
    QCommandLineOption timeout{
        {QStringLiteral("t"), QStringLiteral("timeout")},
        QStringLiteral("Stop loading a page after this many seconds and copy it as it stands "
                       "(default: %1).")
            .arg(join::PageLoadBound.count() / 1000),
        QStringLiteral("seconds")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("Write html or pdf (default: pdf for an output path ending in .pdf, html "
                       "otherwise). A PDF is the --standalone document printed as a book, a page "
                       "at a time: each joined page starts on a new sheet, links between them stay "
                       "live, backgrounds are printed; an outline of the pages and their headings "
                       "(--outline-depth), sheet numbers at the foot (--no-page-numbers), a title "
                       "(--title, else the first page's) and an author (--author)."),
        QStringLiteral("format")};
    QCommandLineOption pageSize{QStringLiteral("page-size"),
                                QStringLiteral("The PDF's sheet: A4 (default), Letter, Legal, A3 "
                                               "or A5."),
                                QStringLiteral("size")};
    QCommandLineOption landscape{QStringLiteral("landscape"),
                                 QStringLiteral("Print the PDF's sheets in landscape.")};
    QCommandLineOption margin{
        QStringLiteral("margin"),
        QStringLiteral("The PDF's margin on every side, in millimetres (default: 10)."),
        QStringLiteral("mm")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("Show no progress. Failures are still named.")};
    QCommandLineOption standalone{
        QStringLiteral("standalone"),
        QStringLiteral("Write a document that stands on its own, to read offline or keep: "
                       "addresses made absolute, links between the joined pages leading to their "
                       "sections, ids kept apart per page, images inlined as data: addresses, "
                       "scripts and event handlers removed, each page in a section with its "
                       "source address.")};
    QCommandLineOption contents{
        QStringLiteral("toc"),
        QStringLiteral("With --standalone or a PDF: put a list of the pages, by title, at the "
                       "top. The document is then written once every page has loaded.")};
    QCommandLineOption maxResource{
        QStringLiteral("max-resource"),
        QStringLiteral("With --standalone or a PDF: inline no image larger than this many "
                       "megabytes (default: 10); a larger one, or one that cannot be fetched, "
                       "keeps its address and is named on standard error as a warning, which "
                       "does not change the exit status."),
        QStringLiteral("MB")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Show the version and exit.")};

    // Every option the parser knows, in the order --help lists them.
    QList<QCommandLineOption> all() const
    {
        return QList<QCommandLineOption>{input,     output, jobs,  timeout,    format,   pageSize,
                                         landscape, margin, quiet, standalone, contents,
                                         maxResource} +
               readerOptions() + bookOptions() + QList<QCommandLineOption>{help, version};
    }
};

// How the pages load: -j, -t, -q. Empty when right, else the usage error.
QString readRunOptions(const QCommandLineParser& parser, const CommandOptions& named,
                       Options& options)
{
    options.quiet = parser.isSet(named.quiet);
    if (parser.isSet(named.jobs)) {
        bool ok = false;
        options.jobs = parser.value(named.jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > MaxJobs)
            return QStringLiteral("--jobs wants a whole number from 1 to %1, not '%2'")
                .arg(MaxJobs)
                .arg(shownText(parser.value(named.jobs)));
    }
    if (parser.isSet(named.timeout)) {
        bool ok = false;
        const double seconds = parser.value(named.timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > MaxTimeoutSeconds)
            return QStringLiteral("--timeout wants a number of seconds above 0, not '%1'")
                .arg(shownText(parser.value(named.timeout)));
        options.timeout = std::chrono::milliseconds(qMax(qint64(1), qRound64(seconds * 1000)));
    }
    return {};
}

// The output's path and format, and a PDF's sheets.
QString readOutputOptions(const QCommandLineParser& parser, const CommandOptions& named,
                          Options& options)
{
    if (parser.isSet(named.output))
        options.output = parser.value(named.output);
    if (options.output.isEmpty())
        return QStringLiteral("the output path is empty");
    if (parser.isSet(named.format)) {
        const QString name = parser.value(named.format).toLower();
        if (name != QLatin1String("html") && name != QLatin1String("pdf"))
            return QStringLiteral("--format wants html or pdf, not '%1'")
                .arg(shownText(parser.value(named.format)));
        options.format = name == QLatin1String("pdf") ? Format::Pdf : Format::Html;
    } else if (options.output.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        options.format = Format::Pdf;
    }
    if (parser.isSet(named.pageSize)) {
        const std::optional<QPageSize> size = pageSizeNamed(parser.value(named.pageSize));
        if (!size)
            return QStringLiteral("--page-size wants A4, Letter, Legal, A3 or A5, not '%1'")
                .arg(shownText(parser.value(named.pageSize)));
        options.pageLayout.setPageSize(*size);
    }
    if (parser.isSet(named.landscape))
        options.pageLayout.setOrientation(QPageLayout::Landscape);
    if (parser.isSet(named.margin)) {
        bool ok = false;
        const double mm = parser.value(named.margin).toDouble(&ok);
        if (!ok || !(mm >= 0) || mm > MaxMarginMm)
            return QStringLiteral("--margin wants millimetres from 0 to %1, not '%2'")
                .arg(MaxMarginMm)
                .arg(shownText(parser.value(named.margin)));
        options.pageLayout.setMargins(QMarginsF(mm, mm, mm, mm));
    }
    return {};
}

// --standalone and what it takes; a PDF is the document that stands on its own, printed.
QString readStandaloneOptions(const QCommandLineParser& parser, const CommandOptions& named,
                              Options& options)
{
    if (parser.isSet(named.standalone) || options.format == Format::Pdf)
        options.standalone.emplace();
    if ((parser.isSet(named.contents) || parser.isSet(named.maxResource)) && !options.standalone)
        return QStringLiteral("--toc and --max-resource need --standalone (or a PDF)");
    if (parser.isSet(named.contents))
        options.standalone->contents = true;
    if (parser.isSet(named.maxResource)) {
        bool ok = false;
        const double megabytes = parser.value(named.maxResource).toDouble(&ok);
        if (!ok || !(megabytes > 0) || megabytes > 1024 * 1024)
            return QStringLiteral("--max-resource wants a number of megabytes above 0, not '%1'")
                .arg(shownText(parser.value(named.maxResource)));
        options.standalone->maxResourceBytes = qRound64(megabytes * 1024 * 1024);
    }
    return {};
}

// The operands and the list files' addresses, in command-line order.
QString readAddresses(const QStringList& arguments, const QCommandLineParser& parser,
                      const CommandOptions& named, Options& options)
{
    const QStringList listFiles = parser.values(named.input);
    const QStringList operands = parser.positionalArguments();
    const QList<bool> order = listFileOrder(arguments, named.all(), named.input);
    if (order.count(true) != listFiles.size() || order.count(false) != operands.size())
        return QStringLiteral("cannot tell the order of list files and addresses");
    if (listFiles.count(QStringLiteral("-")) > 1)
        return QStringLiteral("standard input can be read only once ('-i -')");
    if (operands.contains(QStringLiteral("-")))
        return QStringLiteral("'-' is no address; '-i -' reads addresses from standard input");
    for (const QString& listFile : listFiles)
        if (options.output != QLatin1String("-") && listFile != QLatin1String("-") &&
            isSameFile(options.output, listFile))
            return QStringLiteral("the output %1 is the list file %2")
                .arg(shownText(options.output), shownText(listFile));

    qsizetype nextListFile = 0, nextOperand = 0;
    for (bool isListFile : order) {
        if (!isListFile) {
            options.addresses.append(addressOf(operands.value(nextOperand++)));
            continue;
        }
        QString error;
        const std::optional<QStringList> addresses =
            readListFile(listFiles.value(nextListFile++), error);
        if (!addresses)
            return error;
        options.addresses.append(*addresses);
    }
    if (options.addresses.isEmpty())
        return QStringLiteral("no addresses to join");
    return {};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Joins web pages into one HTML file (or one PDF): loads each address in a browser engine, "
        "waits until the page has loaded completely, and appends the markup of its body to one "
        "document, in the order given. Needs no display."));
    const CommandOptions named;
    parser.addOptions(named.all());
    parser.addPositionalArgument(
        QStringLiteral("address"),
        QStringLiteral("A web address, a file: address, or a local path (a file relative "
                       "to the current folder too)."),
        QStringLiteral("[address...]"));

    if (!parser.parse(arguments))
        return usageError(shownText(parser.errorText()));
    if (parser.isSet(named.help))
        return {std::nullopt, helpText(parser), AllPagesJoined, UsageError};
    if (parser.isSet(named.version))
        return {
            std::nullopt,
            QStringLiteral("%1 %2\n").arg(QLatin1String(Program), QLatin1String(VANTREL_VERSION)),
            AllPagesJoined};

    Options options;
    // In this order, up to the first problem: list files (standard input too) are read last.
    const std::function<QString()> readers[] = {
        [&] { return readOutputOptions(parser, named, options); },
        [&] { return readRunOptions(parser, named, options); },
        [&] { return readStandaloneOptions(parser, named, options); },
        [&] { return readReaderOptions(parser, options.reader); },
        [&] { return readBookOptions(parser, options.book); },
        [&] { return readAddresses(arguments, parser, named, options); },
    };
    for (const auto& read : readers) {
        if (const QString problem = read(); !problem.isEmpty())
            return usageError(problem);
    }
    return {options, QString(), AllPagesJoined};
}

} // namespace cli
