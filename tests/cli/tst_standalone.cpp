// vantrel-join --standalone through the real executable, against pages made to be hard and served
// on 127.0.0.1, a second port standing for another origin. The joined file is then opened from
// disk in a browser page that reaches nothing but files and data: addresses.
#include "commandrun.h"
#include "pagescript.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

using Response = TestHttpServer::Response;

namespace {
// An address the engine refuses to reach (a port kept from the web), so that it shows its own
// error page without any request leaving.
const QString Unreachable = QStringLiteral("http://127.0.0.1:9/x");

QByteArray png(int side, QRgb colour, bool noise = false)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; noise && y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

Response image(const QByteArray& bytes)
{
    return TestHttpServer::response(200, "image/png", bytes);
}

// Blocks and records every request but those of the file itself and its data: addresses.
class OfflineOnly : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme == QLatin1String("file") || scheme == QLatin1String("data"))
            return;
        requests.append(info.requestUrl().toString());
        info.block(true);
    }
    QStringList requests;
};

// What the checker finds in the joined file, as the browser sees it.
const char* const Survey = R"(
(function () {
    const all = Array.from(document.querySelectorAll('[id]'), e => e.id);
    const byText = {};
    for (const a of document.querySelectorAll('a'))
        byText[a.textContent] = a.getAttribute('href');
    return {
        images: Array.from(document.images, i =>
            (i.id || i.getAttribute('src')) + (i.naturalWidth > 0 ? ' decoded' : ' broken') +
            (i.getAttribute('src').startsWith('data:') ? ' inline' : ' ' + i.getAttribute('src'))),
        repeatedIds: all.filter((id, i) => all.indexOf(id) !== i),
        danglingLinks: Array.from(document.querySelectorAll('[href^="#"]'),
                                  e => e.getAttribute('href'))
            .filter(h => !document.getElementById(decodeURIComponent(h.slice(1)))),
        ran: document.querySelectorAll('script').length + Array.from(document.querySelectorAll('*'))
            .filter(e => Array.from(e.attributes).some(a => a.name.startsWith('on'))).length +
            document.querySelectorAll('[href^="javascript:"]').length,
        sections: Array.from(document.querySelectorAll('body > section'),
                             s => s.id + ' ' + s.dataset.source),
        contents: Array.from(document.querySelectorAll('#contents a'),
                             a => a.getAttribute('href') + ' ' + a.textContent),
        links: byText,
        useTarget: document.querySelector('use').getAttribute('href'),
        labelTarget: document.querySelector('label').htmlFor,
    };
})()
)";

} // namespace

