// "Start Joining" end to end: the real window, the real browser engine, pages served on 127.0.0.1.
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "formfixture.h"
#include "join/engine/enginecheck.h"
#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "join/window/joineddocument.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QStringDecoder>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>

#include <csignal>

using Response = TestHttpServer::Response;

namespace {
Response routes(const QByteArray& path)
{
    if (path == "/a")
        return TestHttpServer::html(
            "<html><head><title>A</title></head><body><p>alpha</p></body></html>");
    if (path == "/b")
        return TestHttpServer::html("<html><body><h1>beta</h1>\n<p>two</p></body></html>");
    if (path == "/scripted")
        return TestHttpServer::html(
            "<html><body><div id=x>before</div>"
            "<script>document.getElementById('x').textContent = 'changed by script';</script>"
            "</body></html>");
    if (path == "/viewport")
        return TestHttpServer::html(
            "<html><body><p id=v></p><script>document.getElementById('v').textContent = "
            "innerWidth + 'x' + innerHeight;</script></body></html>");
    if (path == "/cyrillic") // "Привет, мир" in windows-1251
        return TestHttpServer::response(
            200, "text/html; charset=windows-1251",
            "<html><body><p>\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0</p></body></html>");
    if (path == "/missing")
        return TestHttpServer::response(404, "text/html",
                                        "<html><body><p>no such page</p></body></html>");
    if (path == "/moved")
        return TestHttpServer::response(302, "text/html", {}, {{"Location", "/b"}});
    if (path == "/download")
        return TestHttpServer::response(200, "application/octet-stream", QByteArray(2000, 'x'),
                                        {{"Content-Disposition", "attachment; filename=file.bin"}});
    if (path == "/svg")
        return TestHttpServer::response(
            200, "image/svg+xml",
            "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>");
    if (path == "/frame-built")
        // Content made in an animation frame; the frame that never finishes loading holds the
        // load open until then.
        return TestHttpServer::html(
            "<html><body><iframe id=f src='/endless'></iframe><script>"
            "requestAnimationFrame(function () { document.getElementById('f').remove();"
            "  document.body.insertAdjacentHTML('beforeend', '<p>built in a frame, ' +"
            "  document.visibilityState + '</p>'); });"
            "</script></body></html>");
    if (path == "/endless") {
        Response r = TestHttpServer::html("<html><body><p>first part</p>");
        r.neverFinish = true;
        return r;
    }
    if (path == "/big") {
        QByteArray body = "<html><body>";
        const QByteArray line = "<p>lorem ipsum dolor sit amet 0123456789</p>";
        while (body.size() < 5 * 1024 * 1024)
            body += line;
        return TestHttpServer::html(body + "<p id=end>the end</p></body></html>");
    }
    if (path == "/traps")
        // Markup that would reach the server again if the joined document ever ran or fetched
        // anything: the noscript image loads only where scripting is off, the script and handler
        // only act outside a web address.
        return TestHttpServer::html(
            "<html><body><p>traps</p>"
            "<noscript><img src='/leak-noscript.png'></noscript>"
            "<script>if (location.protocol !== 'http:') new Image().src = '/leak-script';</script>"
            "<img src='/missing.png' onerror=\"if (location.protocol !== 'http:') new "
            "Image().src = location.origin + '/leak-handler';\">"
            "</body></html>");
    return TestHttpServer::html("<html><body>fallback</body></html>");
}

// Runs an action once, as soon as the progress bar shows a page (or the given one) being processed.
void whileProcessing(QObject* context, ProgressBar* bar, std::function<void()> action,
                     const QString& address = {})
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, bar, action, address] {
        if (bar->text().startsWith(QStringLiteral("Processing: ") + address)) {
            poll->deleteLater();
            poll->stop();
            action();
        }
    });
    poll->start(1);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The page of a browser control.
QWebEnginePage* pageOf(QWidget* browser)
{
    return browser->findChild<QWebEnginePage*>(QString(), Qt::FindDirectChildrenOnly);
}

// Ends the process that renders a browser control's page, as a crash or the system would.
void killRenderer(QWidget* browser)
{
    const qint64 pid = pageOf(browser)->renderProcessPid();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
}
} // namespace

