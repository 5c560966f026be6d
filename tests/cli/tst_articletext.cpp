// Each page's article where nothing marks it (--main's reader fallback, --reader), and the joined
// pages as Markdown and as plain text. Through the real executable, against pages served on
// 127.0.0.1; the Markdown is read back by a CommonMark parser with GitHub's extensions.
#include "commandrun.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using Response = TestHttpServer::Response;

namespace {

// A paragraph long enough, and with enough commas, to read as an article's.
QByteArray prose(const QByteArray& mark)
{
    return "<p>" + mark +
           " The river rose early that spring, and the town, which had seen floods before, "
           "moved its boats uphill, stacked sandbags by the mill, and waited. Nobody slept much, "
           "but the water, for once, stopped a hand below the bridge.</p>";
}

// What a news or blog page holds around its article.
const QByteArray Chrome =
    "<div class=top><a href=/world>NAVLINK World</a> <a href=/sport>Sport</a></div>"
    "<div class=share-bar><a href=/share>SHAREBAR Tweet</a> <a href=/fb>Facebook</a></div>";
const QByteArray Aftermath =
    "<div id=comments class=comments><h3>Comments</h3><p>COMMENTTEXT I disagree, strongly, "
    "with every word of it, and so does my neighbour.</p></div>"
    "<div class=related><h3>Related</h3><ul><li><a href=/x>RELATEDLINK floods</a></li>"
    "<li><a href=/y>Bridges</a></li></ul></div><div class=footer>FOOTERTEXT</div>";

Response routes(const QByteArray& path)
{
    // No landmark; a small table of links and a code block in a widget, which the reader
    // library drops as boilerplate.
    if (path == "/news.html")
        return TestHttpServer::html(
            "<html><head><title>Rivers of the north | Daily News</title></head><body>" + Chrome +
            "<div class=story><div class=story-body><h1>Rivers of the north</h1>" +
            prose("ARTICLEONE") + prose("ARTICLETWO") +
            "<table><tr><td>CELLA 2.1</td><td><a href=/dl>CELLB</a></td></tr></table>"
            "<table><tr><td>ONECELL, a note the library makes a paragraph.</td></tr></table>"
            "<div class=code-widget><pre><code class=language-python>print('CODEKEPT')</code>"
            "</pre></div>" +
            prose("ARTICLETHREE") + "</div></div>" + Aftermath + "</body></html>");
    if (path == "/blog.html") // nested divs, no h1: the title comes from the page's metadata
        return TestHttpServer::html(
            "<html><head><title>Notes on caching layers for small web services - Jo's blog"
            "</title></head><body>" +
            Chrome + "<div id=wrap><div class=col><div class=inner><div>" + prose("BLOGONE") +
            "</div><div>" + prose("BLOGTWO") + prose("BLOGTHREE") + "</div></div></div></div>" +
            Aftermath + "</body></html>");
    if (path == "/mainwithcomments.html") // its main holds the comments and related links
        return TestHttpServer::html("<html><head><title>Main page</title></head><body>" + Chrome +
                                    "<main><h1>Main page"
                                    "</h1>" +
                                    prose("MAINONE") + prose("MAINTWO") + prose("MAINTHREE") +
                                    Aftermath + "</main></body></html>");
    // Titled otherwise than its headline, which stands apart from the story's text.
    if (path == "/winter.html")
        return TestHttpServer::html(
            "<html><head><title>Blog \xe2\x80\x94 Winter beans</title></head><body>" + Chrome +
            "<div class=post><div class=post-header><h1>Winter beans, and why they keep through "
            "the frost</h1><div class=byline>By Jo, 3 March</div></div><div class=post-body>" +
            prose("WINTERONE") + prose("WINTERTWO") + prose("WINTERTHREE") + "</div></div>" +
            Aftermath + "</body></html>");
    if (path == "/recipe.html")
        return TestHttpServer::html(
            "<html><head><title>Recipes: soup</title></head><body>" + Chrome +
            "<div class=wrap><header class=entry-header><h1 class=entry-title>A green soup for "
            "cold evenings</h1></header><div class=entry-content>" +
            prose("SOUPONE") + prose("SOUPTWO") + prose("SOUPTHREE") + "</div></div>" +
            Aftermath + "</body></html>");
    if (path == "/linksonly.html") { // a list of links and nothing else
        QByteArray links;
        for (int i = 1; i <= 40; ++i)
            links += "<li><a href=/item/" + QByteArray::number(i) + ">Item number " +
                     QByteArray::number(i) + " in the catalogue</a></li>";
        return TestHttpServer::html("<html><head><title>Catalogue</title></head><body><div>"
                                    "<ul>" + links + "</ul></div><div class=footer>LINKSFOOTER"
                                    "</div></body></html>");
    }
    if (path == "/empty.html") // nothing a reader would call an article
        return TestHttpServer::html(
            "<html><body><div><img src=/pic.png alt=EMPTYPAGE></div></body></html>");
    if (path == "/md/one.html")
        return TestHttpServer::html(
            "<html><head><title>Getting started</title></head><body><nav>NAVLINK</nav><main>"
            "<h1>Getting started</h1><h2>Install steps</h2><p>Read <a href=two.html#usage>the "
            "usage notes</a> and call snake_case_name, not 2*3.</p>"
            "<pre><code class=language-python>def snake_case():\n    return '|'</code></pre>"
            "<p><img src=pic.png alt='A picture'></p>"
            "<table><thead><tr><th>Name</th><th>Value</th></tr></thead>"
            "<tbody><tr><td>pipe</td><td>a|b</td></tr></tbody></table></main></body></html>");
    if (path == "/md/two.html")
        return TestHttpServer::html(
            "<html><head><title>Usage</title></head><body><main><h1>Usage</h1>"
            "<h2 id=usage>Usage notes</h2><p>Back to <a href=one.html>the start</a> or on to "
            "<a href=/elsewhere.html>elsewhere</a>.</p><ul><li>first item</li><li>second item"
            "<ol><li>nested</li></ol></li></ul><blockquote><p>QUOTED</p></blockquote>"
            "<p style='display:none'>HIDDENTEXT</p></main></body></html>");
    if (path == "/md/three.html")
        return TestHttpServer::html(
            "<html><head><title>Reference: *stars* [draft] snake_case</title></head><body>"
            "<main><h1>Reference</h1>"
            "<div class=highlight-js><div class=highlight><pre>var x = 1;</pre></div></div>"
            "<table><tr><td colspan=2>SPANNED</td></tr><tr><td>1</td><td>2</td></tr></table>"
            "<p><a href=one.html#nowhere>back to one</a></p></main></body></html>");
    if (path == "/md/links.html") // links of every kind a page may hold
        return TestHttpServer::html(
            "<html><head><title>Links</title></head><body><p>"
            "<a href='data:text/html,<script>alert(1)</script>'>DATALINK</a> "
            "<a href='javascript:alert(1)'>SCRIPTLINK</a> <a href='tel:+4412345'>PHONELINK</a> "
            "<a href='mailto:desk@example.org'>MAILLINK</a> <a href=#below>OWNLINK</a> "
            "<a href=https://example.org/page>WEBLINK</a></p><h2 id=below>Below</h2></body>"
            "</html>");
    if (path == "/pic.png" || path == "/md/pic.png")
        return TestHttpServer::response(404, "text/plain", "");
    return TestHttpServer::response(404, "text/html", "<html><body><p>missing</p></body></html>");
}

// The anchor GitHub gives a heading's text, counted against those before it.
QString anchorOf(const QString& text, QHash<QString, int>& uses)
{
    static const QRegularExpression punctuation(QStringLiteral(R"([^\p{L}\p{M}\p{N}_ -])"));
    const QString base = text.toLower().remove(punctuation).replace(' ', '-');
    const int n = uses[base]++;
    return n ? QStringLiteral("%1-%2").arg(base).arg(n) : base;
}

} // namespace

