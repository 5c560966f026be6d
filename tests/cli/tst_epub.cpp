// vantrel-join -o book.epub through the real executable, against pages served on 127.0.0.1 that
// hold what web pages hold and an e-book may not: a form, an iframe, markup that is no XML, a WebP
// image, an image that cannot be had. The book is opened as a zip and given to the EPUB checker.
#include "archive.h"
#include "commandrun.h"
#include "testhttpserver.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray imageBytes(const char* format)
{
    QImage image(6, 6, QImage::Format_RGB32);
    image.fill(qRgb(0, 120, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QStringList captured(const QRegularExpression& pattern, const QString& text)
{
    QStringList found;
    for (const auto& match : pattern.globalMatch(text))
        found.append(match.captured(1));
    return found;
}

} // namespace

class TestEpub : public QObject
{
    Q_OBJECT

    QString url(const QString& path) const { return site.url(path); }

    TestHttpServer::Response route(const QByteArray& path)
    {
        if (path == "/one")
            return TestHttpServer::html(
                "<html lang=en-GB><head><title>First page</title></head><body>"
                "<h1>Start</h1><h2 id='a b'>Spaced id</h2><h3>Deep</h3><h2>Second part</h2>"
                "<p class=x data-Note=1 align=center>text&nbsp;here<br>line <a href=/three#target "
                "onclick=go()>to the target</a> <a href='#a b'>to the spaced id</a> "
                "<a href=/download#part>into the page that gives none</a></p>"
                "<form action=/send><label for=q>Find</label><input id=q name=q><select><option>1"
                "</select><button>Go</button></form><iframe src=/three></iframe>"
                "<img src=/img/photo.webp alt=photo><img src=/img/gone.png alt='a lost picture'>"
                "<img src=/img/dot.png><center><font color=red>old</font></center>"
                "</body></html>");
        if (path == "/two")
            return TestHttpServer::html(
                "<html><head><title>Second page</title></head><body><h1>Two</h1>"
                "<img src=/img/dot.png alt=again><img src=/img/logo.svg alt=logo>"
                "<embed src=/x.swf><object "
                "data=/x.swf></object><script>x()</script></body></html>");
        if (path == "/three")
            return TestHttpServer::html("<html><head><title>Third page</title></head><body>"
                                        "<p id=target>here</p></body></html>");
        if (path == "/img/photo.webp")
            return TestHttpServer::response(200, "image/webp", imageBytes("WEBP"));
        if (path == "/img/dot.png")
            return TestHttpServer::response(200, "image/png", imageBytes("PNG"));
        if (path == "/img/logo.svg") // a stop without offset, which the checker refuses
            return TestHttpServer::response(
                200, "image/svg+xml",
                "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><defs>"
                "<linearGradient id='g'><stop stop-color='#fff'/><stop offset='1'/>"
                "</linearGradient></defs><rect width='10' height='10' fill='url(#g)'/></svg>");
        if (path == "/gone") // an error page with a title of its own
            return TestHttpServer::response(404, "text/html",
                                            "<html><head><title>Error response</title></head>"
                                            "<body><h1>Error response</h1></body></html>");
        if (path == "/quirks") // markup the parser puts where XHTML allows none
            return TestHttpServer::html(
                "<html><body><p>before</p><math><mi>x</mi><mtext><table><style>p { color: red } "
                "<b>bold</b></style><tr><td>cell</td></tr></table></mtext></math>"
                "<math><mtext>plain <b>bold</b></mtext></math>"
                "<svg width=10 height=10 onload=go()><circle r=5 onclick=go() OnMouseOver='go()'/>"
                "<a href=#t><text y=5 onfocusin=go()>t</text></a></svg>"
                "<math onclick=go()><mi onmouseover=go()>y</mi></math></body></html>");
        if (path == "/download") // a listed address that gives no page
            return TestHttpServer::response(200, "application/zip", "PK",
                                            {{"Content-Disposition", "attachment"}});
        return TestHttpServer::response(404, "text/html", "<html><body>none</body></html>");
    }

    // Fails the test when the EPUB checker finds anything wrong with the book.
    void checked(const QString& path)
    {
        const std::optional<QString> said = epubCheckerFindings(path);
        if (!said)
            QSKIP("java or epubcheck is not installed: the book is not checked");
        QVERIFY2(said->isEmpty(), qPrintable(*said));
    }

    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, arguments);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!imageBytes("WEBP").isEmpty(), "Qt's WebP plugin is missing");
        const Finished f = run({"-q", "--title", "Guide", "--author", "Docs team", "-o",
                                "book.epub", url("/one"), url("/two"), url("/three"),
                                url("/download"), "http://127.0.0.1:1/refused", url("/gone")});
        QCOMPARE(f.status, 1);
        QVERIFY2(f.errLines.contains("vantrel-join: warning: " + url("/img/gone.png") +
                                     " is left out of the book: HTTP status 404"),
                 qPrintable(f.errLines.join('\n')));
        book = readArchive(dir.filePath("book.epub"));
        QVERIFY(!book.names.isEmpty());
    }

    void book_passesTheChecker()
    {
        checked(dir.filePath("book.epub"));
        QCOMPARE(book.names.first(), "mimetype");
        QVERIFY(book.firstStored);
    }

    void navigation_listsPagesAndHeadingsInOrder()
    {
        const QString nav = QString::fromUtf8(book.files.value("EPUB/nav.xhtml"));
        static const QRegularExpression entry("<a href=\"([^\"]*)\">([^<]*)</a>");
        QStringList entries;
        for (const auto& match : entry.globalMatch(nav))
            entries.append(match.captured(1) + ' ' + match.captured(2));
        QCOMPARE(entries,
                 QStringList({"page-1.xhtml First page", "page-1.xhtml#p1-h1 Start",
                              "page-1.xhtml#p1-a_b Spaced id", "page-1.xhtml#p1-h2 Second part",
                              "page-2.xhtml Second page", "page-2.xhtml#p2-h1 Two",
                              "page-3.xhtml Third page", "page-4.xhtml " + url("/download"),
                              "page-5.xhtml http://127.0.0.1:1/refused",
                              "page-6.xhtml " + url("/gone")}));
        // Nested: the h2 entries sit in a list inside the h1's entry.
        QVERIFY(nav.contains("Start</a><ol><li><a href=\"page-1.xhtml#p1-a_b\""));
        const QString opf = QString::fromUtf8(book.files.value("EPUB/package.opf"));
        QVERIFY(opf.contains("<dc:title>Guide</dc:title>"));
        QVERIFY(opf.contains("<dc:creator>Docs team</dc:creator>"));
        QVERIFY(opf.contains("<dc:language>en-GB</dc:language>"));
    }

    void links_landOnTheirDocumentAndId()
    {
        const QString one = QString::fromUtf8(book.files.value("EPUB/page-1.xhtml"));
        QVERIFY(one.contains("<a href=\"page-3.xhtml#p3-target\">to the target</a>"));
        QVERIFY(one.contains("<a href=\"page-1.xhtml#p1-a_b\">to the spaced id</a>"));
        QVERIFY(one.contains("id=\"p1-a_b\""));
        QVERIFY(book.files.value("EPUB/page-3.xhtml").contains("id=\"p3-target\""));
        // A page that gave nothing has its chapter, with its address and why, and a link into
        // it lands on an id there.
        QVERIFY(one.contains("<a href=\"page-4.xhtml#p4-part\">into the page that gives none</a>"));
        const QString download = QString::fromUtf8(book.files.value("EPUB/page-4.xhtml"));
        QVERIFY2(download.contains(url("/download")) &&
                     download.contains("<p class=\"failure\">This page was not joined: a download, "
                                       "not a page</p>"),
                 qPrintable(download));
        QVERIFY(download.contains("id=\"p4-part\""));
        // The engine's error page for an address that gave none is no chapter of the book.
        QVERIFY(book.files.value("EPUB/page-5.xhtml").contains("<p class=\"failure\">"));
    }

    void images_areInsideTheBookEachOnce()
    {
        const QString opf = QString::fromUtf8(book.files.value("EPUB/package.opf"));
        static const QRegularExpression imageItem(
            "href=\"(images/[^\"]*)\" media-type=\"([^\"]*)\"");
        QStringList items;
        for (const auto& match : imageItem.globalMatch(opf))
            items.append(match.captured(1) + ' ' + match.captured(2));
        QCOMPARE(items, QStringList({"images/1.png image/png", "images/2.png image/png",
                                     "images/3.svg image/svg+xml"}));
        for (const QString& item : items)
            QVERIFY(book.files.contains("EPUB/" + item.section(' ', 0, 0)));
        QStringList sources;
        static const QRegularExpression source("<img [^>]*src=\"([^\"]*)\"");
        for (const char* chapter : {"EPUB/page-1.xhtml", "EPUB/page-2.xhtml"})
            sources += captured(source, QString::fromUtf8(book.files.value(chapter)));
        QCOMPARE(sources,
                 QStringList({"images/1.png", "images/2.png", "images/2.png", "images/3.svg"}));
        QVERIFY(book.files.value("EPUB/page-1.xhtml").contains(">a lost picture</span>"));
    }

    void hostileMarkup_stillMakesValidChapters()
    {
        const Finished f = run({"-q", "-o", "hostile.epub", url("/quirks")});
        QCOMPARE(f.status, 0);
        const Archive hostile = readArchive(dir.filePath("hostile.epub"));
        const QString chapter = QString::fromUtf8(hostile.files.value("EPUB/page-1.xhtml"));
        // The style keeps its rule, not the markup; the table keeps its text, not its place.
        QVERIFY2(chapter.contains("<style>p { color: red; }</style>"), qPrintable(chapter));
        QVERIFY(!chapter.contains("<table") && chapter.contains("cell"));
        QVERIFY(chapter.contains("<mtext>plain <b"));
        // SVG and MathML keep their vocabulary, but not their event handlers.
        QVERIFY(chapter.contains("<circle r=\"5\"") && chapter.contains("<mi>y</mi>"));
        static const QRegularExpression handler("\\son[a-z]+=",
                                                QRegularExpression::CaseInsensitiveOption);
        for (const QString& name : hostile.names)
            QVERIFY2(!QString::fromUtf8(hostile.files.value(name)).contains(handler),
                     qPrintable(name));
        checked(dir.filePath("hostile.epub"));
    }

    void standardOutput_getsAWholeBook()
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const Finished f =
            runCommand(process, {"-q", "--format", "epub", "-o", "-", url("/three")});
        QCOMPARE(f.status, 0);
        QFile file(dir.filePath("piped.epub"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(f.out) == f.out.size());
        file.close();
        const Archive piped = readArchive(file.fileName());
        QCOMPARE(piped.names.value(0), "mimetype");
        QVERIFY(piped.files.value("EPUB/page-1.xhtml").contains("id=\"p1-target\""));
        QVERIFY(piped.files.contains("EPUB/package.opf"));
    }

    void unwritableBook_isExit3WithOneLine()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full here");
        const Finished f = run({"-q", "--format", "epub", "-o", "/dev/full", url("/three")});
        QCOMPARE(f.status, 3);
        QCOMPARE(f.errLines,
                 QStringList{"vantrel-join: Cannot write /dev/full: No space left on device"});
    }

private:
    TestHttpServer site{[this](const QByteArray& path) { return route(path); }};
    QTemporaryDir temporary;
    QDir dir{temporary.path()};
    Archive book;
};

QTEST_GUILESS_MAIN(TestEpub)
#include "tst_epub.moc"
