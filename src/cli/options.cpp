#include "options.h"

#include "urllist/listfiles.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace cli {
namespace {

constexpr char Program[] = "vantrel-join";
constexpr int MaxJobs = 64;
constexpr double MaxTimeoutSeconds = 24 * 3600;

const QString ExitStatusHelp = QStringLiteral(
    "\nExit status:\n"
    "  0  every address gave its page\n"
    "  1  the file was written, and at least one address failed (each is named on standard\n"
    "     error with its position, address and reason)\n"
    "  2  usage error: an unknown option, a bad option value, no addresses, a list file that\n"
    "     cannot be read; nothing is written\n"
    "  3  the output (or the report) cannot be written; an existing file is left as it was\n"
    "  4  the browser engine cannot start\n");

CommandLine usageError(const QString& text)
{
    return {std::nullopt,
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                .arg(QLatin1String(Program), text),
            UsageError};
}

// QCommandLineParser keeps the order of each option's values and of the operands, but not how the
// two interleave. Walks the arguments as it does (short options compacted, "--" ending options)
// and tells for each list file or operand, in order, whether it is a list file.
QList<bool> listFileOrder(const QStringList& arguments)
{
    const QString shortWithValue = QStringLiteral("iojt") + readerShortOptionsWithValue();
    const QStringList longWithValue =
        QStringList{QStringLiteral("input"), QStringLiteral("output"), QStringLiteral("jobs"),
                    QStringLiteral("timeout")} +
        readerLongOptionsWithValue();
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
            if (name == QLatin1String("input"))
                order.append(true);
            if (!argument.contains('=') && longWithValue.contains(name))
                ++i;
        } else {
            for (qsizetype k = 1; k < argument.size(); ++k) {
                if (!shortWithValue.contains(argument[k]))
                    continue;
                if (argument[k] == 'i')
                    order.append(true);
                if (k + 1 == argument.size())
                    ++i; // the value is the next argument
                break;
            }
        }
    }
    return order;
}

// The addresses of a list file by the window's line rules, except that an empty line is no
// address: a file's final line feed must not make a failed item.
std::optional<QStringList> readListFile(const QString& path, QString& error)
{
    QFile file(path);
    QString problem;
    if (path == QLatin1String("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            problem = file.errorString();
    } else if (QFileInfo(path).isDir()) {
        problem = QStringLiteral("it is a folder");
    } else if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    }
    const QByteArray bytes = problem.isEmpty() ? file.readAll() : QByteArray();
    if (problem.isEmpty() && file.error() != QFileDevice::NoError)
        problem = file.errorString();
    if (!problem.isEmpty()) {
        error = QStringLiteral("cannot read list file %1: %2").arg(path, problem);
        return std::nullopt;
    }
    QStringList addresses = splitListText(QString::fromLocal8Bit(bytes));
    addresses.removeAll(QString());
    return addresses;
}

QString helpText(const QCommandLineParser& parser)
{
    // The parser's own usage line names no program before an application object exists.
    const QString text = parser.helpText();
    return QStringLiteral("Usage: %1 [options] [address...]\n").arg(QLatin1String(Program)) +
           text.mid(text.indexOf('\n') + 1) + ExitStatusHelp;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Joins web pages into one HTML file: loads each address in a browser engine, waits until "
        "the page has loaded completely, and appends the markup of its body to one document, in "
        "the order given. Needs no display."));
    const QCommandLineOption input(
        {QStringLiteral("i"), QStringLiteral("input")},
        QStringLiteral("Read addresses from a list file, one a line ('-': standard input). May be "
                       "given several times; list files and addresses join in command-line "
                       "order."),
        QStringLiteral("file"));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the joined document to path ('-': standard output; default: "
                       "joined.html). An existing file is replaced in one step."),
        QStringLiteral("path"));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")},
                                  QStringLiteral("Load up to n pages at once, 1 to %1 (default: "
                                                 "1). Pages join in order all the same.")
                                      .arg(MaxJobs),
                                  QStringLiteral("n"));
    const QCommandLineOption timeout(
        {QStringLiteral("t"), QStringLiteral("timeout")},
        QStringLiteral("Stop loading a page after this many seconds and copy it as it stands "
                       "(default: %1).")
            .arg(join::PageLoadBound.count() / 1000),
        QStringLiteral("seconds"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Show no progress. Failures are still named."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    parser.addOptions({input, output, jobs, timeout, quiet});
    parser.addOptions(readerOptions());
    parser.addOptions({help, version});
    parser.addPositionalArgument(
        QStringLiteral("address"),
        QStringLiteral("A web address, a file: address or an absolute local path."),
        QStringLiteral("[address...]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return {std::nullopt, helpText(parser), AllPagesJoined};
    if (parser.isSet(version))
        return {
            std::nullopt,
            QStringLiteral("%1 %2\n").arg(QLatin1String(Program), QLatin1String(VANTREL_VERSION)),
            AllPagesJoined};

    Options options;
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(output))
        options.output = parser.value(output);
    if (options.output.isEmpty())
        return usageError(QStringLiteral("the output path is empty"));
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > MaxJobs)
            return usageError(QStringLiteral("--jobs wants a whole number from 1 to %1, not '%2'")
                                  .arg(MaxJobs)
                                  .arg(parser.value(jobs)));
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > MaxTimeoutSeconds)
            return usageError(
                QStringLiteral("--timeout wants a number of seconds above 0, not '%1'")
                    .arg(parser.value(timeout)));
        options.timeout = std::chrono::milliseconds(qMax(qint64(1), qRound64(seconds * 1000)));
    }
    if (const QString problem = readReaderOptions(parser, options.reader); !problem.isEmpty())
        return usageError(problem);

    const QStringList listFiles = parser.values(input);
    const QStringList operands = parser.positionalArguments();
    qsizetype nextListFile = 0, nextOperand = 0;
    for (bool isListFile : listFileOrder(arguments)) {
        if (!isListFile) {
            options.addresses.append(operands.value(nextOperand++));
            continue;
        }
        QString error;
        const std::optional<QStringList> addresses =
            readListFile(listFiles.value(nextListFile++), error);
        if (!addresses)
            return usageError(error);
        options.addresses.append(*addresses);
    }
    if (options.addresses.isEmpty())
        return usageError(QStringLiteral("no addresses to join"));
    return {options, QString(), AllPagesJoined};
}

} // namespace cli
