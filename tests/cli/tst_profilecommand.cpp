// vantrel-join with a saved profile: a sign-in lasts from one run to the next (cookies without an
// expiry, local storage), a cookies file goes into it, its cache makes a re-run revalidate, one
// run at a time holds it, and --login opens a window to sign in. Through the real executable,
// against pages served on 127.0.0.1.
#include "commandrun.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

using Response = TestHttpServer::Response;

namespace {

Response routes(const QByteArray& path)
{
    // Signs in as sites do: a cookie without an expiry, and a value in local storage, told to the
    // server once it is set.
    if (path == "/signin")
        return TestHttpServer::response(
            200, "text/html",
            "<html><body><p>signed in</p><script>localStorage.setItem('member', 'm1');"
            "fetch('/stored'); window.open('/provider');</script></body></html>",
            {{"Set-Cookie", "session=yes; Path=/"}});
    // A sign-in provider's pop-up (where a browser lets pages open one), closed once it is done.
    if (path == "/provider")
        return TestHttpServer::response(
            200, "text/html",
            "<html><body><script>fetch('/provided').then(() => window.close());</script>"
            "</body></html>",
            {{"Set-Cookie", "provider=ok; Path=/"}});
    if (path == "/members")
        return TestHttpServer::html(
            "<html><body><p id=shown></p><script>shown.textContent = 'cookie:' + document.cookie "
            "+ ' local:' + localStorage.getItem('member');</script></body></html>");
    if (path == "/contents") // a contents page that lists its pages to members alone
        return TestHttpServer::html("<html><body><script>if (document.cookie.includes('session'))"
                                    " document.write('<a href=/n/7>seven</a>');</script>"
                                    "<a href=/n/6>six</a></body></html>");
    if (path == "/held") { // answered once the test has looked at the engine's processes
        Response response = TestHttpServer::html("<html><body><p>held</p></body></html>");
        response.delay = std::chrono::seconds(4);
        return response;
    }
    if (path == "/slow") {
        Response response = TestHttpServer::html("<html><body><p>slow");
        response.neverFinish = true;
        return response;
    }
    // Kept by a browser's cache, and asked for again with If-None-Match each time it is used.
    const QList<QPair<QByteArray, QByteArray>> validated = {{"ETag", "\"v1\""},
                                                            {"Cache-Control", "no-cache"}};
    if (path == "/styled")
        return TestHttpServer::response(
            200, "text/html",
            "<html><head><link rel=stylesheet href=/style.css></head><body><p>styled</p>"
            "</body></html>",
            validated);
    if (path == "/style.css")
        return TestHttpServer::response(200, "text/css", "p { color: green }", validated);
    if (path.startsWith("/n/") || path == "/stored")
        return TestHttpServer::html("<html><body><p>" + path.mid(3) + "</p></body></html>");
    return TestHttpServer::response(404, "text/html", "<html><body>missing</body></html>");
}

// An X server of the test's own, for the window of --login; none when Xvfb cannot start.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        for (int number = 90 + getpid() % 50; number < 200; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            m_server.start(QStringLiteral("Xvfb"),
                           {QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x1024x24")});
            if (!m_server.waitForStarted())
                return;
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            QDeadlineTimer bound(20000);
            while (!QFile::exists(socket) && m_server.state() == QProcess::Running &&
                   !bound.hasExpired())
                m_server.waitForFinished(100); // waits on the server, not a busy loop
            if (QFile::exists(socket) && m_server.state() == QProcess::Running) {
                m_name = QStringLiteral(":%1").arg(number);
                return;
            }
            m_server.waitForFinished(1000);
        }
    }
    ~VirtualDisplay()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished();
    }
    const QString& name() const { return m_name; } // empty: none

private:
    QProcess m_server;
    QString m_name;
};

// The processes below root, from /proc.
QList<qint64> descendants(qint64 root)
{
    QMultiHash<qint64, qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toLongLong() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray text = stat.readAll();
        children.insert(text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong(),
                        entry.toLongLong());
    }
    QList<qint64> below = children.values(root);
    for (qsizetype i = 0; i < below.size(); ++i)
        below += children.values(below[i]);
    return below;
}

} // namespace

class TestProfileCommand : public QObject
{
    Q_OBJECT

private:
    QString program() const { return QCoreApplication::applicationDirPath() + "/vantrel-join"; }

    // What xdotool writes for arguments, trimmed; empty where it fails.
    static QByteArray xdotoolOutput(const QProcessEnvironment& environment, const QString& xdotool,
                                    const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        const Finished f = runCommand(process, arguments, {}, xdotool);
        return f.status == 0 ? f.out.trimmed() : QByteArray();
    }
    Finished run(const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setWorkingDirectory(dir->path());
        process.setProcessEnvironment(environment);
        return runCommand(process, QStringList{"-q", "-o", "-"} + arguments);
    }

    QString profile() const { return dir->filePath("profile"); }
    QString url(const char* path) const { return server.url(QLatin1String(path)); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        server.setAnswerConditionalRequests(false);
    }

