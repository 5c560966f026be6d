#include "cmdoutput/capture.h"
#include "cmdoutput/onlinecheck.h"
#include "core/apptitle.h"
#include "scripteddialogs.h"

#include <QtTest>

// Injected commands stand in for ping; nothing here touches the network.
class TestOnlineCheck : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("warned");
        // A reply line as this platform's ping prints it.
#ifdef Q_OS_WIN
        const QString reply = QStringLiteral("Reply from 127.0.0.1: bytes=32 time<1ms TTL=128");
#else
        const QString reply = QStringLiteral("64 bytes from 127.0.0.1: icmp_seq=1 ttl=64");
#endif
        QTest::newRow("reply line") << QStringLiteral("echo \"%1\"").arg(reply) << false;
        QTest::newRow("marker in capitals")
            << QStringLiteral("echo \"%1\"").arg(reply.toUpper()) << false;
        QTest::newRow("nothing printed") << QStringLiteral("true") << true;
#ifndef Q_OS_WIN
        // A POSIX ping without a reply still says "bytes" twice; only "bytes from" is a reply.
        QTest::newRow("no reply")
            << QStringLiteral("printf \"PING host (192.0.2.1) 56(84) bytes of data.\\n\\n"
                              "1 packets transmitted, 0 received, 100%% packet loss\\n\"")
            << true;
#endif
        QTest::newRow("no such program") << QStringLiteral("vantrel-no-such-ping -c 1 x") << true;
        QTest::newRow("error output only")
            << QStringLiteral("sh -c \"echo '%1' >&2\"").arg(reply) << true;
    }

    void replies()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, warned);
        // A title derived later must not leak into this early message.
        setAppTitle(QStringLiteral("Derived"));
        ScriptedDialogs dialogs;
        CheckOnline(dialogs, commandLine);
        if (!warned) {
            QVERIFY(dialogs.shown.isEmpty());
            return;
        }
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Vantrel"));
        QCOMPARE(dialogs.shown[0].text,
                 QStringLiteral("You must be online to use this software accurately."));
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::None);
    }

    void productionCommand_recognisesALoopbackReply()
    {
        // This platform's ping, its options and its reply marker must fit together.
        QString loopback = onlineCheckCommandLine().replace(QLatin1String(OnlineCheckHost),
                                                            QStringLiteral("127.0.0.1"));
        QVERIFY(loopback.contains(QStringLiteral("127.0.0.1")));
        QString probe = loopback;
        const QString output = CaptureCommandOutput(probe, true, false, true);
        if (output.isEmpty() || output == QLatin1String(FailedToCreateProcess))
            QSKIP("ping is missing or may not send echo requests here");
        ScriptedDialogs dialogs;
        CheckOnline(dialogs, loopback);
        QVERIFY2(dialogs.shown.isEmpty(), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestOnlineCheck)
#include "tst_onlinecheck.moc"
