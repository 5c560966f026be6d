// Copies that stand on their own (the standalone file, the PDF, the EPUB) show pages as their
// sites showed them: what the site hid stays out (of Markdown and text too), and what stays keeps
// its colours, boxes and fonts. The copy is opened in a browser page beside the live page and
// their looks compared.
#include "archive.h"
#include "commandrun.h"
#include "pagescript.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>

namespace {

// Each kind of element a sighted reader does not see, and one that shows inside a hidden parent.
const QByteArray HiddenPage = R"(<!DOCTYPE html><html><head><title>Hidden things</title><style>
.d-none { display: none }
.sr-only { position: absolute; width: 1px; height: 1px; margin: -1px; overflow: hidden;
           clip: rect(0, 0, 0, 0); border: 0 }
.off { position: absolute; left: -10000px }
.padded-clip { position: absolute; clip: rect(1px, 1px, 1px, 1px); padding: 1px 0 0 0; border: 0;
               height: 1px; width: auto; overflow: hidden }
.inset-clip { position: absolute; clip-path: inset(50%); white-space: nowrap }
.invisible { visibility: hidden } .invisible .shown { visibility: visible }
a.headerlink { visibility: hidden } h2:hover > a.headerlink { visibility: visible }
@media print { .no-print { display: none } }
</style></head><body>
<h2 id="awaitables">Awaitables<a class="headerlink" href="#awaitables">¶</a></h2>
<p>Visible text.</p>
<p class="d-none">HIDDEN-BY-CLASS</p>
<p hidden>HIDDEN-BY-ATTRIBUTE</p>
<span class="sr-only">HIDDEN-CLIPPED</span>
<div class="off">HIDDEN-OFF-SCREEN</div>
<p>A formula<span class="padded-clip">HIDDEN-CLIPPED-PADDED, its copy for screen readers</span></p>
<div class="inset-clip">HIDDEN-CLIPPED-INSET</div>
<div class="invisible">HIDDEN-INVISIBLE<span class="shown">SHOWN-CHILD</span></div>
<p class="no-print">NOT-IN-PRINT</p>
</body></html>)";

// Highlighted code, an admonition and a bordered table, under a fixed header, in a wrapper the
// height of the window that hides what overflows it.
const QByteArray LookPage = R"(<!DOCTYPE html><html><head><title>Looks</title><style>
body { font-family: sans-serif; color: rgb(34, 34, 34) }
header { position: fixed; top: 0; left: 0; right: 0; background: rgb(51, 51, 51);
         color: rgb(255, 255, 255) }
.page { height: 100vh; overflow: hidden }
pre { background: rgb(240, 240, 240); border: 1px solid rgb(204, 204, 204); border-radius: 4px;
      padding: 8px; font-family: "No Such Mono", monospace }
.k { color: rgb(0, 112, 32); font-weight: bold }
.note { border: 2px solid rgb(200, 0, 0); background: rgb(255, 238, 238); padding: 10px }
h3 { font-size: 1.4rem; color: rgb(0, 0, 128) }
table { border-collapse: collapse } td { border: 1px solid rgb(0, 0, 255); padding: 6px }
.evil { font-family: "x</style><b id=injected>x</b>" }
</style></head><body>
<header id="header">Site header</header>
<div class="page">
<h3 id="heading">A third-level heading</h3>
<pre id="code"><span id="keyword" class="k">def</span> f(): pass</pre>
<div id="note" class="note"><p>Important</p></div>
<table><tr><td id="cell">a</td><td>b</td></tr></table>
<p class="evil">odd font</p>
%1
<p id="end">The end of the page</p>
</div></body></html>)";

// A long page, for sheets to count.
QByteArray longPage()
{
    QByteArray body;
    for (int i = 0; i < 200; ++i)
        body += "<p>Paragraph " + QByteArray::number(i) +
                " of a long page, long enough to wrap "
                "once or twice on a sheet of paper in the default font.</p>";
    return "<html><head><title>Long</title></head><body>" + body + "</body></html>";
}

// The look of the elements with these ids, as the page's browser computes it.
const char* const LookOf = R"((function (ids) {
    const look = {};
    for (const id of ids) {
        const element = document.getElementById(id);
        if (!element)
            continue;
        const style = getComputedStyle(element);
        look[id] = ['color', 'background-color', 'border-top-width', 'border-top-style',
                    'border-top-color', 'border-top-left-radius', 'padding-top', 'font-weight',
                    'font-size'].map(name => name + ' ' + style.getPropertyValue(name))
                   .concat(['generic ' + (/monospace/.test(style.fontFamily) ? 'monospace'
                                                                             : 'other')]);
    }
    return look;
}))";