    void signedInOnce_sessionCookieAndLocalStorageLastToTheNextRun_andOnlyThere()
    {
        const Finished signin = run({"--profile", profile(), url("/signin")});
        QCOMPARE(signin.status, 0);
        QVERIFY(signin.errLines.isEmpty());
        // For the owner alone: nothing for group or others.
        QCOMPARE(QFileInfo(profile()).permissions() & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const Finished members = run({"--profile", profile(), url("/members")});
        QCOMPARE(members.status, 0);
        QVERIFY2(members.out.contains("cookie:session=yes local:m1"), members.out);
        QCOMPARE(server.header("/members", "Cookie"), "session=yes");

        // The pages that find pages load signed in too.
        const Finished found =
            run({"--profile", profile(), "--links-of", url("/contents"), "--no-start", "--list"});
        QCOMPARE(found.status, 0);
        QCOMPARE(found.out, (url("/n/7") + "\n" + url("/n/6") + "\n").toUtf8());

        const Finished outsider = run({url("/members")});
        QVERIFY2(outsider.out.contains("cookie: local:null"), outsider.out);
        QCOMPARE(server.header("/members", "Cookie"), "");
    }

    void cookiesFileIntoAProfile_lastsForLaterRuns()
    {
        QFile cookies(dir->filePath("cookies.txt"));
        QVERIFY(cookies.open(QIODevice::WriteOnly));
        cookies.write("127.0.0.1\tFALSE\t/\tFALSE\t0\tfromfile\tone\n");
        cookies.close();
        for (int i = 0; i < 2; ++i) {
            // The second time the profile has the cookie already: it is taken again, not refused.
            const Finished given =
                run({"--profile", profile(), "--cookies", cookies.fileName(), url("/n/1")});
            QCOMPARE(given.status, 0);
            QCOMPARE(given.errLines.join("\n") + QString::number(i), QString::number(i));
        }
        QCOMPARE(run({"--profile", profile(), url("/members")}).status, 0);
        QCOMPARE(server.header("/members", "Cookie"), "fromfile=one");
    }

    void rerunWithAProfile_revalidatesWhatItHas_insteadOfDownloadingAgain()
    {
        server.setAnswerConditionalRequests(true);
        QCOMPARE(run({"--profile", profile(), url("/styled")}).status, 0);
        QCOMPARE(server.notModifiedCount(), 0);
        const Finished again = run({"--profile", profile(), url("/styled")});
        QCOMPARE(again.status, 0);
        QVERIFY2(again.out.contains("styled"), again.out);
        // The page and its style sheet.
        QCOMPARE(server.notModifiedCount(), 2);
        QCOMPARE(server.header("/style.css", "If-None-Match"), "\"v1\"");
        // Without the profile nothing is kept.
        run({url("/styled")});
        QCOMPARE(server.notModifiedCount(), 2);
    }

    void profileInUse_secondRunEndsAtOnce_andAKilledRunLeavesNoLock()
    {
        QProcess first;
        first.setWorkingDirectory(dir->path());
        first.start(program(),
                    {"-q", "-o", "-", "-t", "100", "--profile", profile(), url("/slow")});
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains("/slow"), 60000);

        QElapsedTimer timer;
        timer.start();
        const Finished second = run({"--profile", profile(), url("/n/2")});
        QCOMPARE(second.status, 2);
        QCOMPARE(second.errLines.size(), 1);
        QVERIFY2(second.errLines.first().contains("in use by another run"),
                 qPrintable(second.errLines.first()));
        QVERIFY(!server.requests().contains("/n/2"));

        first.kill();
        QVERIFY(first.waitForFinished(30000));
        const Finished third = run({"--profile", profile(), url("/n/3")});
        QCOMPARE(third.status, 0);
        QVERIFY(third.out.contains("<p>3</p>"));
    }

