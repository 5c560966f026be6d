// vantrel-join through the real executable, against pages served on 127.0.0.1. The join itself is
// tested through the window; these check what the command adds: its arguments, its streams, its
// exit statuses, pages side by side, and the window's bytes.
#include "app/form1.h"
#include "commandrun.h"
#include "formfixture.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using Response = TestHttpServer::Response;

namespace {
const QByteArrayList trickyBodies = {
    "<body><div><p>open<b>bold<i>both<table><tr><td>cell",
    "<body><p>paragraph<table><tr><td>table in a paragraph</table>after</p>",
    // A form inside a form exists only when a script makes it.
    "<body><form id=outer><input name=a></form><script>document.getElementById('outer')"
    ".appendChild(document.createElement('form')).innerHTML = '<input name=b>';</script>",
    "<body><template><tr><td>in a template</template><noscript><p>no script</p></noscript>",
    "<body><svg><style><![CDATA[ p > i { } ]]></style><text>a &lt; b</text></svg>",
    "<body><!-- a comment --><p>&lt;/body&gt; and </body> as text&amp;&nbsp;&copy;&#x1F600;</p>",
    "<body>  \n\t  </body>",
    "<body></body>",
    "<frameset><frame src=about:blank></frameset>",
};

Response routes(const QByteArray& path)
{
    if (path.startsWith("/n/")) // numbered pages
        return TestHttpServer::html("<html><body><p>" + path.mid(3) + "</p></body></html>");
    if (path.startsWith("/slow/")) { // numbered pages that take a while to come
        Response slow = TestHttpServer::html("<html><body><p>" + path.mid(6) + "</p></body></html>");
        slow.delay = std::chrono::milliseconds(300);
        return slow;
    }
    if (path == "/late") {
        Response late = TestHttpServer::html("<html><body><p>late</p></body></html>");
        late.delay = std::chrono::milliseconds(100);
        return late;
    }
    if (path == "/scripted")
        return TestHttpServer::html("<html><body><div id=x>before</div><script>"
                                    "document.getElementById('x').textContent = innerWidth;"
                                    "</script></body></html>");
    if (path == "/cyrillic") // "Привет" in windows-1251
        return TestHttpServer::response(
            200, "text/html; charset=windows-1251",
            "<html><body><p>\xcf\xf0\xe8\xe2\xe5\xf2</p></body></html>");
    if (path == "/download")
        return TestHttpServer::response(200, "application/zip", "PK",
                                        {{"Content-Disposition", "attachment"}});
    if (path == "/svg") // a document without a body
        return TestHttpServer::response(200, "image/svg+xml",
                                        "<svg xmlns='http://www.w3.org/2000/svg'/>");
    if (path.startsWith("/tricky/")) // bodies whose markup parses differently by context
        return TestHttpServer::html(trickyBodies.value(path.mid(8).toInt()));
    if (path == "/links-to-3")
        return TestHttpServer::html(
            "<html><body><p>two</p><a href='/n/3'>to three</a><img src='data:image/png;base64,"
            "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU"
            "5"
            "ErkJggg=='></body></html>");
    if (path == "/restless") // goes on changing after its load, then leaves for another page
        return TestHttpServer::html(
            "<html><head><meta http-equiv=refresh content='0.3; url=/missing'></head><body>"
            "<p>as loaded</p><script>setTimeout(() => document.body.append('changed'), 200)"
            "</script></body></html>");
    if (path == "/hang") // a script that never yields, in the load handler
        return TestHttpServer::html(
            "<html><body onload='while (true) {}'><p>hung</p></body></html>");
    if (path.startsWith("/to-tls/")) // to the same server, through TLS it does not speak
        return TestHttpServer::response(
            302, "text/html", "", {{"Location", "https://127.0.0.1:" + path.mid(8) + "/n/1"}});
    if (path == "/endless") {
        Response r = TestHttpServer::html("<html><body><p>first part</p>");
        r.neverFinish = true;
        return r;
    }
    // Anything else is missing.
    return TestHttpServer::response(404, "text/html",
                                    "<html><body><p>no such page</p></body></html>");
}

QByteArray joined(const QByteArray& bodyMarkup)
{
    return "<html><head></head><body>" + bodyMarkup + "</body></html>\r\n";
}

// What a tool of the PDF reader package prints for a file, or nothing when it cannot run.
QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestJoinCommand : public QObject
{
    Q_OBJECT

private:
    // Runs vantrel-join in the temporary folder, without a display and without the test's platform
    // choice: it has to run headless by itself. set: more of its environment, as NAME=value.
    Finished run(const QStringList& arguments, const QByteArray& input = {},
                 const QStringList& unset = {}, const QStringList& set = {},
                 const QString& standardOutputFile = {}, const QString& program = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name :
             QStringList{"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"} + unset)
            environment.remove(name);
        for (const QString& variable : set)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path());
        if (!standardOutputFile.isEmpty())
            process.setStandardOutputFile(standardOutputFile);
        return runCommand(process, arguments, input, program);
    }

    QString writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return file.fileName();
    }

    QByteArray url(const char* path) const { return server.url(QLatin1String(path)).toUtf8(); }