class TestJoinRun : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<FormFixture>();
        form = &f->create();
        form->JoinPageBound = std::chrono::seconds(20);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QVERIFY(QDir(f->dir.path()).mkpath(QStringLiteral("out")));
        outFolder =
            QDir::toNativeSeparators(f->dir.filePath(QStringLiteral("out"))) + QDir::separator();
        form->Text2->setText(outFolder);
    }
    void cleanup() { f.reset(); }

    // ---- Refusals

    void emptyList_isRefusedBeforeAMissingFolder()
    {
        form->Text2->setText(QStringLiteral("/no/such/folder/"));
        form->PushButton2_Click();
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("No files added.")});
        QCOMPARE(f->dialogs.shown[0].title, QStringLiteral("Vantrel"));
        QVERIFY(!form->IsJoining);
    }

    void unusableFolder_isRefusedWithoutTouchingAnything()
    {
        form->urlList().append(server.url(QStringLiteral("/a")));
        QFile plainFile(f->dir.filePath(QStringLiteral("a-file")));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        plainFile.close();
        for (const QString& folder :
             {QString(), QStringLiteral("/no/such/folder/"), plainFile.fileName()}) {
            form->Text2->setText(folder);
            form->PushButton2_Click();
        }
        QCOMPARE(
            f->dialogs.messages(),
            QStringList(3, QStringLiteral("Folder does not exist. Please select another folder.")));
        QCOMPARE(form->pointerShape(), PointerShape::Default);
        QCOMPARE(form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(!form->WebBrowser2->engineStarted());
    }

    void engineStartCheck_data()
    {
        QTest::addColumn<long>("uid");
        QTest::addColumn<bool>("variableSet");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<bool>("refused");
        QTest::newRow("ordinary user") << 1000L << false << QString() << false;
        QTest::newRow("no user id (Windows)") << -1L << false << QString() << false;
        QTest::newRow("root") << 0L << false << QString() << true;
        QTest::newRow("root, other flags") << 0L << false << "--no-sandboxes --x" << true;
        QTest::newRow("root, variable set") << 0L << true << QString() << false;
        QTest::newRow("root, --no-sandbox") << 0L << false << "--a  --no-sandbox" << false;
    }
    void engineStartCheck()
    {
        QFETCH(long, uid);
        QFETCH(bool, variableSet);
        QFETCH(QString, flags);
        QFETCH(bool, refused);
        QCOMPARE(join::browserEngineStartProblem({uid, variableSet, flags}).isEmpty(), !refused);
    }

    void engineThatCannotStart_isReportedOnceAndTheWindowStays()
    {
        join::overrideEngineStartFacts(join::EngineStartFacts{0, false, QString()});
        const auto restore = qScopeGuard([] { join::overrideEngineStartFacts(std::nullopt); });
        form->urlList().appendMany({server.url("/a"), server.url("/b")});
        form->PushButton2_Click();
        const QStringList messages = f->dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("The browser engine cannot run as root")) &&
                     messages[0].contains(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX=1")) &&
                     messages[0].contains(QStringLiteral("PushButton2_Click at line 102\r\r")),
                 qPrintable(messages[0]));
        QVERIFY(!form->WebBrowser1->engineStarted());
        QVERIFY(!form->WebBrowser2->engineStarted());
        QCOMPARE(form->pointerShape(), PointerShape::Default);
        QCOMPARE(form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(form->urlList().count(), 2);
        QVERIFY(form->isVisible() && !form->IsJoining);
    }

    // ---- The joined file

    void pages_areJoinedInListOrderWithNothingBetween()
    {
        form->urlList().appendMany({server.url("/a"), server.url("/b"), server.url("/a")});
        form->PushButton2_Click();

        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
        const QByteArray file = readFile(outFolder + "joined.html");
        QCOMPARE(file, QByteArray("<html><head></head><body><p>alpha</p><h1>beta</h1>\n<p>two</p>"
                                  "<p>alpha</p></body></html>\r\n"));
        QCOMPARE(form->pointerShape(), PointerShape::Default);
        QCOMPARE(form->ProgressBar1->progressValue(), 0.0);
        QCOMPARE(form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(!form->IsJoining);
    }

    void secondRun_holdsOnlyItsOwnPages()
    {
        form->urlList().append(server.url("/a"));
        form->PushButton2_Click();
        form->urlList().clear();
        form->urlList().append(server.url("/b"));
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY(file.contains("beta"));
        QVERIFY(!file.contains("alpha"));
    }

    void folderWithoutTrailingSeparator_getsTheSameFile()
    {
        form->urlList().append(server.url("/a"));
        form->Text2->setText(outFolder.chopped(1));
        form->PushButton2_Click();
        QVERIFY(QFile::exists(outFolder + "joined.html"));
    }

    void scriptsCharsetsAndViewport_comeOutAsADesktopBrowserShowsThem()
    {
        form->urlList().appendMany(
            {server.url("/scripted"), server.url("/cyrillic"), server.url("/viewport")});
        form->PushButton2_Click();
        const QString text = QString::fromUtf8(readFile(outFolder + "joined.html"));
        // Scripts that size the page to the window see a desktop window.
        QVERIFY(text.contains(QStringLiteral("<p id=\"v\">1280x720</p>")));
        QVERIFY(text.contains(QStringLiteral("<div id=\"x\">changed by script</div>")));
        QVERIFY(text.contains(QStringLiteral("<p>Привет, мир</p>")));
    }

    void copiedMarkup_neverRunsOrFetchesAnything()
    {
        form->urlList().append(server.url("/traps"));
        form->PushButton2_Click();
        QVERIFY(readFile(outFolder + "joined.html").contains("leak-noscript.png"));
        // Give anything the joined document might have started a moment to arrive.
        QTest::qWait(300);
        for (const QString& request : server.requests())
            QVERIFY2(!request.contains(QLatin1String("leak")), qPrintable(request));
    }

    void failedLoads_copyWhatTheBrowserShows()
    {
        auto closed = std::make_unique<TestHttpServer>(routes);
        const QString unreachable = closed->url("/gone");
        closed.reset(); // nothing listens there any more
        form->urlList().appendMany({server.url("/missing"), server.url("/moved"), unreachable});
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY(file.contains("<p>no such page</p><h1>beta</h1>"));
        // The engine's own error page follows, copied like any page.
        QVERIFY(file.size() >
                QByteArray("<p>no such page</p><h1>beta</h1>\n<p>two</p>").size() + 200);
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
    }

    void downloadOrBodylessDocument_isReportedAndContributesNothing()
    {
        form->urlList().appendMany(
            {server.url("/a"), server.url("/download"), server.url("/svg"), server.url("/b")});
        form->PushButton2_Click();
        const QStringList messages = f->dialogs.messages();
        QCOMPARE(messages.size(), 3);
        for (int i : {0, 1})
            QVERIFY2(messages[i].contains(QStringLiteral(
                         "in Quillmere2021/08/31.Form1.PushButton2_Click at line 115\r\r")),
                     qPrintable(messages[i]));
        QCOMPARE(messages[2], QStringLiteral("Done."));
        QCOMPARE(readFile(outFolder + "joined.html"),
                 QByteArray("<html><head></head><body><p>alpha</p><h1>beta</h1>\n<p>two</p>"
                            "</body></html>\r\n"));
    }

    void downloadAsFirstAddress_isReportedToo()
    {
        form->urlList().appendMany({server.url("/download"), server.url("/b")});
        form->PushButton2_Click();
        QCOMPARE(f->dialogs.messages().size(), 2);
        QVERIFY(f->dialogs.messages()[0].contains(QStringLiteral("at line 115\r\r")));
        QVERIFY(readFile(outFolder + "joined.html").contains("<body><h1>beta</h1>"));
    }

    void pageStillLoadingAtTheBound_isStoppedAndCopiedAsItStands()
    {
        form->JoinPageBound = std::chrono::milliseconds(1500);
        form->urlList().appendMany({server.url("/endless"), server.url("/a")});
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY2(file.contains("<p>first part</p>"), file.constData());
        QVERIFY(file.contains("<p>alpha</p>"));
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
    }

    void bigPage_isCopiedWhole()
    {
        form->urlList().append(server.url("/big"));
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY(file.size() > 5 * 1024 * 1024);
        QVERIFY(file.endsWith("<p id=\"end\">the end</p></body></html>\r\n"));
    }

    void localFile_isJoinedAndShownByItsName()
    {
        const QString page = f->dir.filePath(QStringLiteral("local page.html"));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><p>from disk</p></body></html>");
        file.close();
        form->urlList().append(QDir::toNativeSeparators(page));
        QString shownWhileLoading;
        whileProcessing(this, form->ProgressBar1,
                        [&] { shownWhileLoading = form->ProgressBar1->text(); });
        form->PushButton2_Click();
        QVERIFY(readFile(outFolder + "joined.html").contains("<p>from disk</p>"));
        QCOMPARE(shownWhileLoading, QStringLiteral("Processing: local page.html"));
    }

    void localPage_cannotReadOtherLocalFiles()
    {
        // Written as a stylesheet, so that a page linking it as one could read it back as rules.
        QVERIFY(writeFile(f->dir.filePath(QStringLiteral("secret.txt")),
                          "p { content: 'SECRET-CONTENT' }"));
        const QString page = f->dir.filePath(QStringLiteral("reader.html"));
        QVERIFY(writeFile(
            page, "<html><head><link rel=stylesheet href=secret.txt></head><body><p>reader</p>"
                  "<p id=x></p><script>"
                  "const show = text => document.body.append(text);"
                  "try { var r = new XMLHttpRequest(); r.open('GET', 'secret.txt', false);"
                  "  r.send(); document.getElementById('x').textContent = r.responseText;"
                  "} catch (e) {}"
                  "fetch('secret.txt').then(r => r.text()).then(show, () => {});"
                  // A script waits for the stylesheets before it.
                  "for (const sheet of document.styleSheets)"
                  "  try { for (const rule of sheet.cssRules) show(rule.cssText) } catch (e) {}"
                  "</script><iframe src='secret.txt' onload=\"try {"
                  "  document.body.append(this.contentDocument.body.textContent) } catch (e) {}\">"
                  "</iframe></body></html>"));
        // A page whose script leads it to the file.
        const QString leading = f->dir.filePath(QStringLiteral("leading.html"));
        QVERIFY(writeFile(leading, "<html><body><p>leading</p><script>"
                                   "location.href = 'secret.txt'</script></body></html>"));
        form->urlList().appendMany({page, leading});
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY(file.contains("<p>reader</p>"));
        QVERIFY2(!file.contains("SECRET-CONTENT"), file.constData());
    }

    void bareWord_isAWebAddressEvenWithSuchAFileInTheCurrentFolder()
    {
        // A bare host and port, named like a file in the folder the program was started from.
        const QString address = server.url(QString()).mid(int(strlen("http://")));
        QVERIFY(writeFile(f->dir.filePath(address), "<html><body><p>current folder</p></body>"));
        const QString startFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(f->dir.path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(startFolder); });
        form->urlList().append(address);
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY2(file.contains("<body>fallback</body>"), file.constData());
    }

    void newFragmentOnTheEnginesFormOfTheAddress_loadsWithoutWaitingOutTheBound()
    {
        form->JoinPageBound = std::chrono::seconds(120);
        form->urlList().appendMany({server.url("/"), server.url("#part")});
        QElapsedTimer timer;
        timer.start();
        form->PushButton2_Click();
        // Waiting for the fragment's load would take the whole bound.
        QVERIFY2(timer.elapsed() < form->JoinPageBound.count() / 2,
                 qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(readFile(outFolder + "joined.html"),
                 QByteArray("<html><head></head><body>fallbackfallback</body></html>\r\n"));
    }

    void scriptAddress_loadsAndRunsNothing()
    {
        form->urlList().appendMany(
            {server.url("/a"),
             QStringLiteral("javascript:new Image().src = '/script-ran'; '<p>injected</p>'"),
             // Would take the whole window down if it were loaded.
             QStringLiteral("chrome://gpucrash"), server.url("/b")});
        form->PushButton2_Click();
        QTest::qWait(300);
        QVERIFY(!server.requests().contains(QStringLiteral("/script-ran")));
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY2(!file.contains("injected"), file.constData());
        QVERIFY(file.contains("<p>alpha</p><h1>beta</h1>"));
    }

    void pageBuiltInAnAnimationFrame_isCopiedAsAVisiblePageShowsIt()
    {
        form->JoinPageBound = std::chrono::seconds(4);
        form->urlList().append(server.url("/frame-built"));
        form->PushButton2_Click();
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY2(file.contains("<p>built in a frame, visible</p>"), file.constData());
        // Visible to the page only: Tab still goes round the window's own controls.
        QVERIFY(pageOf(form->WebBrowser2)->isVisible());
        form->PushButton10->setFocus();
        QTest::keyClick(form->PushButton10, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->ListView1);
        // Once the run is over the page goes to the background, where it draws nothing.
        QTRY_VERIFY(!pageOf(form->WebBrowser2)->isVisible());
    }

    void siteBrowserWithoutAWindow_showsPagesAVisiblePageToo()
    {
        SiteBrowser site; // as the command line has it
        site.navigate(server.url("/frame-built"));
        site.waitUntilComplete(std::chrono::seconds(4));
        const QString markup =
            join::PageCopy::bodyMarkup().copyFrom(site, 1, std::chrono::seconds(4));
        QVERIFY2(markup.contains("<p>built in a frame, visible</p>"), qPrintable(markup));
    }

    // ---- Renderers that end

    void siteRendererThatEnds_isReportedWithItsAddressAtOnce()
    {
        form->JoinPageBound = join::PageLoadBound;
        const QString endless = server.url("/endless");
        form->urlList().appendMany({endless, server.url("/a")});
        QTimer killer;
        connect(&killer, &QTimer::timeout, this, [&] {
            // Once the page has started to show: its address is the page's and its renderer's
            // process is known (a renderer that is still starting has none yet).
            const QWebEnginePage* page = pageOf(form->WebBrowser2);
            if (page && server.requests().contains(QStringLiteral("/endless")) &&
                page->url() == QUrl(endless) && page->renderProcessPid() > 0) {
                killer.stop();
                killRenderer(form->WebBrowser2);
            }
        });
        killer.start(10);
        QElapsedTimer timer;
        timer.start();
        form->PushButton2_Click();
        // Told when the renderer ends, not when the page's bound runs out: the bound, not a
        // speed a busy machine may not have, is the measure.
        QVERIFY2(timer.elapsed() < form->JoinPageBound.count(),
                 qPrintable(QString::number(timer.elapsed())));
        const QStringList messages = f->dialogs.messages();
        QCOMPARE(messages.size(), 2);
        const QString report =
            endless + " could not be copied: the browser process that rendered it was killed";
        QVERIFY2(messages[0].startsWith(report) && messages[0].contains("at line 115\r\r"),
                 qPrintable(messages[0]));
        QCOMPARE(messages[1], QStringLiteral("Done."));
        QCOMPARE(readFile(outFolder + "joined.html"),
                 QByteArray("<html><head></head><body><p>alpha</p></body></html>\r\n"));
    }

    void resultRendererThatEnds_stillGivesTheWholeFile()
    {
        form->urlList().appendMany({server.url("/a"), server.url("/b"), server.url("/scripted")});
        int ended = 0;
        whileProcessing(
            this, form->ProgressBar1,
            [&] {
                connect(pageOf(form->WebBrowser1), &QWebEnginePage::renderProcessTerminated, this,
                        [&] { ++ended; });
                killRenderer(form->WebBrowser1);
            },
            server.url("/scripted"));
        form->PushButton2_Click();
        QCOMPARE(ended, 1);
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(readFile(outFolder + "joined.html"),
                 QByteArray("<html><head></head><body><p>alpha</p><h1>beta</h1>\n<p>two</p>"
                            "<div id=\"x\">changed by script</div><script>document."
                            "getElementById('x').textContent = 'changed by script';</script>"
                            "</body></html>\r\n"));
    }

    void resultPage_fetchesNothing()
    {
        form->WebBrowser1->blank();
        form->WebBrowser1->waitUntilComplete(std::chrono::seconds(5));
        // Even asked to by the program itself.
        form->WebBrowser1->evaluate(QStringLiteral("fetch('%1', {mode: 'no-cors'}).catch(() => 0);"
                                                   "location.href = '%2'; true")
                                        .arg(server.url("/leak-fetch"), server.url("/leak-load")),
                                    std::chrono::seconds(5));
        form->WebBrowser1->waitUntilComplete(std::chrono::seconds(5));
        QTest::qWait(300);
        for (const QString& request : server.requests())
            QVERIFY2(!request.contains(QLatin1String("leak")), qPrintable(request));
    }

    // ---- During a run

    void progress_showsTheAddressExactlyAndTheShareDone()
    {
        const QString odd = server.url(QStringLiteral("/a%value%p%m"));
        form->urlList().appendMany({server.url("/a"), odd});
        QStringList texts;
        QList<double> values;
        QTimer probe;
        connect(&probe, &QTimer::timeout, this, [&] {
            if (texts.isEmpty() || texts.last() != form->ProgressBar1->text()) {
                texts << form->ProgressBar1->text();
                values << form->ProgressBar1->progressValue();
            }
        });
        probe.start(1);
        form->PushButton2_Click();
        probe.stop();
        QVERIFY2(texts.contains(QStringLiteral("Processing: ") + odd), qPrintable(texts.join('|')));
        QCOMPARE(values.at(texts.indexOf(QStringLiteral("Processing: ") + odd)), 100.0);
        QCOMPARE(values.at(texts.indexOf(QStringLiteral("Processing: ") + server.url("/a"))), 50.0);
    }

    void duringARun_reentryAndBusyCommandsAreRefused()
    {
        form->urlList().appendMany({server.url("/a"), server.url("/b")});
        f->dialogs.promptAnswers.enqueue(server.url("/scripted"));
        bool ranInside = false;
        whileProcessing(this, form->ProgressBar1, [&] {
            ranInside = true;
            QVERIFY(form->IsJoining);
            QCOMPARE(form->pointerShape(), PointerShape::Hourglass);
            form->PushButton2_Click();                            // ignored
            QTest::mouseClick(form->PushButton8, Qt::LeftButton); // refused: busy
            QTest::mouseClick(form->PushButton1, Qt::LeftButton); // appended, not joined
        });
        form->PushButton2_Click();
        QVERIFY(ranInside);
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(form->urlList().count(), 3);
        const QByteArray file = readFile(outFolder + "joined.html");
        QVERIFY(file.contains("beta"));
        QVERIFY(!file.contains("changed by script"));
    }

    // ---- Writing

    void readOnlyOldFile_isReplacedSilently()
    {
        QFile old(outFolder + "joined.html");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QVERIFY(old.setPermissions(QFileDevice::ReadOwner));
        form->urlList().append(server.url("/a"));
        // Gone before the pages load: a run that ends early leaves no stale file behind.
        bool oldFileThere = true;
        whileProcessing(this, form->ProgressBar1,
                        [&] { oldFileThere = QFile::exists(outFolder + "joined.html"); });
        form->PushButton2_Click();
        QVERIFY(!oldFileThere);
        QVERIFY(readFile(outFolder + "joined.html").contains("alpha"));
        QCOMPARE(f->dialogs.messages(), QStringList{QStringLiteral("Done.")});
    }

    void unwritableFile_isReportedOnceAndNotCalledDone()
    {
        // A folder where the file should go: nothing can replace it, even as root.
        QVERIFY(QDir(outFolder).mkpath(QStringLiteral("joined.html")));
        form->urlList().append(server.url("/a"));
        form->PushButton2_Click();
        const QStringList messages = f->dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("PushButton2_Click at line 117\r\r")));
        QCOMPARE(form->pointerShape(), PointerShape::Default);
        QCOMPARE(form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(!form->IsJoining);
        QCOMPARE(QDir(outFolder).entryList(QDir::Files), QStringList());
    }

    // Last of all: once the application has been told to quit, no later event loop runs here.
    void lastOfAll_aWaitEndsWhenTheApplicationQuits()
    {
        form->WebBrowser2->navigate(server.url("/endless"));
        QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
        QElapsedTimer timer;
        timer.start();
        form->WebBrowser2->waitUntilComplete(std::chrono::seconds(20));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    }

private:
    TestHttpServer server{routes};
    std::unique_ptr<FormFixture> f;
    Form1* form = nullptr;
    QString outFolder;
};

VANTREL_ENGINE_TEST_MAIN(TestJoinRun)
#include "tst_joinrun.moc"
