// vantrel-join loading pages as their readers see them: cookies, headers and user agent reach the
// server; --scroll and --settle copy what a page shows only later; --report says how each page
// went. Through the real executable, against pages served on 127.0.0.1.
#include "commandrun.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using Response = TestHttpServer::Response;

namespace {
// Lazy images as pages make them: their address is set only when they come into view.
const QByteArray lazyImages = R"(<html><body><div style="height:1500px">first screen</div>
<img class=lazy data-src="/pixel.gif?1" width=10 height=10><div style="height:1200px"></div>
<img class=lazy data-src="/pixel.gif?2" width=10 height=10><script>
const seen = new IntersectionObserver((entries) => {
    for (const entry of entries) {
        if (entry.isIntersecting) {
            entry.target.src = entry.target.dataset.src;
            seen.unobserve(entry.target);
        }
    }
});
document.querySelectorAll('img.lazy').forEach((image) => seen.observe(image));
</script></body></html>)";

QByteArray foreignImage; // an image of another origin

Response routes(const QByteArray& path)
{
    if (path.startsWith("/n/"))
        return TestHttpServer::html("<html><body><p>" + path.mid(3) + "</p></body></html>");
    if (path == "/with-foreign-image")
        return TestHttpServer::html("<html><body><img src='" + foreignImage + "'></body></html>");
    if (path == "/with-image")
        return TestHttpServer::html("<html><body><img src=/pixel.gif></body></html>");
    if (path.startsWith("/pixel.gif"))
        return TestHttpServer::response(
            200, "image/gif",
            QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="));
    if (path == "/lazy-in-view") // the first image is in the first screen
        return TestHttpServer::html(QByteArray(lazyImages).replace("height:1500px", "height:10px"));
    if (path == "/lazy")
        return TestHttpServer::html(lazyImages);
    if (path == "/late") // a paragraph that comes 300 ms after the load
        return TestHttpServer::html(
            "<html><body><p>first</p><script>addEventListener('load', () => setTimeout(() => "
            "document.body.append(Object.assign(document.createElement('p'), {textContent: "
            "'late'})), 300));</script></body></html>");
    if (path == "/clock") // never at rest
        return TestHttpServer::html("<html><body><p id=clock></p><script>setInterval(() => "
                                    "clock.textContent = Date.now(), 50);</script></body></html>");
    if (path == "/moved")
        return TestHttpServer::response(301, "text/html", "", {{"Location", "/n/3"}});
    return TestHttpServer::response(404, "text/html", "<html><body><p>missing</p></body></html>");
}

} // namespace

class TestReaderCommand : public QObject
{
    Q_OBJECT

private:
    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir->path());
        return runCommand(process, QStringList{"-q", "-o", "-"} + arguments);
    }

    QString writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return file.fileName();
    }

    QString url(const char* path) const { return server.url(QLatin1String(path)); }

