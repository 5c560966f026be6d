// The command's parts in the test's own process: how its arguments and list files become
// addresses, and what its report puts on the terminal. Nothing here loads a page.
#include "cli/args/bytetext.h"
#include "cli/args/options.h"
#include "cli/io/terminalreport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace cli;

namespace {
join::PageOutcome outcome(int position, const QString& failure)
{
    join::PageOutcome done;
    done.position = position;
    done.failure = failure;
    return done;
}

#ifdef Q_OS_UNIX
// Puts another file on one of the process's descriptors while it lives.
class DescriptorSwap
{
public:
    DescriptorSwap(int target, int replacement) : m_target(target), m_saved(::dup(target))
    {
        ::dup2(replacement, target);
    }
    ~DescriptorSwap()
    {
        ::dup2(m_saved, m_target);
        ::close(m_saved);
    }

private:
    int m_target;
    int m_saved;
};

// A terminal of this many columns, as a pseudo-terminal.
struct Terminal
{
    explicit Terminal(unsigned short columns)
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 24;
        ::ioctl(master, TIOCSWINSZ, &size);
    }
    ~Terminal()
    {
        if (terminal >= 0)
            ::close(terminal);
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    int terminal = -1;
};
#endif

// What the report wrote to its stream.
QString reportText(std::FILE* stream)
{
    std::rewind(stream);
    QByteArray bytes;
    char buffer[4096];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, stream))
        bytes.append(buffer, qsizetype(n));
    return QString::fromUtf8(bytes);
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    CommandLine parse(const QStringList& arguments)
    {
        return parseCommandLine(QStringList{QStringLiteral("vantrel-join")} + arguments);
    }

    QString writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return name;
    }

