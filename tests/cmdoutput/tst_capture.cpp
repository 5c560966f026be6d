#include "cmdoutput/capture.h"
#include "core/apperror.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

// The commands run through sh, which every POSIX system has.
class TestCapture : public QObject
{
    Q_OBJECT

private:
    static QString capture(QString commandLine, bool out = true, bool err = false)
    {
        return CaptureCommandOutput(commandLine, out, err, true);
    }

    QTemporaryDir m_dir;

    // A command that writes the bytes of a file in one write, so that the pipe holds them all
    // before the first read.
    QString catFileHolding(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("output.bin"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        return QStringLiteral("cat \"%1\"").arg(path);
    }

private slots:
    void streams_data()
    {
        QTest::addColumn<bool>("out");
        QTest::addColumn<bool>("err");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both, in write order") << true << true << "out1\nerr1\nout2\n";
        QTest::newRow("standard output only") << true << false << "out1\nout2\n";
        QTest::newRow("standard error only") << false << true << "err1\n";
    }

    void streams()
    {
        QFETCH(bool, out);
        QFETCH(bool, err);
        QFETCH(QString, expected);
        QCOMPARE(capture(QStringLiteral("sh -c \"echo out1; echo err1 >&2; echo out2\""), out, err),
                 expected);
    }

    void quotedArgumentsStayWhole()
    {
        QCOMPARE(capture(QStringLiteral("printf \"<%s>\" \"a b\" c")), QStringLiteral("<a b><c>"));
    }

    void nothingPrinted_givesEmptyText() { QCOMPARE(capture(QStringLiteral("true")), QString()); }

    void missingProgram_givesFailureText()
    {
        const QString failure =
            QStringLiteral("Failed to create process, check the path of the command line.");
        QCOMPARE(capture(QStringLiteral("vantrel-no-such-program --flag")), failure);
        QCOMPARE(capture(m_dir.filePath(QStringLiteral("missing"))), failure);
        QCOMPARE(capture(QString()), failure);
    }

    void neitherStream_raisesError5()
    {
        QString commandLine = QStringLiteral("echo x");
        try {
            CaptureCommandOutput(commandLine, false, false, true);
            QFAIL("no error raised");
        } catch (const AppError& error) {
            QCOMPARE(error.number(), 5);
        }
    }

    void childGetsNoInput()
    {
        // This process's standard input holds a line the child must not see.
        int input[2];
        QCOMPARE(::pipe(input), 0);
        QCOMPARE(::write(input[1], "leak\n", 5), ssize_t(5));
        ::close(input[1]);
        const int savedInput = ::dup(STDIN_FILENO);
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[0]);
        const QString output = capture(QStringLiteral("sh -c \"cat; echo end\""));
        ::dup2(savedInput, STDIN_FILENO);
        ::close(savedInput);
        QCOMPARE(output, QStringLiteral("end\n"));
    }

    void longOutput_comesBackWhole()
    {
        QString expected;
        for (int i = 0; i < 500; ++i)
            expected += QStringLiteral("0123456789\n");
        QCOMPARE(capture(QStringLiteral("sh -c \"yes 0123456789 | head -n 500\"")), expected);
    }

    void characterSplitBetweenReads_comesOutWhole()
    {
        // The euro sign is three bytes in UTF-8; the first 1024-byte read ends after its first.
        const QByteArray bytes = QByteArray(1023, 'a') + "\xe2\x82\xac" + QByteArray(1100, 'b');
        QCOMPARE(capture(catFileHolding(bytes)), QString::fromUtf8(bytes));
    }

    void characterCutOffAtTheEnd_becomesReplacementCharacters()
    {
        // The first two of the euro sign's three bytes, and then the output ends.
        QCOMPARE(capture(catFileHolding("abc\xe2\x82")), QStringLiteral("abc\uFFFD\uFFFD"));
    }

    void grandchildHoldingThePipe_isWaitedFor()
    {
        QCOMPARE(capture(QStringLiteral("sh -c \"(sleep 0.3; echo late) & echo early\"")),
                 QStringLiteral("early\nlate\n"));
    }

    void windowEventsRunWhileWaiting()
    {
        QStringList seen;
        QTimer::singleShot(50, this, [&] { seen << QStringLiteral("timer"); });
        seen << capture(QStringLiteral("sh -c \"sleep 0.4; echo done\"")).trimmed();
        QCOMPARE(seen, QStringList({QStringLiteral("timer"), QStringLiteral("done")}));
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
