// vantrel-join finding a site's pages in reading order (--links-of, --sitemap, --next, --list) and
// keeping only what matters of each (--main, --select, --exclude). Through the real executable,
// against pages served on 127.0.0.1.
#include "commandrun.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <zlib.h>

using Response = TestHttpServer::Response;

namespace {
// A sitemap listing b.html, then a.html, gzip-compressed.
const QByteArray gzipSitemap = QByteArray::fromBase64(
    "H4sIAAAAAAACA2WNSwqAMAxEryI9QKJLJdazqBQrtFaaaD2+9YMbdzPvMQx1h3fFbiLPYWlVBaXqNG3RsZEiq4VbZUXWBj"
    "GlBDyL8f3KEOKEPNpcGF+IJdTq3mpyYdQDWPGO8MqEN/5c/3f4nOoTBpOZ2ZIAAAA=");

QByteArray gzipped(const QByteArray& bytes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray packed(qsizetype(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = uInt(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return packed;
}

// Sitemaps past the protocol's limits: one that unpacks to more than 50 MB, and ones that never
// end, with addresses or with blanks.
Response unboundedSitemap(const QByteArray& path)
{
    const QByteArray head = "<?xml version='1.0'?><urlset>";
    Response response = TestHttpServer::response(200, "application/xml", head);
    if (path == "/big/bomb.xml.gz") {
        static const QByteArray bomb =
            gzipped(head + QByteArray(60 * 1024 * 1024, ' ') + "</urlset>");
        response.body = bomb;
    } else if (path == "/big/addresses.xml") {
        response.repeat = "<url><loc>/docs/a.html</loc></url>\n";
    } else if (path == "/big/blanks.xml") {
        response.repeat = QByteArray(64 * 1024, ' ');
    } else {
        response.neverFinish = true;
    }
    return response;
}

Response routes(const QByteArray& path)
{
    if (path.startsWith("/big/"))
        return unboundedSitemap(path);
    if (path == "/docs/index.html") // the redirect comes before the page it leads to
        return TestHttpServer::html(
            "<html><body><nav><a href=old.html>old</a> <a href=a.html>a</a> <a href=b.html#x>b</a> "
            "<a href=a.html#top>a again</a> <a href=/other/x.html>out of scope</a> "
            "<a href=c.html>c</a></nav></body></html>");
    if (path == "/manual/index.html") // its commands live in a sibling folder
        return TestHttpServer::html(
            "<html><body><a href=intro.html>intro</a> <a href=../command/ls.html>ls</a> "
            "<a href=../command/cp.html>cp</a> <a href=../command/ls.html#opts>ls again</a> "
            "<a href=http://localhost:1/x.html>elsewhere</a> <a href=mailto:a@b.c>mail</a>"
            "</body></html>");
    if (path == "/moved/index.html") // two addresses that lead to one page it does not list
        return TestHttpServer::html(
            "<html><body><a href=one.html>one</a> <a href=two.html>two</a></body></html>");
    if (path == "/moved/one.html" || path == "/moved/two.html")
        return TestHttpServer::response(301, "text/html", "", {{"Location", "/moved/target.html"}});
    if (path == "/moved/target.html")
        return TestHttpServer::html("<html><body><p>the-target</p></body></html>");
    if (path == "/two-mains.html")
        return TestHttpServer::html("<html><body><nav>NAVLINK</nav><main>FIRST</main>"
                                    "<div role=main>SECOND</div></body></html>");
    if (path == "/docs/old.html")
        return TestHttpServer::response(301, "text/html", "", {{"Location", "/docs/a.html"}});
    if (path == "/docs/a.html" || path == "/docs/b.html" || path == "/docs/c.html")
        return TestHttpServer::html("<html><body><p>page-" + path.mid(6, 1) + "</p></body></html>");
    if (path == "/docs/sitemap.xml")
        return TestHttpServer::response(
            200, "application/xml",
            "<?xml version='1.0'?><sitemapindex><sitemap><loc>pages.xml.gz</loc></sitemap>"
            "</sitemapindex>");
    if (path == "/docs/pages.xml.gz")
        return TestHttpServer::response(200, "application/gzip", gzipSitemap);
    if (path.startsWith("/series/")) { // 1 leads to 2, 2 to 3, which ends it
        const QByteArray n = path.mid(8);
        return TestHttpServer::html(
            "<html><body><nav>" +
            (n == "3" ? QByteArray()
                      : "<a rel=next href=" + QByteArray::number(n.toInt() + 1) + ">next</a>") +
            "</nav><main><p>part-" + n + "</p></main></body></html>");
    }
    if (path.startsWith("/chain/")) // 1 leads to 2, 2 back to 1
        return TestHttpServer::html("<html><body><a rel=next href=/chain/" +
                                    QByteArray(path.endsWith('1') ? "2" : "1") +
                                    ">next</a></body></html>");
    if (path == "/article.html")
        return TestHttpServer::html(
            "<html><body><nav><a href=/docs/a.html>NAVLINK</a></nav><header>HEADER</header>"
            "<article><h1 id=t>Title</h1><p><a href=#t>self</a> <a href=/docs/b.html>to b</a>"
            "<span class=headerlink>MARK</span></p></article><footer>FOOTER</footer>"
            "</body></html>");
    return TestHttpServer::response(404, "text/html", "<html><body><p>missing</p></body></html>");
}

} // namespace

class TestSiteCommand : public QObject
{
    Q_OBJECT

private:
    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, QStringList{"-q", "-o", "-"} + arguments);
    }
    QString url(const char* path) const { return server.url(QLatin1String(path)); }
    QStringList lines(const QByteArray& out) const
    {
        return QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void contentsPage_givesItsPagesInOrderOnceEachInScope()
    {
        const Finished f = run({"--links-of", url("/docs/index.html")});
        QCOMPARE(f.status, 0);
        const QString out = QString::fromUtf8(f.out);
        QCOMPARE(out.count("page-a"), 1);
        QVERIFY(out.indexOf("page-a") < out.indexOf("page-b"));
        QVERIFY(out.indexOf("page-b") < out.indexOf("page-c"));
        // The address the contents page gave, and where it led.
        QVERIFY2(f.errLines.contains("vantrel-join: warning: page 2 (" + url("/docs/old.html") +
                                     ") leads to " + url("/docs/a.html") +
                                     ", page 3: not joined twice"),
                 qPrintable(f.errLines.join('\n')));
        QVERIFY(!server.requests().contains("/other/x.html"));
    }

    void list_givesEachPageOnce_andNoMoreThanMaxPages_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("listed");
        // a.html is linked twice (once with a fragment); the redirect is not loaded to list it.
        QTest::newRow("all") << QStringList{}
                             << QStringList{"index.html", "old.html", "a.html", "b.html", "c.html"};
        QTest::newRow("--max-pages 3, the start counted")
            << QStringList{"--max-pages", "3"} << QStringList{"index.html", "old.html", "a.html"};
    }
    void list_givesEachPageOnce_andNoMoreThanMaxPages()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, listed);
        const Finished f =
            run(options + QStringList{"--links-of", url("/docs/index.html"), "--list"});
        QCOMPARE(f.status, 0);
        QStringList expected;
        for (const QString& name : listed)
            expected.append(server.url("/docs/" + name));
        QCOMPARE(lines(f.out), expected);
        QCOMPARE(f.errLines.filter("--max-pages").size(), options.isEmpty() ? 0 : 1);
    }

    void twoFoundAddressesLeadingToOnePageNotListed_joinItOnce()
    {
        const Finished f = run({"--links-of", url("/moved/index.html"), "--no-start"});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.out.count("the-target"), 1);
        QVERIFY2(f.errLines.contains("vantrel-join: warning: page 2 (" + url("/moved/two.html") +
                                     ") leads to " + url("/moved/target.html") +
                                     ", page 1: not joined twice"),
                 qPrintable(f.errLines.join('\n')));
    }

    void linksOutOfScope_areCounted_withTheWithinThatKeepsThem()
    {
        const Finished f = run({"--links-of", url("/manual/index.html"), "--list"});
        QCOMPARE(f.status, 0);
        QCOMPARE(lines(f.out), (QStringList{url("/manual/index.html"), url("/manual/intro.html")}));
        const QStringList said = f.errLines.filter("left out");
        QCOMPARE(said.size(), 1);
        QVERIFY2(said[0].contains(url("/manual/index.html") + ": 3 links outside " +
                                  url("/manual/") + " left out (1 to other sites); --within " +
                                  url("/") + " would keep the 2 on this site"),
                 qPrintable(said[0]));
        const Finished wider =
            run({"--links-of", url("/manual/index.html"), "--within", url("/"), "--list"});
        QCOMPARE(lines(wider.out),
                 (QStringList{url("/manual/index.html"), url("/manual/intro.html"),
                              url("/command/ls.html"), url("/command/cp.html")}));
    }

    void sitemapIndex_withAGzipSitemap_isListedAsWritten()
    {
        const Finished f = run({"--sitemap", url("/docs/sitemap.xml"), "--list"});
        QCOMPARE(f.status, 0);
        QCOMPARE(lines(f.out), (QStringList{url("/docs/b.html"), url("/docs/a.html")}));
    }

    void sitemapPastALimit_endsWithOneLineNamingIt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("seconds"); // -t: generous where a limit of size ends it
        QTest::newRow("unpacks past 50 MB") << "/big/bomb.xml.gz"
                                            << "unpacked, it passes 50 MB"
                                            << "60";
        QTest::newRow("addresses without end") << "/big/addresses.xml"
                                               << "more than 50000"
                                               << "60";
        QTest::newRow("blanks without end") << "/big/blanks.xml"
                                            << "it passes 50 MB"
                                            << "60";
        QTest::newRow("never finishes") << "/big/stalled.xml"
                                        << "not loaded within 2 s"
                                        << "2";
    }
    void sitemapPastALimit_endsWithOneLineNamingIt()
    {
        QFETCH(QString, path);
        QFETCH(QString, said);
        QFETCH(QString, seconds);
        const Finished f = run({"-t", seconds, "--sitemap", server.url(path), "--list"});
        QCOMPARE(f.status, 1);
        QVERIFY(f.out.isEmpty());
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].contains(said), qPrintable(f.errLines[0]));
    }

    void nextChain_joinsEachPageAsItIsReached_loadingItOnce_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("plain") << QStringList{"-o", "-"};
        QTest::newRow("--standalone to a file") << QStringList{"--standalone", "-o", "book.html"};
        // The content rule takes the next link away: it is read before.
        QTest::newRow("--standalone --main to a file")
            << QStringList{"--standalone", "--main", "-o", "book.html"};
    }
    void nextChain_joinsEachPageAsItIsReached_loadingItOnce()
    {
        QFETCH(QStringList, options);
        const qsizetype before = server.requests().size();
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const Finished f = runCommand(
            process, options + QStringList{"-q", "--next", "a[rel=next]", url("/series/1")});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.errLines, QStringList());
        QByteArray out = f.out;
        if (options.contains("book.html")) {
            QFile file(dir.filePath("book.html"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            out = file.readAll();
            // Each page's next link leads to its section of the file.
            QVERIFY2(options.contains("--main") || out.contains("href=\"#p2\""), out.constData());
        }
        QVERIFY(out.indexOf("part-1") < out.indexOf("part-2"));
        QVERIFY(out.indexOf("part-2") < out.indexOf("part-3"));
        QCOMPARE(server.requests().mid(before).filter("/series/"),
                 (QStringList{"/series/1", "/series/2", "/series/3"}));
    }

    void nextLinksThatLoop_endTheChainOnce()
    {
        const Finished f = run({"--next", "a[rel=next]", url("/chain/1"), "--list"});
        QCOMPARE(f.status, 0);
        QCOMPARE(lines(f.out), (QStringList{url("/chain/1"), url("/chain/2")}));
        QCOMPARE(f.errLines.filter("chain ends").size(), 1);
    }

    void contentRule_leavesTheNavigation_idsAndLinksStillLand_data()
    {
        QTest::addColumn<QStringList>("rule");
        QTest::newRow("--main") << QStringList{"--main"};
        QTest::newRow("--select --exclude")
            << QStringList{"--select", "h1", "--select", "p", "--exclude", ".headerlink"};
    }
    void contentRule_leavesTheNavigation_idsAndLinksStillLand()
    {
        QFETCH(QStringList, rule);
        const Finished f =
            run(rule + QStringList{"--standalone", url("/article.html"), url("/docs/b.html")});
        QCOMPARE(f.status, 0);
        for (const char* chrome : {"NAVLINK", "HEADER", "FOOTER"})
            QVERIFY2(!f.out.contains(chrome), chrome);
        QCOMPARE(f.out.contains("MARK"), rule.contains("--main"));
        QVERIFY(f.out.contains("id=\"p1-t\""));
        QVERIFY(f.out.contains("href=\"#p1-t\""));
        QVERIFY(f.out.contains("href=\"#p2\""));
    }

    void mainWithTwoMainLandmarks_keepsBothWithAWarning()
    {
        const Finished f = run({"--main", url("/two-mains.html")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("FIRST") && f.out.contains("SECOND"));
        QVERIFY2(f.errLines.join('\n').contains("2 main landmarks"),
                 qPrintable(f.errLines.join('\n')));
    }

    void selectMatchingNothing_keepsTheWholeBodyWithAWarning()
    {
        const Finished f = run({"--select", ".nothing", url("/docs/a.html")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("page-a"));
        QVERIFY2(f.errLines.join('\n').contains(url("/docs/a.html")),
                 qPrintable(f.errLines.join('\n')));
    }

    void badSelector_isAUsageErrorBeforeAnyPageLoads()
    {
        const qsizetype requests = server.requests().size();
        const Finished f = run({"--exclude", "p[", url("/docs/a.html")});
        QCOMPARE(f.status, 2);
        QVERIFY2(f.errLines.value(0).contains("p["), qPrintable(f.errLines.join('\n')));
        QCOMPARE(server.requests().size(), requests);
    }

private:
    QTemporaryDir dir;
    TestHttpServer server{routes};
};

VANTREL_ENGINE_TEST_MAIN(TestSiteCommand)
#include "tst_sitecommand.moc"