private slots:
    void init()
    {
        temporary = std::make_unique<QTemporaryDir>();
        dir = QDir(temporary->path());
        saved = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void cleanup() { QDir::setCurrent(saved); }

    void everySpelling_keepsCommandLineOrder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("addresses");
        const QStringList inList = {"http://127.0.0.1/l1", "http://127.0.0.1/l2"};
        QTest::newRow("-i") << QStringList{"-i", "list", "a"} << inList + QStringList{"a"};
        QTest::newRow("--i") << QStringList{"a", "--i", "list", "b"}
                             << QStringList{"a"} + inList + QStringList{"b"};
        QTest::newRow("--i=") << QStringList{"--i=list", "a"} << inList + QStringList{"a"};
        QTest::newRow("--input=") << QStringList{"a", "--input=list"} << QStringList{"a"} + inList;
        QTest::newRow("-qi compacted")
            << QStringList{"-qi", "list", "a"} << inList + QStringList{"a"};
        QTest::newRow("-ilist attached") << QStringList{"a", "-ilist"} << QStringList{"a"} + inList;
        QTest::newRow("--o") << QStringList{"--o", "out.html", "a"} << QStringList{"a"};
        QTest::newRow("--j") << QStringList{"--j", "2", "a"} << QStringList{"a"};
        QTest::newRow("--t") << QStringList{"a", "--t", "5", "-i", "list"}
                             << QStringList{"a"} + inList;
        QTest::newRow("after --") << QStringList{"--", "-i", "a"} << QStringList{"-i", "a"};
    }
    void everySpelling_keepsCommandLineOrder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, addresses);
        writeFile("list", "http://127.0.0.1/l1\nhttp://127.0.0.1/l2\n");
        const CommandLine line = parse(arguments);
        QVERIFY2(line.options, qPrintable(line.text));
        QCOMPARE(line.options->addresses, addresses);
    }

    void foundPages_takeTheirPlaceAmongTheAddresses()
    {
        writeFile("list", "http://127.0.0.1/l1\n");
        const CommandLine line = parse({"a", "--links-of", "http://127.0.0.1/c/", "-i", "list",
                                        "--sitemap=http://127.0.0.1/s.xml", "b"});
        QVERIFY2(line.options, qPrintable(line.text));
        QCOMPARE(line.options->addresses, (QStringList{"a", "http://127.0.0.1/l1", "b"}));
        const auto& found = line.options->find.requests;
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].index, 1);
        QCOMPARE(found[0].request.address, "http://127.0.0.1/c/");
        QCOMPARE(found[1].index, 2);
        QCOMPARE(found[1].request.kind, join::FindRequest::Kind::Sitemap);
    }

    void relativeFiles_areFiles_andBlankLinesNoAddresses()
    {
        QVERIFY(dir.mkdir("sub"));
        writeFile("a.html", "<p>a</p>");
        writeFile("sub/b c.html", "<p>b</p>");
        // Blank lines are no addresses; a line with more than blanks is kept as it is.
        writeFile("list", "sub/b c.html\n \t\n\t\nexample.test\n  a.html\n/abs/x.html\n");
        const CommandLine line = parse({"a.html", "-i", "list", "missing.html", "sub"});
        QVERIFY2(line.options, qPrintable(line.text));
        const QString url = QUrl::fromLocalFile(QDir::currentPath()).toString();
        QCOMPARE(line.options->addresses,
                 (QStringList{url + "/a.html", url + "/sub/b c.html", "example.test", "  a.html",
                              "/abs/x.html", "missing.html", "sub"}));
        // The address is one the site browser takes back as that file.
        QCOMPARE(QUrl::fromUserInput(line.options->addresses[1]).toLocalFile(),
                 dir.filePath("sub/b c.html"));
    }

    void refusedBeforeAnyPageLoads_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("- alone") << QStringList{"a", "-"} << "'-i -'";
        QTest::newRow("standard input twice")
            << QStringList{"a", "-i", "-", "--input=-"} << "only once";
        QTest::newRow("output is a list file")
            << QStringList{"a", "-i", "list", "-o", "list"} << "is the list file";
        QTest::newRow("output spelt otherwise")
            << QStringList{"-o", "./sub/../list", "a", "-i", "list"} << "is the list file";
        QTest::newRow("output is a link to a list file")
            << QStringList{"-i", "link", "-o", "list", "a"} << "is the list file";
        QTest::newRow("output is a hard link to a list file")
            << QStringList{"-i", "list", "-o", "hard", "a"} << "is the list file";
        QTest::newRow("report is the output")
            << QStringList{"a", "-o", "new.html", "--report", "./new.html"}
            << "the output new.html is the report ./new.html";
        QTest::newRow("report is a link to the output")
            << QStringList{"a", "-o", "hard", "--report", "link"} << "is the report link";
        QTest::newRow("report is a list file")
            << QStringList{"a", "-i", "list", "--report", "list"} << "is the list file";
        QTest::newRow("--login joining too")
            << QStringList{"a", "--profile", "p", "--login", "http://127.0.0.1/"}
            << "joins nothing";
        QTest::newRow("--login without a profile")
            << QStringList{"--login", "http://127.0.0.1/"} << "needs --profile";
        QTest::newRow("--login to a file")
            << QStringList{"--profile", "p", "--login", "/etc/hosts"} << "http or https";
        QTest::newRow("output is the cookies file")
            << QStringList{"a", "--cookies", "cookies", "-o", "sub/../cookies"}
            << "is the cookies file";
        QTest::newRow("cookies and list both from standard input")
            << QStringList{"a", "--cookies", "-", "-i", "-"} << "only once";
        QTest::newRow("space in a cookie's domain")
            << QStringList{"a", "--cookies", "c-domain"} << "line 2: the domain";
        QTest::newRow("control byte in a cookie's value")
            << QStringList{"a", "--cookies", "c-value"} << "line 2: the value";
        QTest::newRow("';' in a cookie's name")
            << QStringList{"a", "--cookies", "c-name"} << "line 2: the name";
        // Files with no end or no lines are read only as far as a line.
        QTest::newRow("list file of NUL bytes")
            << QStringList{"-i", "/dev/zero"} << "list file /dev/zero, line 1: it is no text";
        QTest::newRow("list file of random bytes")
            << QStringList{"-i", "/dev/urandom"} << "it is no text (a NUL byte)";
        QTest::newRow("cookies file of NUL bytes")
            << QStringList{"a", "--cookies", "/dev/zero"}
            << "cookies file /dev/zero, line 1: it is no text";
        QTest::newRow("list line past the bound")
            << QStringList{"-i", "long"} << "list file long, line 2: longer than 64 KB";
        QTest::newRow("cookies line past the bound")
            << QStringList{"a", "--cookies", "long"} << "cookies file long, line 2: longer";
        QTest::newRow("list file past the most lines")
            << QStringList{"-i", "many"} << "list file many, line 100001: more than 100000 lines";
        QTest::newRow("control characters in a value are shown escaped")
            << QStringList{"a", "-H", "X-A\x1b[2J"} << "'X-A\\x1B[2J'";
    }
    void refusedBeforeAnyPageLoads()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
#ifndef Q_OS_UNIX
        QSKIP("needs links and descriptors");