class TestStandalone : public QObject
{
    Q_OBJECT

    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, arguments);
    }

    // Opens the file offline and surveys it; requests tells what it tried to reach.
    QVariantMap surveyOffline(const QString& path, QStringList& requests)
    {
        OfflineOnly offline;
        QWebEngineProfile profile;
        profile.setUrlRequestInterceptor(&offline);
        QVariantMap survey;
        {
            QWebEnginePage page(&profile);
            // Let it try: every address it reaches for is recorded, and blocked.
            page.settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                          true);
            survey =
                scriptResultIn(page, QUrl::fromLocalFile(path), QString::fromUtf8(Survey)).toMap();
            if (survey.isEmpty())
                return {};
        }
        requests = offline.requests;
        return survey;
    }

    QString url(const QString& path) const { return site.url(path); }

    Response route(const QByteArray& path)
    {
        const QByteArray other = elsewhere.url("").toUtf8();
        if (path == "/one")
            return TestHttpServer::html(
                "<html><head><title>First page</title></head><body><h1 id=top>First</h1><p>"
                "<a href=two>two</a> <a href='/dir/../two#part'>two, part</a> "
                "<a href=old#part>old address</a> <a href=/new>new address</a> "
                "<a href=#top>self</a> <a href='" +
                other +
                "/elsewhere'>outside</a> <a href=download>download</a>"
                "<img id=relative src=img/dot.png><img id=rooted src=/img/dot.png>"
                "<img id=set srcset='/img/small.png 1x, /img/large.png 2x'>"
                "<picture><source srcset=/img/large.png><img id=picture src=/img/small.png>"
                "</picture><img id=cross src='" +
                other +
                "/img/cross.png'>"
                "<img id=big src=/img/big.png>"
                "<svg width=20 height=20><defs><circle id=dot r=5 cx=10 cy=10 /></defs>"
                "<use href=#dot /></svg>"
                "<button onclick=\"document.title='clicked'\">press</button>"
                "<a href=\"javascript:document.title='ran'\">script link</a>"
                // Only the page can read an image it made itself.
                "<script>const made = document.createElement('img'); made.id = 'made';"
                "made.src = URL.createObjectURL(new Blob(['<svg xmlns=\"http://www.w3.org/2000/"
                "svg\" width=\"4\" height=\"4\"/>'], {type: 'image/svg+xml'}));"
                "document.body.append(made);</script>"
                "<div style='height: 30000px'></div><img id=lazy loading=lazy src=/img/lazy.png>"
                "</body></html>");
        if (path == "/two")
            return TestHttpServer::html(
                "<html><head><title>Second page</title></head><body><h2 id=part>Part</h2>"
                "<p id=top>the first page's id</p><p id=top>twice in its own page</p>"
                "<label for=top>label</label><a href=one#top>back</a><img src=/img/big.png>"
                "<div style='height: 30000px'></div><img id=lazy loading=lazy src=/img/lazy.png>"
                "</body></html>");
        if (path == "/old")
            return TestHttpServer::response(301, "text/html", "", {{"Location", "/new"}});
        if (path == "/new")
            return TestHttpServer::html("<html><head><title>Third page</title></head><body>"
                                        "<p id=part>third</p></body></html>");
        if (path == "/gone") // failed, though it shows a page with a title and a heading
            return TestHttpServer::response(
                404, "text/html",
                "<html><head><title>Error response</title></head><body><h1>Not here</h1>");
        if (path == "/download") // a listed address that gives no page
            return TestHttpServer::response(200, "application/zip", "PK",
                                            {{"Content-Disposition", "attachment"}});
        if (path == "/img/dot.png" || path == "/img/small.png")
            return image(png(4, qRgb(200, 0, 0)));
        if (path == "/img/large.png" || path == "/img/lazy.png")
            return image(png(8, qRgb(0, 200, 0)));
        if (path == "/img/big.png")
            return image(png(120, 0, true)); // above the limit the test sets
        if (path == "/n/1")
            return TestHttpServer::html("<html><body><p>1</p></body></html>");
        if (path == "/to-new") // where a later page, /old, ends
            return TestHttpServer::html("<html><body><a href=/new>new</a></body></html>");
        if (path == "/data-image")
            return TestHttpServer::html("<html><body><img id=big src='data:image/png;base64," +
                                        png(120, 0, true).toBase64() + "'></body></html>");
        if (path == "/long") // more than a tiny temporary folder holds
            return TestHttpServer::html("<html><body><p>" + QByteArray(300000, 'x') +
                                        "</p></body></html>");
        if (path == "/huge-image")
            return TestHttpServer::html("<html><body><img src=/img/huge.png></body></html>");
        if (path == "/img/huge.png")
            return image(png(200, 0, true));
        if (path == "/endless") {
            Response r = TestHttpServer::html("<html><body><p>first part</p>");
            r.neverFinish = true;
            return r;
        }
        return TestHttpServer::response(404, "text/html", "<html><body>none</body></html>");
    }