private slots:
    void initTestCase() { foreignImage = elsewhere.url("/pixel.gif").toUtf8(); }
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    void cookiesFile_cookiesReachTheServer_andRefusedOnesAreCounted()
    {
        const QByteArray future = QByteArray::number(QDateTime::currentSecsSinceEpoch() + 3600);
        const QString cookies =
            writeFile("cookies.txt", "# Netscape HTTP Cookie File\n\n"
                                     "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tone\r\n"
                                     "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t" +
                                         future +
                                         "\tlogin\ttwo\n"
                                         "127.0.0.1\tFALSE\t/\tFALSE\t1000000000\texpired\tthree\n"
                                         "127.0.0.1\tFALSE\t/other\tFALSE\t0\telsewhere\tfour\n"
                                         // Well formed, and refused: a public suffix.
                                         ".com\tTRUE\t/\tFALSE\t0\tsuffix\tfive\n");
        const Finished f = run({"--cookies", cookies, url("/n/1")});
        // The expired one is not handed to the store at all.
        QCOMPARE(f.status, 0);
        QCOMPARE(f.errLines, QStringList{"vantrel-join: warning: 1 of 4 cookies refused"});
        QCOMPARE(server.header("/n/1", "Cookie"), "session=one; login=two");
    }

    void cookiesFileWithAMalformedLine_isAUsageErrorNamingTheLine()
    {
        const QString cookies = writeFile("cookies.txt", "# comment\n"
                                                         "127.0.0.1\tFALSE\t/\tFALSE\t0\tok\tyes\n"
                                                         "127.0.0.1 FALSE / FALSE 0 spaces no\n");
        const qsizetype requests = server.requests().size();
        const Finished f = run({url("/n/1"), "--cookies", cookies});
        QCOMPARE(f.status, 2);
        QVERIFY2(f.errLines.value(0).contains("line 3"), qPrintable(f.errLines.join('\n')));
        QCOMPARE(server.requests().size(), requests);
    }

    void headersAndUserAgent_reachTheServerForThePageAndItsImage()
    {
        // An https Referer may not go to an http page: the engine would refuse the load itself.
        const Finished f =
            run({"-H", "X-Reader: yes", "--user-agent", "ReaderTest/1.0", "-H",
                 "Referer: https://a.example/deep/path", url("/with-image"), url("/n/2")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("<img src=\"/pixel.gif\">"));
        for (const char* path : {"/with-image", "/pixel.gif"}) {
            QCOMPARE(server.header(path, "X-Reader"), "yes");
            QCOMPARE(server.header(path, "User-Agent"), "ReaderTest/1.0");
        }
        QCOMPARE(server.header("/with-image", "Referer"), QByteArray());
        // Said once, for the whole run.
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].contains("Referer") && f.errLines[0].contains("page 1 gets none"),
                 qPrintable(f.errLines[0]));
    }

    void headers_goOnlyToTheListedAddressesOrigins()
    {
        const Finished f = run({"-H", "Authorization: Bearer secret", url("/with-foreign-image")});
        QCOMPARE(f.status, 0);
        QCOMPARE(server.header("/with-foreign-image", "Authorization"), "Bearer secret");
        QVERIFY(elsewhere.requests().contains("/pixel.gif"));
        QCOMPARE(elsewhere.header("/pixel.gif", "Authorization"), QByteArray());
    }

    void refererThatThePolicyAllows_reachesThePageAsFarAsItMay_data()
    {
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("same origin: whole")
            << url("/from/here?x=1") << url("/from/here?x=1").toUtf8();
        QTest::newRow("another origin: the origin")
            << "http://a.example/deep/path?q=1" << QByteArray("http://a.example/");
    }
    void refererThatThePolicyAllows_reachesThePageAsFarAsItMay()
    {
        QFETCH(QString, referer);
        QFETCH(QByteArray, sent);
        const Finished f = run({"--header=Referer: " + referer, url("/n/1")});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.out, "<html><head></head><body><p>1</p></body></html>\r\n");
        QCOMPARE(server.header("/n/1", "Referer"), sent);
    }

    void scroll_copiesImagesThatLoadOnlyInView()
    {
        // One in the first screen is there without a scroll, as a reader sees it at once.
        const Finished inView = run({url("/lazy-in-view")});
        QCOMPARE(inView.status, 0);
        QVERIFY2(inView.out.contains(" src=\"/pixel.gif?1\"") &&
                     !inView.out.contains(" src=\"/pixel.gif?2\""),
                 inView.out.constData());
        const Finished plain = run({url("/lazy")});
        QCOMPARE(plain.status, 0);
        QVERIFY(!plain.out.contains(" src="));
        const Finished scrolled = run({"--scroll", url("/lazy")});
        QCOMPARE(scrolled.status, 0);
        QVERIFY2(scrolled.out.contains(" src=\"/pixel.gif?1\"") &&
                     scrolled.out.contains(" src=\"/pixel.gif?2\""),
                 scrolled.out.constData());
    }

    void settle_copiesWhatScriptsAddAfterTheLoad()
    {
        QVERIFY(!run({url("/late")}).out.contains("<p>late</p>"));
        const Finished f = run({"--settle", "500", url("/late")});
        QCOMPARE(f.status, 0);
        QVERIFY2(f.out.contains("<p>first</p><script>") &&
                     f.out.endsWith("<p>late</p></body></html>\r\n"),
                 f.out.constData());
    }

    void pageThatNeverSettles_isCopiedAsItStandsAtItsBound()
    {
        QElapsedTimer timer;
        timer.start();
        const Finished f =
            run({"-t", "2", "--scroll", "--settle", "500", url("/clock"), url("/n/2")});
        // Several times the two pages' bounds.
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
        // It loaded: not a failure.
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("<p id=\"clock\">1"));
        QVERIFY(f.out.contains("<p>2</p>"));
    }

    void report_saysForEachAddressHowItWent()
    {
        const QString report = dir->filePath("report.json");
        const QStringList addresses = {url("/n/1"), url("/missing"), url("/moved")};
        const Finished f = run(QStringList{"-j", "2", "--report", report} + addresses);
        QCOMPARE(f.status, 1);
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(file.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray pages = json["pages"].toArray();
        QCOMPARE(pages.size(), 3);
        const QStringList outcomes = {"ok", "HTTP status 404", "ok"};
        const QList<int> statuses = {200, 404, 200};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject page = pages[i].toObject();
            QCOMPARE(page["position"].toInt(), i + 1);
            QCOMPARE(page["address"].toString(), addresses[i]);
            QCOMPARE(page["outcome"].toString(), outcomes[i]);
            QCOMPARE(page["httpStatus"].toInt(), statuses[i]);
            QVERIFY(page["bytes"].toInt() > 0);
            QVERIFY(page["loadMs"].isDouble() && page["copyMs"].isDouble());
        }
        QCOMPARE(pages[2].toObject()["finalAddress"].toString(), url("/n/3"));
        QCOMPARE(pages[0].toObject()["bytes"].toInt(), 8); // <p>1</p>
        const QJsonObject totals = json["totals"].toObject();
        QCOMPARE(totals["addresses"].toInt(), 3);
        QCOMPARE(totals["ok"].toInt(), 2);
        QCOMPARE(totals["failed"].toInt(), 1);
        QCOMPARE(f.errLines.size(), 1); // the 404, named as the report names it
        QVERIFY(f.errLines[0].endsWith("failed: HTTP status 404"));
    }

private:
    TestHttpServer server{routes};
    TestHttpServer elsewhere{routes};
    std::unique_ptr<QTemporaryDir> dir;
};

VANTREL_ENGINE_TEST_MAIN(TestReaderCommand)
#include "tst_readercommand.moc"