private slots:
    void init()
    {
        temporary = std::make_unique<QTemporaryDir>();
        dir = QDir(temporary->path());
    }

    void operandsListFilesAndStandardInput_joinInCommandLineOrder()
    {
        // A final line feed and an empty line are no addresses; CR LF ends a line as in the
        // window's list files.
        const QString list = writeFile("list.txt", url("/n/2") + "\r\n\n" + url("/n/3") + "\n");
        const Finished f =
            run({url("/n/1"), "-i", list, "-q", url("/n/4"), "--input=-", "-o", "book.html"},
                url("/n/5") + "\n");
        QCOMPARE(f.errLines, QStringList());
        QCOMPARE(f.status, 0);
        QCOMPARE(readFile(dir.filePath("book.html")),
                 joined("<p>1</p><p>2</p><p>3</p><p>4</p><p>5</p>"));
    }

    void standardOutput_carriesOnlyTheDocument()
    {
        const Finished f = run({"-o", "-", url("/n/1"), url("/n/2")});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.out, joined("<p>1</p><p>2</p>"));
        // Not a terminal: one plain progress line per page.
        QCOMPARE(f.errLines.size(), 2);
        QVERIFY2(f.errLines[1].startsWith("[2/2] 100%") && f.errLines[1].endsWith(url("/n/2")),
                 qPrintable(f.errLines.join('\n')));
        QCOMPARE(dir.entryList(QDir::Files), QStringList());
    }

    void failedPages_areNamedOnceEach_andTheRestIsWritten()
    {
        auto closed = std::make_unique<TestHttpServer>(routes);
        const QByteArray unreachable = closed->url("/gone").toUtf8();
        closed.reset(); // nothing listens there any more
        const QList<QByteArray> addresses = {url("/n/1"),      url("/missing"), unreachable,
                                             url("/download"), url("/svg"),     url("/endless"),
                                             url("/n/7")};
        const QString list = writeFile("list.txt", addresses.toList().join('\n'));
        const Finished f = run({"-q", "-j", "3", "-t", "2", "-i", list});
        QCOMPARE(f.status, 1);
        const QStringList reasons = {"HTTP status 404", "not loaded: net::ERR_CONNECTION_REFUSED",
                                     "a download, not a page", "The page has no body to copy",
                                     "not loaded within 2 s"};
        QCOMPARE(f.errLines.size(), reasons.size());
        for (int i = 0; i < reasons.size(); ++i)
            QCOMPARE(f.errLines[i], QStringLiteral("vantrel-join: page %1 (%2) failed: %3")
                                        .arg(i + 2)
                                        .arg(QString::fromUtf8(addresses[i + 1]), reasons[i]));
        // What the browser showed is copied, as the window copies it.
        const QByteArray file = readFile(dir.filePath("joined.html"));
        QVERIFY2(file.startsWith(joined("<p>1</p><p>no such page</p>").chopped(16)),
                 file.constData());
        QVERIFY(file.contains("ERR_CONNECTION_REFUSED")); // the engine's error page
        QVERIFY(file.endsWith("<p>first part</p><p>7</p></body></html>\r\n"));
    }

    void engineLogLines_reachTheTerminalOnlyWhenAsked_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::newRow("by default") << QStringList();
        QTest::newRow("VANTREL_ENGINE_LOG") << QStringList{"VANTREL_ENGINE_LOG=1"};
    }
    void engineLogLines_reachTheTerminalOnlyWhenAsked()
    {
        QFETCH(QStringList, set);
        const QString address =
            server.url(QStringLiteral("/to-tls/%1").arg(QUrl(server.url("/")).port()));
        const Finished f = run({"-q", "-o", "-", address}, {}, {}, set);
        QCOMPARE(f.status, 1);
        const QString own = QStringLiteral("vantrel-join: page 1 (%1) failed: not loaded: "
                                           "net::ERR_SSL_PROTOCOL_ERROR")
                                .arg(address);
        QVERIFY2(f.errLines.contains(own), qPrintable(f.errLines.join('\n')));
        if (set.isEmpty())
            QCOMPARE(f.errLines, QStringList{own});
        else // the engine's own, such as [pid:tid:time:ERROR:file.cc(line)] handshake failed
            QVERIFY2(f.errLines.size() > 1, qPrintable(f.errLines.join('\n')));
    }

    void standardOutput_receivesEachPageWhileLaterOnesStillLoad()
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QCoreApplication::applicationDirPath() + "/vantrel-join",
                      {"-q", "-t", "20", "-o", "-", url("/n/1"), url("/endless")});
        QTRY_VERIFY_WITH_TIMEOUT(process.peek(1000).contains("<p>1</p>"), 15000);
        // The second page holds its connection open and is still loading.
        QCOMPARE(process.state(), QProcess::Running);
        process.kill();
        process.waitForFinished();
    }

    void outputThatIsStandardOutput_isWrittenInPlace()
    {
        // A shell's >> opens book.html for appending; replacing the file would wipe what it held.
        writeFile("book.html", "kept\n");
        const Finished f =
            run({"-c", QStringLiteral("'%1' -q -o /dev/stdout '%2' >> book.html")
                           .arg(QCoreApplication::applicationDirPath() + "/vantrel-join",
                                server.url("/n/1"))},
                {}, {}, {}, {}, "/bin/sh");
        QCOMPARE(f.status, 0);
        QCOMPARE(readFile(dir.filePath("book.html")), "kept\n" + joined("<p>1</p>"));
    }

    void outputThatIsADevice_isWrittenWithoutAWord()
    {
        const Finished f = run({"-q", "-o", "/dev/null", url("/n/1")});
        QCOMPARE(f.status, 0);
        QVERIFY2(f.errLines.isEmpty(), qPrintable(f.errLines.join('\n')));
    }

    void addressesThatAreNoPages_areRefusedAndTheProcessLives()
    {
        // The engine obeys its own debug addresses: each of these would crash, hang or end the
        // whole program if it were loaded.
        const QStringList hostile = {"chrome://gpucrash",
                                     "chrome://inducebrowsercrashforrealz",
                                     "chrome://uithreadhang",
                                     "chrome://hang",
                                     "chrome://kill",
                                     "chrome://quit",
                                     "CHROME://restart",
                                     "javascript:'<p>ran</p>'",
                                     "view-source:" + server.url("/n/9")};
        const Finished f =
            run(QStringList{"-q", "-t", "5", url("/n/1")} + hostile + QStringList{url("/n/2")});
        QCOMPARE(f.status, 1);
        QCOMPARE(f.errLines.size(), hostile.size());
        for (int i = 0; i < hostile.size(); ++i)
            QVERIFY2(f.errLines[i].startsWith(
                         QStringLiteral("vantrel-join: page %1 (%2) failed: not loaded")
                             .arg(i + 2)
                             .arg(hostile[i])),
                     qPrintable(f.errLines[i]));
        QCOMPARE(readFile(dir.filePath("joined.html")), joined("<p>1</p><p>2</p>"));
    }

    void pageWhoseScriptNeverYields_isNamedWithinItsBound_andTheNextLoadsAfresh()
    {
        QElapsedTimer timer;
        timer.start();
        const Finished f = run({"-q", "-t", "2", url("/hang"), url("/n/2")});
        // Several times the two pages' bounds; a page held for good would take the test's two
        // minutes.
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.status, 1);
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].startsWith("vantrel-join: page 1 (" + url("/hang") + ") failed:"),
                 qPrintable(f.errLines[0]));
        // Same site, so it would have queued behind the hung renderer.
        QVERIFY(readFile(dir.filePath("joined.html")).endsWith("<p>2</p></body></html>\r\n"));
    }

    void pageWaitingForItsTurn_isCopiedAndReportedAsItWasWhenItLoaded()
    {
        // The first page keeps the second one waiting for two seconds.
        const Finished f =
            run({"-q", "-j", "2", "-t", "2", "-o", "-", url("/endless"), url("/restless")});
        QCOMPARE(f.status, 1);
        QCOMPARE(f.errLines.size(), 1); // the first page's bound; not the 404 the second left for
        QVERIFY2(f.out.endsWith("<p>as loaded</p><script>setTimeout(() => document.body.append("
                                "'changed'), 200)</script></body></html>\r\n"),
                 f.out.constData());
    }

    void pdf_startsEachPageOnASheetOfItsOwn_withLinksBetweenThemInside()
    {
        const QStringList pages = {server.url("/n/1"), server.url("/links-to-3"),
                                   server.url("/n/3")};
        const Finished f = run(
            QStringList{"-q", "--page-size", "letter", "--landscape", "-o", "book.pdf"} + pages);
        QCOMPARE(f.status, 0);
        QVERIFY2(f.errLines.isEmpty(), qPrintable(f.errLines.join('\n'))); // its image was ready
        const QString pdf = dir.filePath("book.pdf");
        const QByteArray info = toolOutput("pdfinfo", {pdf});
        QVERIFY2(info.contains("792 x 612 pts (letter)") && info.contains("Pages:           3"),
                 info.constData());
        for (int sheet = 1; sheet <= 3; ++sheet) {
            // Each section begins with its source address, at the top of its sheet.
            const QByteArray text = toolOutput("pdftotext", {"-f", QString::number(sheet), "-l",
                                                             QString::number(sheet), pdf, "-"});
            QVERIFY2(text.trimmed().startsWith(pages[sheet - 1].toUtf8()), text.constData());
        }
        // The link on the second sheet goes to the third sheet.
        const QJsonObject json =
            QJsonDocument::fromJson(
                toolOutput("qpdf", {"--json=2", "--json-key=pages", "--json-key=qpdf", pdf}))
                .object();
        const QJsonObject objects = json["qpdf"].toArray()[1].toObject();
        const auto value = [&](const QString& reference) {
            return objects["obj:" + reference].toObject()["value"].toObject();
        };
        QString destination;
        for (const QJsonValue& annotation :
             value(json["pages"].toArray()[1].toObject()["object"].toString())["/Annots"].toArray())
            destination = value(annotation.toString())["/Dest"].toString();
        QVERIFY(!destination.isEmpty());
        QString target;
        for (auto it = objects.begin(); it != objects.end(); ++it)
            if (const QJsonObject names = it.value().toObject()["value"].toObject();
                names.contains(destination))
                target = names[destination].toArray()[0].toString();
        QCOMPARE(target, json["pages"].toArray()[2].toObject()["object"].toString());
    }

    void pdfOnStandardOutput_isThePdfAlone()
    {
        const Finished f = run({"-q", "--format", "pdf", "-o", "-", url("/n/1")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.startsWith("%PDF-"));
        QVERIFY(f.out.trimmed().endsWith("%%EOF"));
    }

    void badCommandLineOrOutput_isFoundBeforeAnyPageLoads_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        const QString page = server.url("/n/1");
        QTest::newRow("unknown option") << QStringList{"--frobnicate", page} << 2;
        QTest::newRow("jobs not a number") << QStringList{"-j", "many", page} << 2;
        QTest::newRow("jobs zero") << QStringList{"-j", "0", page} << 2;
        QTest::newRow("timeout zero") << QStringList{"-t", "0", page} << 2;
        QTest::newRow("no addresses") << QStringList{} << 2;
        QTest::newRow("list of empty lines") << QStringList{"-i", "empty.txt"} << 2;
        QTest::newRow("unreadable list") << QStringList{page, "-i", "no-such-list.txt"} << 2;
        QTest::newRow("missing folder") << QStringList{page, "-o", "no/such/out.html"} << 3;
        QTest::newRow("folder in the file's place") << QStringList{page, "-o", "taken"} << 3;
        QTest::newRow("pdf in a missing folder") << QStringList{page, "-o", "no/such.pdf"} << 3;
        QTest::newRow("unknown format") << QStringList{page, "--format", "docx"} << 2;
        QTest::newRow("unknown sheet") << QStringList{page, "--page-size", "B5"} << 2;
    }
    void badCommandLineOrOutput_isFoundBeforeAnyPageLoads()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        writeFile("empty.txt", "\n\r\n\n");
        QVERIFY(dir.mkdir("taken"));
        const qsizetype requests = server.requests().size();
        const Finished f = run(arguments);
        QCOMPARE(f.status, status);
        QVERIFY(!f.errLines.isEmpty());
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(dir.entryList(QDir::Files), QStringList{"empty.txt"});
    }

    void reportThatCannotBeMadeFinal_leavesTheOldOutputAsItWas()
    {
        const QString output = writeFile("book.html", "old");
        QVERIFY(dir.mkdir("reports"));
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QCoreApplication::applicationDirPath() + "/vantrel-join",
                      {"-q", "-t", "3", "-o", output, "--report", "reports/report.json",
                       url("/n/1"), url("/endless")});
        // The report's folder goes while the pages load: it can be written, not put in place.
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains("/endless"), 15000);
        QVERIFY(QDir(dir.filePath("reports")).removeRecursively());
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 3);
        QCOMPARE(readFile(output), "old");
    }

    void sandboxOnAsRoot_exitsFourAndSaysWhatToDo()
    {
#ifdef Q_OS_UNIX
        if (geteuid() != 0)
#endif
            QSKIP("only root has the engine refuse to start");
        const qsizetype requests = server.requests().size();
        const Finished f =
            run({url("/n/1")}, {}, {"QTWEBENGINE_DISABLE_SANDBOX", "QTWEBENGINE_CHROMIUM_FLAGS"});
        QCOMPARE(f.status, 4);
        QVERIFY(f.errLines.join('\n').contains("QTWEBENGINE_DISABLE_SANDBOX=1"));
        QCOMPARE(server.requests().size(), requests);
    }

    void helpOrVersionIntoAFullDevice_fails_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("status");
        QTest::newRow("help") << "--help" << 2;
        QTest::newRow("version") << "--version" << 3;
    }
    void helpOrVersionIntoAFullDevice_fails()
    {
        QFETCH(QString, option);
        QFETCH(int, status);
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no full device here");
        const Finished f = run({option}, {}, {}, {}, "/dev/full");
        QCOMPARE(f.status, status);
        QCOMPARE(f.errLines.size(), 1);
    }

    void engineStartProblems_endInOneLineOrAreGoneRoundHeadless_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<int>("status");
        // A display that does not answer is the case without one.
        QTest::newRow("stale display") << QStringList{"DISPLAY=:4242"} << 0;
        QTest::newRow("engine process missing")
            << QStringList{"QTWEBENGINEPROCESS_PATH=/nonexistent/QtWebEngineProcess"} << 4;
    }
    void engineStartProblems_endInOneLineOrAreGoneRoundHeadless()
    {
        QFETCH(QStringList, set);
        QFETCH(int, status);
        const qsizetype requests = server.requests().size();
        const Finished f = run({"-q", url("/n/1"), "-o", "-"}, {}, {}, set);
        QCOMPARE(f.status, status);
        if (status == 0) {
            QVERIFY2(f.errLines.isEmpty(), qPrintable(f.errLines.join('\n')));
            QCOMPARE(f.out, joined("<p>1</p>"));
            return;
        }
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].startsWith("vantrel-join: the browser engine cannot start: "),
                 qPrintable(f.errLines[0]));
        QCOMPARE(server.requests().size(), requests);
    }