int sheetsOf(const QString& pdf)
{
    const QRegularExpressionMatch pages =
        QRegularExpression("Pages:\\s+(\\d+)").match(toolOutput("pdfinfo", {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

QString pdfText(const QString& pdf)
{
    return QString::fromUtf8(toolOutput("pdftotext", {pdf, "-"}));
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, arguments);
    }

    // Loads url in a browser page and answers what script (a function of ids) gives for them.
    QVariantMap evaluateIn(const QUrl& url, const QString& script, const QStringList& ids)
    {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        return scriptResultIn(page, url,
                              script + "(" + QJsonDocument::fromVariant(ids).toJson() + ")")
            .toMap();
    }

    QTemporaryDir dir;
    TestHttpServer site{[](const QByteArray& path) {
        if (path == "/hidden")
            return TestHttpServer::html(HiddenPage);
        if (path.startsWith("/look"))
            return TestHttpServer::html(QString::fromUtf8(LookPage)
                                            .arg(QString("<p>More of the page.</p>").repeated(100))
                                            .toUtf8());
        if (path == "/long")
            return TestHttpServer::html(longPage());
        return TestHttpServer::response(404, "text/html", "<html><body>none</body></html>");
    }};

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void hiddenElements_stayOutOfEveryCopy_data()
    {
        QTest::addColumn<QString>("output");
        QTest::newRow("standalone") << "hidden.html";
        QTest::newRow("pdf") << "hidden.pdf";
        QTest::newRow("epub") << "hidden.epub";
        QTest::newRow("markdown") << "hidden.md";
        QTest::newRow("text") << "hidden.txt";
    }
    void hiddenElements_stayOutOfEveryCopy()
    {
        QFETCH(QString, output);
        QStringList arguments{site.url("/hidden"), "--toc", "-o", output};
        if (output.endsWith(".html"))
            arguments.prepend("--standalone");
        const Finished f = run(arguments);
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QString path = dir.filePath(output);
        QString text;
        if (output.endsWith(".pdf")) {
            text = pdfText(path);
        } else if (output.endsWith(".epub")) {
            for (const QByteArray& file : readArchive(path).files)
                text += QString::fromUtf8(file);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            text = QString::fromUtf8(file.readAll());
        }
        QVERIFY2(text.contains("Visible text") && text.contains("SHOWN-CHILD"), qPrintable(text));
        QVERIFY2(!text.contains("HIDDEN-"), qPrintable(text));
        // The permalink sign is in no title either: not in a book's navigation or outline.
        QVERIFY2(!text.contains(QChar(0xb6)), qPrintable(text));
        QVERIFY(text.contains("Awaitables"));
        // What the page hides in print alone shows on screen, and stays out of print.
        QCOMPARE(text.contains("NOT-IN-PRINT"), !output.endsWith(".pdf"));
    }

    void standaloneCopy_looksLikeTheLivePage()
    {
        const Finished f = run({"--standalone", site.url("/look"), "-o", "look.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QStringList ids{"heading", "code", "keyword", "note", "cell"};
        const QVariantMap live = evaluateIn(QUrl(site.url("/look")), LookOf, ids);
        QStringList prefixed;
        for (const QString& id : ids)
            prefixed.append("p1-" + id);
        const QVariantMap copy =
            evaluateIn(QUrl::fromLocalFile(dir.filePath("look.html")), LookOf, prefixed);
        QCOMPARE(live.size(), ids.size());
        for (const QString& id : ids)
            QCOMPARE(copy.value("p1-" + id).toStringList(), live.value(id).toStringList());
    }

    void standaloneCopy_hasNoFixedChromeAndNoClippedWrapper()
    {
        const Finished f = run({"--standalone", site.url("/look"), "-o", "chrome.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QVariantMap layout =
            evaluateIn(QUrl::fromLocalFile(dir.filePath("chrome.html")), R"((function () {
                const header = document.getElementById('p1-header');
                const end = document.getElementById('p1-end');
                const wrapper = end.parentElement.getBoundingClientRect();
                return { header: getComputedStyle(header).position,
                         endShows: end.getBoundingClientRect().bottom <= wrapper.bottom &&
                                   wrapper.height > 2 * window.innerHeight };
            }))",
                       {});
        QCOMPARE(layout.value("header").toString(), "static");
        QVERIFY(layout.value("endShows").toBool());
    }

    void hostileFontName_cannotEndTheStylesheet()
    {
        const Finished f = run({"--standalone", site.url("/look"), "-o", "-"});
        QCOMPARE(f.status, 0);
        QVERIFY(f.out.contains("odd font"));
        QVERIFY(!f.out.contains("<b id=injected>"));
    }

    void localPage_looksAsItsStylesheetShowsIt()
    {
        // Its stylesheet lies beside its folder, where a documentation tree keeps them.
        QDir root(dir.filePath("docs"));
        QVERIFY(root.mkpath("_static") && root.mkpath("library"));
        QFile sheet(root.filePath("_static/site.css"));
        QVERIFY(sheet.open(QIODevice::WriteOnly));
        sheet.write("p.note { color: rgb(200, 10, 10); font-style: italic }");
        sheet.close();
        QFile page(root.filePath("library/page.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><head><link rel=stylesheet href=../_static/site.css>"
                   "<link rel=stylesheet href=../_static/huge.css></head>"
                   "<body><p class=note>noted</p></body></html>");
        page.close();
        // Two gigabytes that would be read whole into the page's renderer (sparse: no disk).
        QFile huge(root.filePath("_static/huge.css"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(2) << 30));
        huge.close();
        const Finished f = run({"-q", "--standalone", page.fileName(), "-o", "-"});
        QCOMPARE(f.errLines, QStringList());
        QCOMPARE(f.status, 0);
        QVERIFY2(f.out.contains("color:rgb(200, 10, 10);font-style:italic;"), f.out.constData());
    }

    void plain_keepsTheDocumentsOwnLookWithoutWhatWasHidden()
    {
        const Finished f =
            run({"--standalone", "--plain", site.url("/look"), site.url("/hidden"), "-o", "-"});
        QCOMPARE(f.status, 0);
        static const QRegularExpression pageClass("class=\"[^\"]*\\bv[0-9a-z]{6,}");
        QVERIFY(!pageClass.match(QString::fromUtf8(f.out)).hasMatch());
        QVERIFY(f.out.contains("SHOWN-CHILD") && !f.out.contains("HIDDEN-"));
    }

    // A site's pages share their classes: written as they arrive, a page brings only the rules
    // of classes no page before it used, and every class a page uses is defined before it.
    void streamedPages_bringOnlyTheirNewClasses()
    {
        const Finished f =
            run({"--standalone", site.url("/look?1"), site.url("/look?2"), "-o", "-"});
        QCOMPARE(f.status, 0);
        const QString out = QString::fromUtf8(f.out);
        const qsizetype second = out.indexOf("<section id=\"p2\"");
        QVERIFY(second > 0);
        QCOMPARE(out.count("<style>"), 2); // the file's own, and the first page's classes
        QVERIFY(out.lastIndexOf("<style>") < out.indexOf("<section id=\"p1\""));
        static const QRegularExpression used("class=\"[^\"]*\\b(v[0-9a-z]{6,})");
        const QString defined = out.left(out.indexOf("<section id=\"p1\""));
        int count = 0;
        for (const auto& match : used.globalMatch(out.mid(second))) {
            QVERIFY2(defined.contains('.' + match.captured(1) + '{'),
                     qPrintable(match.captured(1)));
            ++count;
        }
        QVERIFY(count > 3);
    }

    void zoom_printsMoreOfAPageToASheet()
    {
        Finished f = run({site.url("/long"), "-o", "normal.pdf"});
        QCOMPARE(f.status, 0);
        f = run({site.url("/long"), "--zoom", "0.5", "-o", "small.pdf"});
        QCOMPARE(f.status, 0);
        const int normal = sheetsOf(dir.filePath("normal.pdf"));
        const int small = sheetsOf(dir.filePath("small.pdf"));
        QVERIFY2(normal > 2 && small > 0 && small < normal,
                 qPrintable(QStringLiteral("%1 sheets at 1, %2 at 0.5").arg(normal).arg(small)));
    }
};

VANTREL_ENGINE_TEST_MAIN(TestLook)
#include "tst_look.moc"
