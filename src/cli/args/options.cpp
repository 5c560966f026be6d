#include "options.h"

#include "bytetext.h"
#include "contentoptions.h"
#include "filenames.h"
#include "helptext.h"
#include "urllist/listfiles.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QHash>

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
    "     error with its position, address and reason); or a contents page or sitemap gave\n"
    "     no address, and nothing was written\n"
    "  2  usage error: an unknown option, a bad option value or selector, no addresses, a list\n"
    "     file that cannot be read, a file written that the command also reads or writes (by\n"
    "     any name); a --profile folder that cannot be made or written, or that another run\n"
    "     is using; --login without a display; nothing is written\n"
    "  3  the output, the report or a temporary file cannot be written; existing files are left\n"
    "     as they were\n"
    "  4  the browser engine cannot start\n"
    "\nExamples:\n"
    "  vantrel-join -i chapters.txt -o book.html\n\n"
    "  vantrel-join --standalone --toc -j 6 -i site.txt -o book.html\n\n"
    "  vantrel-join -i chapters.txt -o book.pdf\n\n"
    "  vantrel-join --toc --page-size Letter --landscape -j 6 -i site.txt -o book.pdf\n\n"
    "  vantrel-join -i chapters.txt --format pdf -o - > book.pdf\n\n"
    "  vantrel-join --main -i chapters.txt -o book.epub\n\n"
    "  vantrel-join --links-of https://docs.example/index.html --main --title 'Guide' "
    "--author 'Docs team' -o guide.epub\n\n"
    "  vantrel-join -i chapters.txt --format epub -o - > book.epub\n\n"
    "  vantrel-join --main -i articles.txt -o articles.md\n\n"
    "  vantrel-join --reader -i posts.txt --format txt -o - | grep -i 'rust'\n\n"
    "  vantrel-join -i library.txt -o library.pdf\n\n"
    "  vantrel-join --toc --title 'Python library' -i library.txt -o library.pdf\n\n"
    "  vantrel-join --outline-depth 3 --no-page-numbers -i site.txt -o book.pdf\n\n"
    "  vantrel-join --cookies cookies.txt --scroll --settle 500 -i feed.txt -o feed.html\n\n"
    "  vantrel-join -j 8 -i list.txt -o book.html --report report.json\n\n"
    "  vantrel-join --profile ~/wiki-profile --login https://wiki.example/login\n"
    "  vantrel-join --profile ~/wiki-profile --links-of https://wiki.example/handbook/ \\\n"
    "      -o handbook.pdf\n\n"
    "  vantrel-join --links-of https://docs.example/library/index.html --main --standalone \\\n"
    "      -o library.html\n\n"
    "  vantrel-join --links-of https://docs.example/ --links-in 'nav.toc' \\\n"
    "      --within https://docs.example/guide/ -o guide.pdf\n\n"
    "  vantrel-join --sitemap https://docs.example/sitemap.xml \\\n"
    "      --within https://docs.example/api/ --list > api.txt\n\n"
    "  vantrel-join --next 'a[rel=next]' https://book.example/ch1.html --max-pages 500 \\\n"
    "      -o book.html\n\n"
    "  vantrel-join --select 'article' --exclude '.headerlink, .admonition.seealso' \\\n"
    "      -i pages.txt -o book.html\n");

const QString AddressHelp = QStringLiteral("A web address, a file: address or a local path.");

CommandLine usageError(const QString& text)
{
    return {std::nullopt,
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                .arg(QLatin1String(Program), text),
            UsageError};
}

