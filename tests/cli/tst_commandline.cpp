// The command's parts in the test's own process: what its report puts on the terminal. Nothing
// here loads a page.
#include "cli/terminalreport.h"

#include <QtTest>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using cli::TerminalReport;

namespace {
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

private slots:
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
        report.pageDone(1, reason);
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
            report.pageDone(1, {});
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
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