    void profileThatCannotBeUsed_isAUsageError_beforeAnyPageLoads()
    {
        QFile file(dir->filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const Finished onFile = run({"--profile", file.fileName(), url("/n/4")});
        QCOMPARE(onFile.status, 2);
        QCOMPARE(onFile.errLines.size(), 1);
        QVERIFY2(onFile.errLines.first().contains("is not a folder"),
                 qPrintable(onFile.errLines.first()));

        // The superuser writes anywhere.
        if (geteuid() != 0) {
            QVERIFY(QDir().mkdir(profile()));
            QVERIFY(QFile::setPermissions(profile(), QFile::ReadOwner | QFile::ExeOwner));
            const Finished unwritable = run({"--profile", profile(), url("/n/4")});
            QFile::setPermissions(profile(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(unwritable.status, 2);
            QCOMPARE(unwritable.errLines.size(), 1);
        }
        QVERIFY(!server.requests().contains("/n/4"));

        const Finished noProfile = run({"--login", url("/signin")});
        QCOMPARE(noProfile.status, 2);
        QVERIFY(noProfile.errLines.first().contains("--login needs --profile"));
    }

    void login_withoutADisplay_endsWithOneLine()
    {
        // As the tests run: the offscreen platform, no display.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        const qsizetype asked = server.requests().count("/signin");
        const Finished f = run({"--profile", profile(), "--login", url("/signin")}, environment);
        QCOMPARE(f.status, 2);
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines.first().contains("--login needs a display"),
                 qPrintable(f.errLines.first()));
        QCOMPARE(server.requests().count("/signin"), asked);
    }

    // A join shows no window: on a desktop (a display, and a platform named as desktops name it)
    // its engine's processes get no display, and it joins as it does without one.
    void joinWithADisplaySet_runsWithoutIt()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("Xvfb is not installed (scripts/setup-debian.sh installs it)");
        VirtualDisplay display;
        QVERIFY2(!display.name().isEmpty(), "Xvfb did not start");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display.name());
        environment.insert("WAYLAND_DISPLAY", "wayland-vantrel-test");
        const qsizetype asked = server.requests().count("/held");
        QProcess join;
        join.setWorkingDirectory(dir->path());
        join.setProcessEnvironment(environment);
        join.start(program(), {"-q", "-o", "-", url("/held")});
        // The page is asked for: the engine's processes have started, and wait for its answer.
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().count("/held") > asked, 60000);
        const QList<qint64> engine = descendants(join.processId());
        QVERIFY(!engine.isEmpty());
        for (const qint64 pid : engine) {
            QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
            if (!file.open(QIODevice::ReadOnly))
                continue; // ended meanwhile
            const QList<QByteArray> variables = file.readAll().split('\0');
            for (const QByteArray& variable : variables)
                QVERIFY2(!variable.startsWith("DISPLAY=") &&
                             !variable.startsWith("WAYLAND_DISPLAY="),
                         variable.constData());
        }
        QVERIFY(join.waitForFinished(60000));
        QCOMPARE(join.exitCode(), 0);
        QVERIFY(join.readAllStandardOutput().contains("<p>held</p>"));
    }

    void login_inAVirtualDisplay_keepsTheSessionWhenItsWindowCloses_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("its user presses Ctrl+W") << true;
        QTest::newRow("Ctrl+C in its terminal") << false;
    }

    void login_inAVirtualDisplay_keepsTheSessionWhenItsWindowCloses()
    {
        QFETCH(bool, byKeyboard);
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("Xvfb is not installed (scripts/setup-debian.sh installs it)");
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        if (byKeyboard && xdotool.isEmpty())
            QSKIP("xdotool is not installed (scripts/setup-debian.sh installs it)");
        VirtualDisplay display;
        QVERIFY2(!display.name().isEmpty(), "Xvfb did not start");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DISPLAY", display.name());
        const qsizetype stored = server.requests().count("/stored");
        const qsizetype provided = server.requests().count("/provided");
        QProcess login;
        login.setWorkingDirectory(dir->path());
        login.setProcessEnvironment(environment);
        login.start(program(), {"--profile", profile(), "--login", url("/signin")});
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().count("/stored") > stored &&
                                     server.requests().count("/provided") > provided,
                                 60000);
        if (!xdotool.isEmpty()) {
            // Found by its title once it shows, as a user would find it among their windows: a
            // search while the engine makes and drops windows of its own may come back empty or
            // fail, and is made again.
            QByteArray window;
            QTRY_VERIFY_WITH_TIMEOUT(
                !(window = xdotoolOutput(environment, xdotool,
                                         {"search", "--onlyvisible", "--name",
                                          "^Sign in, then close this window"}))
                     .isEmpty(),
                60000);
            window = window.split('\n').value(0);
            if (byKeyboard) {
                // Pressed again while the window stays, as a user would when a key went unseen.
                const auto closed = [&] {
                    return login.state() == QProcess::NotRunning || login.waitForFinished(2000);
                };
                QTRY_VERIFY_WITH_TIMEOUT(
                    closed() || (xdotoolOutput(environment, xdotool,
                                               {"windowfocus", "--sync", window, "key", "ctrl+w"}),
                                 closed()),
                    60000);
            }
        }
        if (!byKeyboard)
            QCOMPARE(::kill(pid_t(login.processId()), SIGINT), 0);
        QVERIFY(login.state() == QProcess::NotRunning || login.waitForFinished(60000));
        QCOMPARE(login.exitStatus(), QProcess::NormalExit);
        QCOMPARE(login.exitCode(), 0);

        const Finished members = run({"--profile", profile(), url("/members")});
        QVERIFY2(members.out.contains("cookie:session=yes; provider=ok local:m1"),
                 qPrintable(QString::number(members.status) + ' ' + members.out + ' ' +
                            members.errLines.join('\n')));
    }

private:
    TestHttpServer server{routes};
    std::unique_ptr<QTemporaryDir> dir;
};

VANTREL_ENGINE_TEST_MAIN(TestProfileCommand)
#include "tst_profilecommand.moc"
