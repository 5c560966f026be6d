// What a packager checks after `cmake --install` into a staging folder: every file in its place,
// the menu entry and the AppStream metadata accepted by their validators, the man pages render,
// and the programs run from where they were installed.
#include "testhttpserver.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString appId = QStringLiteral("example.vantrel.Vantrel");

struct Run
{
    int exitCode = -1;
    QByteArray output; // standard output and standard error
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = process.readAll();
    return result;
}
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString installed(const QString& relative) const
    {
        return m_root.filePath(QStringLiteral("usr/") + relative);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), m_root.path());
        const Run install = run(QStringLiteral(VANTREL_CMAKE),
                                {QStringLiteral("--install"), QStringLiteral(VANTREL_BUILD_DIR),
                                 QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                environment);
        QVERIFY2(install.exitCode == 0, install.output.constData());
    }

    void filesInTheirPlaces()
    {
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/vantrel"))).isExecutable());
        QStringList files{QStringLiteral("share/vantrel/HAND-M.CUR"),
                          QStringLiteral("share/vantrel/drag.ico"),
                          QStringLiteral("share/man/man1/vantrel.1.gz"),
                          QStringLiteral("share/doc/vantrel/licenses/readability.LICENSE.md"),
                          QStringLiteral("share/doc/vantrel/licenses/turndown.LICENSE")};
        for (int size : {32, 48, 128, 256})
            files.append(
                QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
        for (const QString& file : files)
            QVERIFY2(QFileInfo(installed(file)).isFile(), qPrintable(file));
    }

    void validatorsAccept_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("file");
        QTest::newRow("menu entry") << QStringList{QStringLiteral("desktop-file-validate")}
                                    << QStringLiteral("share/applications/%1.desktop").arg(appId);
        QTest::newRow("AppStream")
            << QStringList{QStringLiteral("appstreamcli"), QStringLiteral("validate"),
                           QStringLiteral("--no-net")}
            << QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId);
    }

    void validatorsAccept()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, file);
        // desktop-file-validate reports warnings with a success status.
        const Run check = run(command.takeFirst(), command << installed(file));
        QVERIFY2(check.exitCode == 0 && !check.output.contains("warning"),
                 check.output.constData());
    }

    void programAnswersVersionWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("vantrel") << QStringLiteral("vantrel");
        QTest::newRow("vantrel-join") << QStringLiteral("vantrel-join");
    }

    void programAnswersVersionWithoutDisplay()
    {
        QFETCH(QString, program);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        const Run version = run(installed(QStringLiteral("bin/") + program),
                                {QStringLiteral("--version")}, environment);
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.output.contains(VANTREL_VERSION), version.output.constData());
    }

    void manPageRenders_data() { programAnswersVersionWithoutDisplay_data(); }

    void manPageRenders()
    {
        QFETCH(QString, program);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        environment.insert(QStringLiteral("MANPAGER"), QStringLiteral("cat"));
        const Run man = run(QStringLiteral("man"),
                            {QStringLiteral("-l"),
                             installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program))},
                            environment);
        QCOMPARE(man.exitCode, 0);
        QVERIFY2(man.output.contains((program + QStringLiteral(" - ")).toUtf8()),
                 man.output.constData());
    }

    void installedJoinWritesPage()
    {
        const QString program = QStringLiteral("vantrel-join");
        TestHttpServer server([](const QByteArray&) {
            return TestHttpServer::html("<p>joined by the installed program</p>");
        });
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("joined.html"));
        const Run join = run(installed(QStringLiteral("bin/") + program),
                             {server.url(QStringLiteral("/a.html")), QStringLiteral("-o"), file});
        QVERIFY2(join.exitCode == 0, join.output.constData());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("joined by the installed program"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