#ifdef Q_OS_UNIX
    void namesNotUtf8_areKept_andSuchAnAddressFailsAlone()
    {
        // Bytes that are not UTF-8 reach the program only through a shell; Qt can neither read
        // nor remove such names.
        const QByteArray folder = QFile::encodeName(dir.path());
        const auto remove = qScopeGuard([&] {
            ::unlink(folder + "/list\xe9");
            ::unlink(folder + "/out\xe9.html");
            ::unlink(folder + "/report\xe9.json");
            ::unlink(folder + "/cookies\xe9");
        });
        const QByteArray bad = url("/n/2") + "\xe9";
        writeFile("list", url("/n/1") + "\n" + bad + "\n" + url("/n/3") + "\n");
        writeFile("cookies", "127.0.0.1\tFALSE\t/\tFALSE\t0\tname\tvalue\n");
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        shell.setProcessEnvironment(environment);
        QSignalSpy finished(&shell, &QProcess::finished);
        shell.start("/bin/sh",
                    {"-c",
                     "e=$(printf '\\351') && mv list list$e && mv cookies cookies$e && exec \"$0\" "
                     "-q -i list$e -o out$e.html --report report$e.json --cookies cookies$e",
                     QCoreApplication::applicationDirPath() + "/vantrel-join"});
        QVERIFY(finished.wait(120000));
        const QStringList errLines =
            QString::fromUtf8(shell.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QFile out;
        const int fd = ::open(folder + "/out\xe9.html", O_RDONLY);
        QVERIFY2(fd >= 0 && out.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle),
                 qPrintable(errLines.join('\n')));
        const QByteArray content = out.readAll();
        QVERIFY(content.startsWith(joined("<p>1</p>").chopped(16)));
        QVERIFY(content.endsWith("<p>3</p></body></html>\r\n"));
        QCOMPARE(shell.exitCode(), 1);
        QCOMPARE(errLines, QStringList{QStringLiteral("vantrel-join: page 2 (%1\\xE9) failed: "
                                                      "the address is not valid UTF-8")
                                           .arg(url("/n/2"))});
        QCOMPARE(content, joined("<p>1</p><p>3</p>"));
        QCOMPARE(server.header("/n/3", "Cookie"), "name=value");
        QFile report;
        const int reportFd = ::open(folder + "/report\xe9.json", O_RDONLY);
        QVERIFY(reportFd >= 0 &&
                report.open(reportFd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(QJsonDocument::fromJson(report.readAll())["totals"]["ok"].toInt(), 2);
    }
#endif

    void longRunOfOneSite_keepsEveryPageWhileItsRenderersAreRenewed_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QByteArray>("pages");
        QTest::addColumn<QString>("settle");
        QTest::addColumn<int>("count");
        QTest::newRow("a renderer each") << QStringList() << QByteArray("/n/") << "100" << 110;
        // At the engine's limit both site browsers share one renderer, which neither may end:
        // with pages slow to come, the other browser is loading one in it whenever one's renderer
        // is due, twice for each.
        QTest::newRow("one renderer for both")
            << QStringList{"QTWEBENGINE_CHROMIUM_FLAGS=--renderer-process-limit=1"}
            << QByteArray("/slow/") << "20" << 210;
    }
    void longRunOfOneSite_keepsEveryPageWhileItsRenderersAreRenewed()
    {
        QFETCH(QStringList, set);
        QFETCH(QByteArray, pages);
        QFETCH(QString, settle);
        QFETCH(int, count);
        // Each page is open a while before its copy, and the later first page puts the two
        // browsers half a page apart: one has a page open whenever the other renews its renderer.
        QByteArray list = url("/late") + "\n", bodies = "<p>late</p>";
        for (int i = 1; i <= count; ++i) {
            list += url(pages.constData()) + QByteArray::number(i) + "\n";
            bodies += "<p>" + QByteArray::number(i) + "</p>";
        }
        const Finished f =
            run({"-q", "-j", "2", "--settle", settle, "-i", writeFile("list.txt", list), "-o", "-"},
                {}, {}, set);
        QVERIFY2(f.errLines.isEmpty(), qPrintable(f.errLines.join('\n')));
        QCOMPARE(f.status, 0);
        QCOMPARE(f.out, joined(bodies));
    }

    void fourJobs_writeTheSameBytesAsOneJobAndAsTheWindow()
    {
        QStringList addresses;
        for (const char* path : {"/n/1", "/scripted", "/cyrillic", "/missing", "/n/5"})
            addresses << server.url(QLatin1String(path));
        for (int i = 0; i < trickyBodies.size(); ++i)
            addresses << server.url(QStringLiteral("/tricky/%1").arg(i));
        const QString list = writeFile("list.txt", addresses.join('\n').toUtf8());
        run({"-q", "-i", list, "-o", "one.html"});
        run({"-q", "-j", "4", "-i", list, "-o", "four.html"});

        FormFixture fixture;
        Form1& form = fixture.create();
        form.urlList().appendMany(addresses);
        form.Text2->setText(dir.path());
        form.PushButton2_Click();

        const QByteArray one = readFile(dir.filePath("one.html"));
        QVERIFY(one.contains("<div id=\"x\">1280</div>"));
        QVERIFY(one.contains("<noscript><p>no script</p></noscript>")); // parsed without scripts
        QCOMPARE(readFile(dir.filePath("four.html")), one);
        QCOMPARE(readFile(dir.filePath("joined.html")), one);
    }

private:
    TestHttpServer server{routes};
    std::unique_ptr<QTemporaryDir> temporary;
    QDir dir;
};

VANTREL_ENGINE_TEST_MAIN(TestJoinCommand)
#include "tst_joincommand.moc"