private slots:
    void init()
    {
        temporary = std::make_unique<QTemporaryDir>();
        dir = QDir(temporary->path());
    }

    // One run of hard pages, opened offline; the tests below each check one side of it.
    void initTestCase()
    {
        hard.run = run({"--standalone", "--toc", "-q", "-j", "2", "--max-resource", "0.02", "-o",
                        hardDir.filePath("book.html"), url("/one"), url("/two"), url("/old"),
                        url("/download"), url("/gone"), Unreachable});
        hard.survey = surveyOffline(hardDir.filePath("book.html"), hard.requests);
    }

    void hardPages_warnOnceAndFetchEachImageOnce()
    {
        QCOMPARE(hard.run.status, 1);
        // The image over the limit is named once, however many pages show it, and fails nothing.
        QCOMPARE(hard.run.errLines,
                 QStringList({"vantrel-join: warning: " + url("/img/big.png") +
                                  " is left as an address: larger than 0.02 MB",
                              "vantrel-join: page 4 (" + url("/download") +
                                  ") failed: a download, not a page",
                              "vantrel-join: page 5 (" + url("/gone") + ") failed: HTTP status 404",
                              "vantrel-join: page 6 (" + Unreachable +
                                  ") failed: not loaded: net::ERR_UNSAFE_PORT"}));
        // No page loaded it (out of view), and the run fetched it once for both.
        QCOMPARE(site.requests().count("/img/lazy.png"), 1);
        // Another origin's image: by the page, then once from outside, never tried in the page.
        QCOMPARE(elsewhere.requests().count("/img/cross.png"), 2);
    }

    void hardPages_showTheirImagesOffline()
    {
        QVERIFY(!hard.survey.isEmpty());
        const QString big = url("/img/big.png");
        QCOMPARE(hard.survey["images"].toStringList(),
                 QStringList({"p1-relative decoded inline", "p1-rooted decoded inline",
                              "p1-set decoded inline", "p1-picture decoded inline",
                              "p1-cross decoded inline", "p1-big broken " + big,
                              "p1-made decoded inline", "p1-lazy decoded inline",
                              big + " broken " + big, "p2-lazy decoded inline"}));
        // The image left as an address is all the file reaches for.
        QStringList requests = hard.requests;
        requests.removeDuplicates();
        QCOMPARE(requests, QStringList{big});
    }

    void hardPages_keepIdsApartAndRunNothing()
    {
        QVERIFY(!hard.survey.isEmpty());
        QCOMPARE(hard.survey["repeatedIds"].toStringList(), QStringList());
        QCOMPARE(hard.survey["ran"].toInt(), 0);
        QCOMPARE(hard.survey["useTarget"].toString(), "#p1-dot");
        QCOMPARE(hard.survey["labelTarget"].toString(), "p2-top");
    }

    void hardPages_linkToTheirSections()
    {
        QVERIFY(!hard.survey.isEmpty());
        QCOMPARE(hard.survey["danglingLinks"].toStringList(), QStringList());
        const QVariantMap links = hard.survey["links"].toMap();
        QCOMPARE(links["two"].toString(), "#p2");
        QCOMPARE(links["two, part"].toString(), "#p2-part");
        QCOMPARE(links["old address"].toString(), "#p3-part");
        QCOMPARE(links["new address"].toString(), "#p3"); // where page 3 ended
        QCOMPARE(links["self"].toString(), "#p1-top");
        QCOMPARE(links["back"].toString(), "#p1-top");
        QCOMPARE(links["outside"].toString(), elsewhere.url("/elsewhere"));
        QCOMPARE(links["script link"].toString(), QString());
        QCOMPARE(links["download"].toString(), "#p4"); // its section is there, empty
    }

    void hardPages_haveSectionsAndContents()
    {
        QVERIFY(!hard.survey.isEmpty());
        QCOMPARE(
            hard.survey["sections"].toStringList(),
            QStringList({"p1 " + url("/one"), "p2 " + url("/two"), "p3 " + url("/new"),
                         "p4 " + url("/download"), "p5 " + url("/gone"), "p6 " + Unreachable}));
        // A failed page is named by its address, not by the error page it showed.
        QCOMPARE(
            hard.survey["contents"].toStringList(),
            QStringList({"#p1 First page", "#p2 Second page", "#p3 Third page",
                         "#p4 " + url("/download"), "#p5 " + url("/gone"), "#p6 " + Unreachable}));
    }

    void fileWithoutContents_linksToWhereALaterPageEnded()
    {
        const Finished f =
            run({"--standalone", "-q", "-o", "book.html", url("/to-new"), url("/old")});
        QCOMPARE(f.status, 0);
        QFile book(dir.filePath("book.html"));
        QVERIFY(book.open(QIODevice::ReadOnly));
        QVERIFY(book.readAll().contains("<a href=\"#p2\">new</a>"));
    }

    void dataImageOverTheLimit_isLeftOutAndNamed()
    {
        const Finished f =
            run({"--standalone", "-q", "--max-resource", "0.02", "-o", "-", url("/data-image")});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].startsWith("vantrel-join: warning: data:image/png;base64,") &&
                     f.errLines[0].endsWith("is left out: larger than 0.02 MB"),
                 qPrintable(f.errLines[0]));
        QVERIFY(f.out.contains("<img id=\"p1-big\">"));
        QVERIFY(!f.out.contains("data:image/png;base64,"));
    }

    void standardOutput_receivesEachSectionWhileLaterPagesStillLoad()
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QCoreApplication::applicationDirPath() + "/vantrel-join",
                      {"--standalone", "-q", "-t", "20", "-o", "-", url("/n/1"), url("/endless")});
        QTRY_VERIFY_WITH_TIMEOUT(process.peek(1 << 16).contains("<p>1</p></section>"), 15000);
        QCOMPARE(process.state(), QProcess::Running);
        process.kill();
        process.waitForFinished();
    }

    void fullTemporaryFolder_failsTheRunAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("pages kept for the contents") << QStringList{"--toc", url("/long")};
        QTest::newRow("images kept") << QStringList{url("/huge-image")};
    }
    void fullTemporaryFolder_failsTheRunAndKeepsTheOldFile()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(dir.mkdir("tiny"));
        QFile book(dir.filePath("book.html"));
        QVERIFY(book.open(QIODevice::WriteOnly) && book.write("old") == 3);
        book.close();
        // A temporary folder of 64 kB, on a file system of its own where one can be mounted.
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const Finished f = runCommand(
            process,
            QStringList{"-rm", "sh", "-c",
                        "mount -t tmpfs -o size=64k tmpfs tiny || exit 99; TMPDIR=tiny exec \"$@\"",
                        "sh", QCoreApplication::applicationDirPath() + "/vantrel-join", "-q",
                        "--standalone", "-o", "book.html"} +
                arguments,
            {}, QStandardPaths::findExecutable("unshare"));
        if (f.status == 99 || (f.status == 1 && f.errLines.value(0).startsWith("unshare:")))
            QSKIP("no file system of its own can be mounted here");
        QCOMPARE(f.status, 3);
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].contains("temporary file: No space left on device"),
                 qPrintable(f.errLines[0]));
        QVERIFY(book.open(QIODevice::ReadOnly));
        QCOMPARE(book.readAll(), "old");
    }

    void localPage_inlinesFilesBesideIt_andNoOtherFiles()
    {
        // "saved-other" starts like "saved": only a whole folder name is inside.
        QVERIFY(dir.mkpath("saved/page_files") && dir.mkpath("saved-other"));
        for (const char* path : {"saved/page_files/beside.png", "saved-other/private.png"}) {
            QFile file(dir.filePath(path));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(png(4, qRgb(9, 9, 9))) > 0);
        }
        QFile page(dir.filePath("saved/page.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body><img src=page_files/beside.png><img src=../saved-other/private.png>"
                   "</body></html>");
        page.close();

        const Finished f = run({"--standalone", "-q", "-o", "-", page.fileName()});
        QCOMPARE(f.status, 0);
        const QString outside =
            QUrl::fromLocalFile(dir.filePath("saved-other/private.png")).toString();
        QCOMPARE(f.errLines, QStringList{"vantrel-join: warning: " + outside +
                                         " is left as an address: outside the folder of the page "
                                         "that shows it"});
        QVERIFY(f.out.contains("<img src=\"data:image/png;base64,"));
        QVERIFY(f.out.contains("<img src=\"" + outside.toUtf8() + "\">"));
    }

    void badStandaloneOptions_areUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString page = url("/n/1");
        QTest::newRow("--toc alone") << QStringList{"--toc", page};
        QTest::newRow("--max-resource alone") << QStringList{"--max-resource", "5", page};
        QTest::newRow("no limit") << QStringList{"--standalone", "--max-resource", "0", page};
        // The value is no address.
        QTest::newRow("only a limit") << QStringList{"--standalone", "--max-resource", "1"};
        // The faithful copy has no look of its own to keep plain.
        QTest::newRow("--plain alone") << QStringList{"--plain", page};
        QTest::newRow("zoom too large") << QStringList{"--zoom", "3", page, "-o", "b.pdf"};
        QTest::newRow("zoom no number") << QStringList{"--zoom", "x", page, "-o", "b.pdf"};
    }
    void badStandaloneOptions_areUsageErrors()
    {
        QFETCH(QStringList, arguments);
        const Finished f = run(arguments);
        QCOMPARE(f.status, 2);
        QCOMPARE(dir.entryList(QDir::Files), QStringList());
    }

private:
    TestHttpServer elsewhere{[](const QByteArray& path) {
        // Kept in no cache: a second fetch of it would reach the server.
        return path == "/img/cross.png"
                   ? TestHttpServer::response(200, "image/png", png(6, qRgb(0, 0, 200)),
                                              {{"Cache-Control", "no-store"}})
                   : TestHttpServer::html("<html><body>x</body></html>");
    }};
    TestHttpServer site{[this](const QByteArray& path) { return route(path); }};
    std::unique_ptr<QTemporaryDir> temporary;
    QDir dir;
    QTemporaryDir hardDir;
    struct
    {
        Finished run;
        QVariantMap survey;
        QStringList requests; // what the file reached for offline
    } hard;
};

VANTREL_ENGINE_TEST_MAIN(TestStandalone)
#include "tst_standalone.moc"