#else
        QVERIFY(dir.mkdir("sub"));
        writeFile("list", "http://127.0.0.1/l1\n");
        QVERIFY(QFile::link("list", dir.filePath("link")));
        QCOMPARE(::link("list", "hard"), 0);
        const QByteArray cookie = "127.0.0.1\tFALSE\t/\tFALSE\t0\tname\tvalue\n";
        writeFile("cookies", cookie);
        writeFile("c-domain", "# comment\n127.0.0 .1\tFALSE\t/\tFALSE\t0\tname\tvalue\n");
        writeFile("c-value", "# comment\n127.0.0.1\tFALSE\t/\tFALSE\t0\tname\tva\x01lue\n");
        writeFile("c-name", "# comment\n127.0.0.1\tFALSE\t/\tFALSE\t0\tna;me\tvalue\n");
        writeFile("long", "# comment\n" + QByteArray(64 * 1024 + 1, 'a'));
        writeFile("many", QByteArray("a\n").repeated(100001));
        // Standard input at its end: a read of it never waits.
        const int empty = ::open("/dev/null", O_RDONLY);
        const DescriptorSwap input(STDIN_FILENO, empty);
        ::close(empty);
        const CommandLine line = parse(arguments);
        QVERIFY(!line.options);
        QCOMPARE(line.status, UsageError);
        QVERIFY2(line.text.contains(said), qPrintable(line.text));