class TestArticleText : public QObject
{
    Q_OBJECT

private:
    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, QStringList{"-q"} + arguments);
    }
    QString url(const char* path) const { return server.url(QLatin1String(path)); }
    QStringList threePages() const
    {
        return {url("/md/one.html"), url("/md/two.html"), url("/md/three.html")};
    }
    QByteArray fileText(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The Markdown as HTML, by CommonMark with GitHub's table extension (raw HTML kept).
    static QString rendered(const QByteArray& markdown)
    {
        QProcess parser;
        parser.start(QStringLiteral("cmark-gfm"), {"--unsafe", "--extension", "table"});
        if (!parser.waitForStarted(30000))
            return {};
        parser.write(markdown);
        parser.closeWriteChannel();
        parser.waitForFinished(60000);
        return QString::fromUtf8(parser.readAllStandardOutput());
    }

private slots:
    void pagesWithoutLandmarks_keepTheArticleAndLeaveTheRest_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("rule");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("news page, --main") << "/news.html" << QStringList{"--main"}
                                           << QStringList{"<h1>Rivers of the north</h1>",
                                                          "ARTICLEONE",
                                                          "ARTICLETHREE",
                                                          "CELLB",
                                                          "CODEKEPT",
                                                          "language-python",
                                                          "ONECELL"};
        QTest::newRow("blog post in divs, --main")
            << "/blog.html" << QStringList{"--main"}
            << QStringList{"<h1>Notes on caching layers for small web services</h1>", "BLOGONE",
                           "BLOGTHREE"};
        QTest::newRow("main holding comments, --reader")
            << "/mainwithcomments.html" << QStringList{"--reader"}
            << QStringList{"MAINONE", "MAINTHREE"};
    }
    void pagesWithoutLandmarks_keepTheArticleAndLeaveTheRest()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, rule);
        QFETCH(QStringList, kept);
        const Finished f = run(rule + QStringList{"-o", "-", url(qPrintable(path))});
        QCOMPARE(f.status, 0);
        QVERIFY2(f.errLines.isEmpty(), qPrintable(f.errLines.join('\n')));
        const QString out = QString::fromUtf8(f.out);
        // Once each: what the library kept in another form is not put back as well.
        for (const QString& text : kept)
            QVERIFY2(out.count(text) == 1, qPrintable(text + " not once in " + out));
        for (const char* chrome :
             {"NAVLINK", "SHAREBAR", "COMMENTTEXT", "RELATEDLINK", "FOOTERTEXT"})
            QVERIFY2(!out.contains(chrome), chrome);
        // One title: the library's own copy of it is not repeated.
        QCOMPARE(out.count("<h1>"), 1);
    }

    void readerArticle_keepsItsHeadlineAndTheTitleOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("headline");
        // Titled otherwise than its headline, which stands apart from the text the reader finds.
        QTest::newRow("headline apart, md") << "/winter.html" << "--main" << "md"
                                            << "Winter beans, and why they keep through the frost";
        QTest::newRow("headline apart, html")
            << "/winter.html" << "--main" << "html"
            << "<h1>Winter beans, and why they keep through the frost</h1>";
        QTest::newRow("headline in the entry's header, txt")
            << "/recipe.html" << "--reader" << "txt" << "A green soup for cold evenings";
        // The part's heading is the page's title: the article does not say it again.
        QTest::newRow("the title's own words, md")
            << "/news.html" << "--reader" << "md" << "Rivers of the north";
        QTest::newRow("no headline, the title, txt")
            << "/blog.html" << "--main" << "txt"
            << "Notes on caching layers for small web services";
    }
    void readerArticle_keepsItsHeadlineAndTheTitleOnce()
    {
        QFETCH(QString, path);
        QFETCH(QString, rule);
        QFETCH(QString, format);
        QFETCH(QString, headline);
        const Finished f =
            run({rule, "--format", format, "-o", "-", url(qPrintable(path))});
        QCOMPARE(f.status, 0);
        const QString out = QString::fromUtf8(f.out);
        QVERIFY2(out.count(headline) == 1, qPrintable(out));
        QVERIFY(!out.contains("NAVLINK") && !out.contains("COMMENTTEXT"));
    }

    void pageOfLinksOnly_keepsTheWholeBodyAndSaysSo()
    {
        const Finished f = run({"--main", "-o", "-", url("/linksonly.html")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("Item number 40 in the catalogue") && f.out.contains("LINKSFOOTER"));
        QCOMPARE(f.errLines.size(), 1);
        QVERIFY2(f.errLines[0].contains(url("/linksonly.html")) &&
                     f.errLines[0].contains("the whole body is kept"),
                 qPrintable(f.errLines[0]));
    }

    void mainLandmark_staysExactlyTheLandmark()
    {
        const Finished f = run({"--main", "-o", "-", url("/mainwithcomments.html")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("MAINONE"));
        QVERIFY(f.out.contains("COMMENTTEXT"));
        QVERIFY(!f.out.contains("SHAREBAR"));
    }

    void readerFindingNothing_keepsTheWholeBodyWithAWarning_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::newRow("--main") << "--main";
        QTest::newRow("--reader") << "--reader";
    }
    void readerFindingNothing_keepsTheWholeBodyWithAWarning()
    {
        QFETCH(QString, rule);
        const Finished f = run({rule, "-o", "-", url("/empty.html")});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("EMPTYPAGE"));
        const QString err = f.errLines.join('\n');
        QVERIFY2(err.contains(url("/empty.html")) && err.contains("the reader found no article"),
                 qPrintable(err));
    }

    void markdown_readsBackAsTheSamePages()
    {
        const Finished f = run(QStringList{"--main", "-o", "book.md"} + threePages());
        QCOMPARE(f.status, 0);
        const QByteArray markdown = fileText("book.md");
        const QString html = rendered(markdown);
        QVERIFY2(!html.isEmpty(), "cmark-gfm gave nothing");

        // Each page a part: its title a level-1 heading, its address next; its own headings lower.
        QVERIFY2(markdown.startsWith("# Getting started\n<" + url("/md/one.html").toUtf8() + ">"),
                 markdown.left(200).constData());
        QCOMPARE(html.count("<h1>"), 3);
        // A title is text, whatever Markdown would make of it.
        QVERIFY(html.contains("<h1>Reference: *stars* [draft] snake_case</h1>"));
        QVERIFY(html.contains("<h2>Getting started</h2>"));
        QVERIFY(html.contains("<h3>Install steps</h3>"));
        QVERIFY(!markdown.contains("NAVLINK"));

        QVERIFY2(html.contains("<pre><code class=\"language-python\">def snake_case():\n"
                               "    return '|'\n</code></pre>"),
                 qPrintable(html));
        QVERIFY(html.contains("<pre><code class=\"language-js\">var x = 1;"));
        QVERIFY(markdown.contains("snake_case_name") && markdown.contains("2\\*3"));
        QVERIFY(html.contains("<th>Name</th>"));
        QVERIFY(html.contains("<td>a|b</td>"));
        // A table that cannot be a pipe table stays HTML.
        QVERIFY(html.contains("<td colspan=\"2\">SPANNED</td>"));
        QVERIFY(html.contains("<img src=\"" + url("/md/pic.png") + "\" alt=\"A picture\""));
        QVERIFY(html.contains("<a href=\"" + url("/elsewhere.html") + "\">elsewhere</a>"));
        QVERIFY(html.contains("<blockquote>\n<p>QUOTED</p>"));
        QVERIFY(html.contains("<li>second item\n<ol>\n<li>nested</li>"));

        // Links between the pages land on the heading they name, or on the page's part.
        QHash<QString, QString> headingAt;
        QHash<QString, int> uses;
        static const QRegularExpression heading(QStringLiteral("<h[1-6]>(.*?)</h[1-6]>"));
        for (const QRegularExpressionMatch& match : heading.globalMatch(html))
            headingAt.insert(anchorOf(match.captured(1), uses), match.captured(1));
        static const QRegularExpression link(QStringLiteral("<a href=\"#([^\"]*)\">([^<]*)</a>"));
        QHash<QString, QString> targets;
        for (const QRegularExpressionMatch& match : link.globalMatch(html))
            targets.insert(match.captured(2), headingAt.value(match.captured(1)));
        QCOMPARE(targets.value("the usage notes"), QString("Usage notes"));
        QCOMPARE(targets.value("the start"), QString("Getting started"));
        QCOMPARE(targets.value("back to one"), QString("Getting started"));
        QVERIFY(html.contains("<a href=\"#getting-started\">the start</a>"));
    }

    void plainText_isTheRenderedTextOfEachPart()
    {
        const Finished f = run(QStringList{"--main", "-o", "book.txt"} + threePages());
        QCOMPARE(f.status, 0);
        const QString text = QString::fromUtf8(fileText("book.txt"));
        QVERIFY2(text.startsWith("Getting started\n" + url("/md/one.html") +
                                 "\n\nGetting started\n\nInstall steps\n\nRead the usage notes"),
                 qPrintable(text));
        QVERIFY(text.contains("\n\ndef snake_case():\n    return '|'\n\n"));
        QVERIFY(text.contains("Name\tValue\npipe\ta|b"));
        QVERIFY(text.contains("\n- first item\n- second item\n  1. nested\n"));
        QVERIFY(text.contains("Usage\n" + url("/md/two.html") + "\n"));
        QVERIFY(!text.contains("HIDDENTEXT"));
        QVERIFY(!text.contains('<'));
    }

    void links_onlyThoseAReaderCanFollowSafely_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("md") << "md";
        QTest::newRow("txt") << "txt";
    }
    void links_onlyThoseAReaderCanFollowSafely()
    {
        QFETCH(QString, format);
        const Finished f = run({"--format", format, "-o", "-", url("/md/links.html")});
        QCOMPARE(f.status, 0);
        const QString out = QString::fromUtf8(f.out);
        for (const char* text : {"DATALINK", "SCRIPTLINK", "PHONELINK", "MAILLINK", "WEBLINK"})
            QVERIFY2(out.contains(text), text);
        for (const char* address : {"data:", "javascript:", "alert", "tel:"})
            QVERIFY2(!out.contains(address), qPrintable(address + QString(" in ") + out));
        if (format == "md") {
            QVERIFY2(out.contains("DATALINK SCRIPTLINK PHONELINK [MAILLINK](mailto:desk@example.org)"),
                     qPrintable(out));
            QVERIFY(out.contains("[OWNLINK](#below)"));
            QVERIFY(out.contains("[WEBLINK](https://example.org/page)"));
        }
    }

    void stream_writesEachPartInOrder_aFailedPageSaysWhy_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("md") << "md";
        QTest::newRow("txt") << "txt";
    }
    void stream_writesEachPartInOrder_aFailedPageSaysWhy()
    {
        QFETCH(QString, format);
        const QString refused = QStringLiteral("http://127.0.0.1:1/gone.html");
        const Finished f = run({"--main", "--format", format, "-o", "-", url("/md/one.html"),
                                refused, url("/md/two.html")});
        QCOMPARE(f.status, 1);
        const QString out = QString::fromUtf8(f.out);
        const qsizetype one = out.indexOf("Getting started");
        const qsizetype gone = out.indexOf(refused);
        const qsizetype two = out.indexOf("Usage notes");
        QVERIFY2(one >= 0 && one < gone && gone < two, qPrintable(out));
        QVERIFY2(out.mid(gone, 300).contains("This page gave nothing"), qPrintable(out));
        if (format == "md") {
            // Written as it arrives, a link to a page still to come leads to the heading it
            // names, as in a file; one back leads to its part.
            const QString html = rendered(f.out);
            static const QRegularExpression forward(
                QStringLiteral("<a href=\"#([^\"]+)\">the usage notes</a>"));
            const QString target = forward.match(html).captured(1);
            QVERIFY2(!target.isEmpty(), qPrintable(html));
            QVERIFY2(html.contains("<h3><a id=\"" + target + "\"></a>Usage notes</h3>"),
                     qPrintable(html));
            QVERIFY(out.contains("[the start](#getting-started)"));
        }
    }

private:
    QTemporaryDir dir;
    TestHttpServer server{routes};
};

VANTREL_ENGINE_TEST_MAIN(TestArticleText)
#include "tst_articletext.moc"