// QCommandLineParser keeps the order of each option's values and of the operands, but not how
// they interleave. Walks the arguments as it does (short options compacted, any name after "--",
// "--" ending options) and tells for each value of a source option (-i, --links-of, ...) or
// operand, in order, which source it is: the option's first name, or nothing for an operand.
QStringList sourceOrder(const QStringList& arguments, const QList<QCommandLineOption>& options,
                        const QList<QCommandLineOption>& sources)
{
    QStringList withValue;
    for (const QCommandLineOption& option : options)
        if (!option.valueName().isEmpty())
            withValue += option.names();
    const auto sourceNamed = [&sources](const QString& name) -> std::optional<QString> {
        for (const QCommandLineOption& source : sources)
            if (source.names().contains(name))
                return source.names().constFirst();
        return std::nullopt;
    };
    QStringList order;
    bool operandsOnly = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (operandsOnly || argument == QLatin1String("-") || !argument.startsWith('-')) {
            order.append(QString());
        } else if (argument == QLatin1String("--")) {
            operandsOnly = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            const QString name = argument.mid(2).section('=', 0, 0);
            if (const auto source = sourceNamed(name))
                order.append(*source);
            if (!argument.contains('=') && withValue.contains(name))
                ++i;
        } else {
            for (qsizetype k = 1; k < argument.size(); ++k) {
                const QString name(argument[k]);
                if (!withValue.contains(name))
                    continue;
                if (const auto source = sourceNamed(name))
                    order.append(*source);
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
    QStringList addresses;
    const ReadProblem problem = readLines(path, [&](const QByteArray& bytes, qsizetype) {
        for (const QString& line : splitListText(textOfBytes(bytes))) {
            if (!std::all_of(line.begin(), line.end(), [](QChar c) {
                    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
                }))
                addresses.append(addressOf(line));
        }
        return QString();
    });
    if (problem.text.isEmpty())
        return addresses;
    error = problem.line == 0
                ? QStringLiteral("cannot read list file %1: %2").arg(shownText(path), problem.text)
                : QStringLiteral("list file %1, line %2: %3")
                      .arg(shownText(path))
                      .arg(problem.line)
                      .arg(problem.text);
    return std::nullopt;
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

QString helpText(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    // The parser's own usage line names no program before an application object exists.
    return groupedHelp(QStringLiteral("%1 [options] [address...]").arg(QLatin1String(Program)),
                       parser.applicationDescription(), options,
                       {{QStringLiteral("address"), AddressHelp}}) +
           ExitStatusAndExamples;
}

// The command's own options, apart from those of readerOptions() and bookOptions().
struct CommandOptions
{
    QCommandLineOption input{
        {QStringLiteral("i"), QStringLiteral("input")},
        QStringLiteral("Read addresses from a list file, one a line ('-': standard input). "
                       "May be given several times. A NUL byte, a line over 64 KB or over "
                       "100000 lines is a usage error naming the line."),
        QStringLiteral("file")};
    QCommandLineOption output{
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write to path ('-': standard output; default: joined.html)."),
        QStringLiteral("path")};
    QCommandLineOption jobs{
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("Load up to n pages at once, 1 to %1 (default: 1). A PDF's parts are "
                       "printed n at once, at least 2, no more than the processor's cores.")
            .arg(MaxJobs),
        QStringLiteral("n")};
    QCommandLineOption timeout{
        {QStringLiteral("t"), QStringLiteral("timeout")},
        QStringLiteral("Copy a page as it stands after this many seconds (default: %1).")
            .arg(join::PageLoadBound.count() / 1000),
        QStringLiteral("seconds")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral(
            "html, pdf, epub, md or txt (default: by a path ending in .pdf, .epub, .md "
            "or .txt). A PDF is the --standalone document printed as a book: an outline, "
            "sheet numbers, a page per part. An EPUB is made of the --standalone "
            "copies. Markdown (GitHub-flavoured) and plain text are one file, a part "
            "per page headed by its title and address; links between the pages lead to "
            "their parts, other links and images keep their absolute addresses."),
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
        QStringLiteral("Write a document to read offline: images inlined, scripts removed, "
                       "links between the joined pages kept. Written to a file, it is written "
                       "once every page has loaded; to standard output or a pipe, each section "
                       "as its page arrives.")};
    QCommandLineOption contents{
        QStringLiteral("toc"),
        QStringLiteral(
            "With --standalone, a PDF, an EPUB, Markdown or text: a list of the pages at "
            "the top.")};
    QCommandLineOption maxResource{
        QStringLiteral("max-resource"),
        QStringLiteral("With --standalone, a PDF or an EPUB: inline no image over this many "
                       "megabytes (default: 10); a larger data: image in a page is left out (an "
                       "EPUB leaves out any image it cannot hold)."),
        QStringLiteral("MB")};
    QCommandLineOption plain{
        QStringLiteral("plain"),
        QStringLiteral("With --standalone, a PDF or an EPUB: the document's own plain look "
                       "instead of the look each page had on its site (colours, borders, fonts "
                       "of code). What a page hid stays out either way.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Show the version and exit.")};

    // Every option the parser knows, in the order --help lists them.
    QList<QCommandLineOption> all() const
    {
        return QList<QCommandLineOption>{input,    output,      jobs,   timeout, format,
                                         pageSize, landscape,   margin, quiet,   standalone,
                                         contents, maxResource, plain} +
               readerOptions() + profileOptions() + bookOptions() + findOptions() +
               contentOptions() + QList<QCommandLineOption>{help, version};
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
    // By the name --format takes, or the output's extension.
    const QList<QPair<QString, Format>> formats{
        {QStringLiteral("html"), Format::Html},         {QStringLiteral("pdf"), Format::Pdf},
        {QStringLiteral("epub"), Format::Epub},         {QStringLiteral("md"), Format::Markdown},
        {QStringLiteral("markdown"), Format::Markdown}, {QStringLiteral("txt"), Format::Text}};
    if (parser.isSet(named.format)) {
        const QString name = parser.value(named.format).toLower();
        const auto known = std::find_if(formats.begin(), formats.end(),
                                        [&](const auto& format) { return format.first == name; });
        if (known == formats.end())
            return QStringLiteral("--format wants html, pdf, epub, md or txt, not '%1'")
                .arg(shownText(parser.value(named.format)));
        options.format = known->second;
    } else {
        const QString extension = QFileInfo(options.output).suffix().toLower();
        for (const auto& [name, format] : formats)
            if (name == extension && format != Format::Html)
                options.format = format;
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

// --standalone and what it takes; a PDF is the document that stands on its own, printed, and an
// EPUB is made of its copies.
QString readStandaloneOptions(const QCommandLineParser& parser, const CommandOptions& named,
                              Options& options)
{
    if (parser.isSet(named.standalone) || options.format != Format::Html)
        options.standalone.emplace();
    if ((parser.isSet(named.contents) || parser.isSet(named.maxResource) ||
         parser.isSet(named.plain)) &&
        !options.standalone)
        return QStringLiteral(
            "--toc, --max-resource and --plain need --standalone (or a PDF or EPUB)");
    options.look.styles = !parser.isSet(named.plain);
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

// Every file the command writes, and every one it reads.
QList<NamedFile> writtenFiles(const Options& options)
{
    QList<NamedFile> files{{QStringLiteral("the output"), options.output}};
    if (!options.reader.reportPath.isEmpty())
        files.append({QStringLiteral("the report"), options.reader.reportPath});
    return files;
}
QList<NamedFile> readFiles(const Options& options, const QStringList& listFiles)
{
    QList<NamedFile> files;
    for (const QString& listFile : listFiles)
        files.append({QStringLiteral("the list file"), listFile});
    if (!options.reader.cookiesPath.isEmpty())
        files.append({QStringLiteral("the cookies file"), options.reader.cookiesPath});
    return files;
}

// The operands, the list files' addresses and the places of found pages, in command-line order.
QString readAddresses(const QStringList& arguments, const QCommandLineParser& parser,
                      const CommandOptions& named, Options& options)
{
    const QList<QCommandLineOption> sources =
        QList<QCommandLineOption>{named.input} + addressSourceOptions();
    const QStringList listFiles = parser.values(named.input);
    const QStringList operands = parser.positionalArguments();
    const QStringList order = sourceOrder(arguments, named.all(), sources);
    QHash<QString, QStringList> values{{QString(), operands}};
    for (const QCommandLineOption& source : sources)
        values.insert(source.names().constFirst(), parser.values(source));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (order.count(it.key()) != it.value().size())
            return QStringLiteral("cannot tell the order of list files and addresses");
    if (listFiles.count(QStringLiteral("-")) > 1)
        return QStringLiteral("standard input can be read only once ('-i -')");
    if (operands.contains(QStringLiteral("-")))
        return QStringLiteral("'-' is no address; '-i -' reads addresses from standard input");
    if (listFiles.contains(QStringLiteral("-")) && options.reader.cookiesPath == QLatin1String("-"))
        return QStringLiteral("standard input can be read only once ('-i -', '--cookies -')");
    if (const QString problem =
            sameFileProblem(writtenFiles(options), readFiles(options, listFiles));
        !problem.isEmpty())
        return problem;

    QHash<QString, qsizetype> next;
    for (const QString& source : order) {
        const QString value = values.value(source).value(next[source]++);
        if (source == named.input.names().constFirst()) {
            QString error;
            const std::optional<QStringList> addresses = readListFile(value, error);
            if (!addresses)
                return error;
            options.addresses.append(*addresses);
        } else if (auto request = findRequestFor(parser, source, value)) {
            request->address = addressOf(request->address);
            options.find.requests.append({options.addresses.size(), *request});
        } else {
            options.addresses.append(addressOf(value));
        }
    }
    const bool joins = !options.addresses.isEmpty() || !options.find.requests.isEmpty();
    if (!options.profile.login.isEmpty())
        return joins ? QStringLiteral("--login joins nothing: give the addresses to a run with "
                                      "--profile alone")
                     : QString();
    if (!joins)
        return QStringLiteral("no addresses to join");
    return {};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Joins web pages into one HTML file (or one PDF, EPUB, Markdown or text file): loads each "
        "address in a browser "
        "engine, "
        "waits until the page has loaded completely, and appends the markup of its body to one "
        "document, in the order given. Needs no display."));
    const CommandOptions named;
    parser.addOptions(named.all());
    parser.addPositionalArgument(QStringLiteral("address"), AddressHelp,
                                 QStringLiteral("[address...]"));

    if (!parser.parse(arguments))
        return usageError(shownText(parser.errorText()));
    if (parser.isSet(named.help))
        return {std::nullopt, helpText(parser, named.all()), AllPagesJoined, UsageError};
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
        [&] { return readProfileOptions(parser, options.profile); },
        [&] { return readBookOptions(parser, options.book); },
        [&] { return readFindOptions(parser, parser.positionalArguments().size(), options.find); },
        [&] { return readContentOptions(parser, options.content); },
        [&] { return readAddresses(arguments, parser, named, options); },
    };
    for (const auto& read : readers) {
        if (const QString problem = read(); !problem.isEmpty())
            return usageError(problem);
    }
    return {options, QString(), AllPagesJoined};
}

} // namespace cli