#endif
    }

    void format_byNameOrByTheOutputsExtension_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("format");
        QTest::newRow("-o book.md") << QStringList{"-o", "book.md"} << int(Format::Markdown);
        QTest::newRow("-o notes.MARKDOWN")
            << QStringList{"-o", "notes.MARKDOWN"} << int(Format::Markdown);
        QTest::newRow("-o book.txt") << QStringList{"-o", "book.txt"} << int(Format::Text);
        QTest::newRow("--format txt beats .md")
            << QStringList{"--format", "txt", "-o", "book.md"} << int(Format::Text);
        QTest::newRow("-o - --format md")
            << QStringList{"-o", "-", "--format", "md"} << int(Format::Markdown);
        QTest::newRow("-o -") << QStringList{"-o", "-"} << int(Format::Html);
        QTest::newRow("-o book.txt.gz") << QStringList{"-o", "book.txt.gz"} << int(Format::Html);
    }
    void format_byNameOrByTheOutputsExtension()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, format);
        const CommandLine line = parse(arguments + QStringList{"a"});
        QVERIFY2(line.options, qPrintable(line.text));
        QCOMPARE(int(line.options->format), format);
    }

    void readerWithSelect_orAnUnknownFormat_isAUsageError_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--reader --select") << QStringList{"--reader", "--select", "p"};
        QTest::newRow("--format rst") << QStringList{"--format", "rst"};
    }
    void readerWithSelect_orAnUnknownFormat_isAUsageError()
    {
        QFETCH(QStringList, arguments);
        const CommandLine line = parse(arguments + QStringList{"a"});
        QVERIFY(!line.options);
        QCOMPARE(line.status, UsageError);
    }

    void namesNotUtf8_keepTheirBytes_andSuchAnAddressIsRefused()
    {
#ifndef Q_OS_UNIX
        QSKIP("file names are bytes on Unix only");
#else
        // Qt cannot spell this name, so it is made as bytes.
        const int fd = ::open("caf\xe9.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        const QByteArray list = "http://127.0.0.1/caf\xe9\nhttp://127.0.0.1/ok\n";
        QCOMPARE(::write(fd, list.constData(), size_t(list.size())), ssize_t(list.size()));
        ::close(fd);
        // As runJoinCommand() decodes its argv.
        const CommandLine line =
            parse({"-i", textOfBytes("caf\xe9.txt"), "-o", textOfBytes("out\xe9\xff.html")});
        QVERIFY2(line.options, qPrintable(line.text));
        QCOMPARE(bytesOfText(line.options->output), QByteArray("out\xe9\xff.html"));
        QCOMPARE(line.options->addresses.size(), 2);
        QCOMPARE(bytesOfText(line.options->addresses[0]), QByteArray("http://127.0.0.1/caf\xe9"));

        std::FILE* stream = std::tmpfile();
        QVERIFY(stream);
        TerminalReport report(line.options->addresses, TerminalReport::Progress::None, stream);
        QCOMPARE(report.refusalAt(2), QString());
        report.pageDone(outcome(1, report.refusalAt(1)));
        QCOMPARE(reportText(stream),
                 QStringLiteral("vantrel-join: page 1 (http://127.0.0.1/caf\\xE9) failed: the "
                                "address is not valid UTF-8\n"));
        std::fclose(stream);
        ::unlink("caf\xe9.txt"); // QTemporaryDir cannot spell it either
#endif
    }

    void printedLines_showControlCharactersEscaped_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("shownAddress");
        QTest::addColumn<QString>("shownReason");
        QTest::newRow("escape sequences") << "http://127.0.0.1/\x1b]0;owned\x07\x1b[2J"
                                          << "HTTP status 404"
                                          << "http://127.0.0.1/\\x1B]0;owned\\x07\\x1B[2J"
                                          << "HTTP status 404";
        QTest::newRow("C1 control, line breaks")
            << QStringLiteral("http://127.0.0.1/a\u009bb\r\nc") << "x"
            << "http://127.0.0.1/a\\u009Bb\\x0D\\x0Ac"
            << "x";
        QTest::newRow("in the reason") << "http://127.0.0.1/"
                                       << "title \x1b[1mbold"
                                       << "http://127.0.0.1/"
                                       << "title \\x1B[1mbold";
        QTest::newRow("wide and combining stay")
            << QStringLiteral("http://127.0.0.1/\u6f22e\u0301") << "x"
            << QStringLiteral("http://127.0.0.1/\u6f22e\u0301") << "x";
    }
    void printedLines_showControlCharactersEscaped()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        QFETCH(QString, shownAddress);
        QFETCH(QString, shownReason);
        std::FILE* stream = std::tmpfile();
        QVERIFY(stream);
        TerminalReport report({address}, TerminalReport::Progress::Lines, stream);
        report.setProgressText("Processing: " + address); // no line of its own in a log
        report.pageDone(outcome(1, reason));
        const QStringList lines = reportText(stream).split('\n');
        std::fclose(stream);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], "vantrel-join: page 1 (" + shownAddress + ") failed: " + shownReason);
        QVERIFY2(lines[1].startsWith("[1/1] 100%") && lines[1].endsWith("  " + shownAddress),
                 qPrintable(lines[1]));
    }

    void lineInPlace_fitsTheTerminalByColumns_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("fitting");
        // 40 columns, one kept free; "[1/1] 100%  0:00  " takes 18: 21 are left.
        QTest::newRow("wide") << QStringLiteral("\u6f22") << 10;
        QTest::newRow("combining mark") << QStringLiteral("e\u0301") << 21;
        QTest::newRow("outside the first plane") << QStringLiteral("\U0001F600") << 10;
        QTest::newRow("escaped control") << QStringLiteral("\x1b") << 5;
    }
    void lineInPlace_fitsTheTerminalByColumns()
    {
        QFETCH(QString, unit);
        QFETCH(int, fitting);
#ifndef Q_OS_UNIX
        QSKIP("needs a pseudo-terminal");
#else
        const Terminal terminal(40);
        if (terminal.terminal < 0)
            QSKIP("no pseudo-terminal here");
        std::FILE* stream = std::tmpfile();
        QVERIFY(stream);
        {
            const DescriptorSwap errors(STDERR_FILENO, terminal.terminal);
            TerminalReport report({unit.repeated(100)}, TerminalReport::Progress::InPlace, stream);
            report.pageDone(outcome(1, {}));
        }
        const QString text = reportText(stream);
        std::fclose(stream);
        const QString shown = unit == "\x1b" ? QStringLiteral("\\x1B") : unit;
        QCOMPARE(text,
                 "\r[1/1] 100%  " + text.mid(13, 4) + "  " + shown.repeated(fitting) + "\x1b[K");
#endif
    }

    void lineInPlace_showsAPageWhenItStarts()
    {
        std::FILE* stream = std::tmpfile();
        QVERIFY(stream);
        TerminalReport report({"http://127.0.0.1/1", "http://127.0.0.1/2"},
                              TerminalReport::Progress::InPlace, stream);
        report.setProgressValue(50);
        report.setProgressText("Processing: http://127.0.0.1/1");
        const QString text = reportText(stream);
        std::fclose(stream);
        QVERIFY2(text.startsWith("\r[0/2] 0%  0:0") &&
                     text.endsWith("  Processing: http://127.0.0.1/1\x1b[K"),
                 qPrintable(text));
    }

    void dumbTerminal_getsLinesWithoutEscapeCodes()
    {
#ifndef Q_OS_UNIX
        QSKIP("needs a pseudo-terminal");
#else
        const Terminal terminal(80);
        if (terminal.terminal < 0)
            QSKIP("no pseudo-terminal here");
        const QByteArray savedTerm = qgetenv("TERM");
        const auto restore = qScopeGuard([&] { qputenv("TERM", savedTerm); });
        const DescriptorSwap errors(STDERR_FILENO, terminal.terminal);
        qputenv("TERM", "xterm-256color");
        QCOMPARE(TerminalReport::progressFor(false), TerminalReport::Progress::InPlace);
        qputenv("TERM", "dumb");
        QCOMPARE(TerminalReport::progressFor(false), TerminalReport::Progress::Lines);
#endif
    }

private:
    std::unique_ptr<QTemporaryDir> temporary;
    QDir dir;
    QString saved;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
