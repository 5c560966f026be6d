// Pages whose own scripts make what they show after their load: formulas typeset by a math
// library (MathJax 2, 3, KaTeX) and diagrams drawn by Mermaid. The command waits for them and
// writes each formula once in every format, as that format can hold it: drawn in the standalone
// file and the PDF, MathML in the EPUB, TeX in Markdown and text. The libraries are served on
// 127.0.0.1 from Debian's packages and the pinned npm development packages (tests/cli/rendered
// has the pages).
#include "archive.h"
#include "commandrun.h"
#include "pagescript.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QFile>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using Response = TestHttpServer::Response;

namespace {

const QString Pages = QStringLiteral(VANTREL_SOURCE_DIR "/tests/cli/rendered");
// Where each library the pages name under /lib/ is installed.
const QList<QPair<QByteArray, QString>> Libraries = {
    {"/lib/mathjax2/", QStringLiteral("/usr/share/javascript/mathjax/")},
    {"/lib/katex/", QStringLiteral("/usr/share/javascript/katex/")},
    {"/lib/mathjax3/", QStringLiteral(VANTREL_SOURCE_DIR "/node_modules/mathjax/es5/")},
    {"/lib/mermaid/", QStringLiteral(VANTREL_SOURCE_DIR "/node_modules/mermaid/dist/")},
};

// The pages with formulas, in the order of every run: each shows α+β inline and a sum set apart.
// Drawn as glyphs of text (their text is the formula's), or as SVG paths (no text of their own).
const QStringList GlyphPages = {"mathjax2.html", "katex.html"};
const QStringList SvgPages = {"mathjax2-svg.html", "mathjax3-svg.html"};
// MathJax 3's HTML output draws its glyphs as generated text in its own web fonts, which the
// copy keeps as text of its own.
const QStringList FontPages = {"mathjax3.html"};
const QString InlineTex = QStringLiteral("\\alpha+\\beta");
const QString DisplayTex = QStringLiteral("\\sum_{k=1}^{n} k^{2}");

Response served(const QByteArray& path)
{
    QString file;
    const QByteArray plain = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
    for (const auto& [prefix, folder] : Libraries)
        if (plain.startsWith(prefix))
            file = folder + QString::fromUtf8(plain.mid(prefix.size()));
    if (file.isEmpty())
        file = Pages + QString::fromUtf8(plain);
    QFile content(file);
    if (file.contains(QLatin1String("..")) || !content.open(QIODevice::ReadOnly))
        return TestHttpServer::response(404, "text/plain", "none");
    Response response = TestHttpServer::response(
        200, QMimeDatabase().mimeTypeForFile(file).name().toUtf8(), content.readAll());
    // A typesetter that comes late comes slowly too.
    if (path.endsWith("?slow"))
        response.delay = std::chrono::milliseconds(1500);
    return response;
}

// The text of each page's part, in order: every page ends with the same sentence.
QStringList partsOf(const QString& text)
{
    QStringList parts = text.split(QStringLiteral("The end of the page."));
    parts.removeLast();
    return parts;
}

} // namespace

class TestRendered : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    TestHttpServer server{served};
    QHash<QString, Finished> made; // by output file

    QStringList addresses(const QStringList& pages) const
    {
        QStringList list;
        for (const QString& page : pages)
            list.append(server.url(QLatin1Char('/') + page));
        return list;
    }
    QStringList formulaPages() const { return GlyphPages + SvgPages + FontPages; }
    // The formula pages and the diagram, made once into output (its kind by its name's ending;
    // HTML stands on its own).
    Finished make(const QString& output)
    {
        if (!made.contains(output)) {
            QProcess process;
            process.setWorkingDirectory(dir.path());
            const QStringList options =
                output.endsWith(".html") ? QStringList{"--standalone"} : QStringList{};
            made.insert(output, runCommand(process, QStringList{"-q"} + options +
                                                        QStringList{"-o", output} +
                                                        addresses(formulaPages() +
                                                                  QStringList{"mermaid.html"})));
        }
        return made.value(output);
    }
    QString fileText(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QVariant inStandalone(const QString& script)
    {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        return scriptResultIn(page, QUrl::fromLocalFile(dir.filePath("book.html")), script);
    }
    // Runs epubcheck on the book; fails the test on any error.
    void checkBook(const QString& path)
    {
        const QString checker = QStringLiteral("/usr/share/java/epubcheck.jar");
        if (QStandardPaths::findExecutable("java").isEmpty() || !QFile::exists(checker))
            QSKIP("java or epubcheck is not installed: the book is not checked");
        QProcess check;
        check.start("java", {"-jar", checker, path});
        QVERIFY(check.waitForFinished(120000));
        const QString said = check.readAllStandardOutput() + check.readAllStandardError();
        QVERIFY2(check.exitCode() == 0 && !said.contains("ERROR"), qPrintable(said));
    }
    static QString rendered(const QString& markdown)
    {
        QProcess parser;
        parser.start(QStringLiteral("cmark-gfm"), {"--unsafe"});
        if (!parser.waitForStarted(30000))
            return {};
        parser.write(markdown.toUtf8());
        parser.closeWriteChannel();
        parser.waitForFinished(60000);
        return QString::fromUtf8(parser.readAllStandardOutput());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        for (const auto& [prefix, folder] : Libraries)
            if (!QFile::exists(folder))
                QSKIP(qPrintable(folder + " is not installed (scripts/setup-debian.sh)"));
    }

    // The PDF's text holds each formula once, typeset: no TeX left raw, no status box, no
    // second copy from the library's hidden MathML. A drawing with no text keeps its TeX.
    void pdf_holdsEachFormulaOnceAsTypeset()
    {
        QCOMPARE(make("book.pdf").status, 0);
        const QStringList parts =
            partsOf(QString::fromUtf8(toolOutput("pdftotext", {dir.filePath("book.pdf"), "-"})));
        QCOMPARE(parts.size(), formulaPages().size());
        for (int i = 0; i < parts.size(); ++i) {
            const QString& part = parts[i];
            const QString page = formulaPages()[i];
            QVERIFY2(!part.contains("\\(") && !part.contains("$$"), qPrintable(page + part));
            QVERIFY2(!part.contains("Typesetting") && !part.contains("Processing") &&
                         !part.contains("Loading"),
                     qPrintable(page + part));
            if (SvgPages.contains(page))
                QVERIFY2(part.count(InlineTex) == 1 && part.count(DisplayTex) == 1 &&
                             !part.contains(QStringLiteral("α")),
                         qPrintable(page + part));
            else
                QVERIFY2(part.count(QStringLiteral("α")) == 1, qPrintable(page + part));
        }
    }

    // Opened in the engine, the standalone file draws each formula as the page did, once: the
    // glyphs an SVG formula shares are there, the hidden copies are not.
    void standalone_drawsEachFormulaOnce()
    {
        QCOMPARE(make("book.html").status, 0);
        const QVariantMap found = inStandalone(R"((() => {
            const uses = Array.from(document.querySelectorAll('use'));
            return {
                hidden: document.querySelectorAll(
                    '.MJX_Assistive_MathML, mjx-assistive-mml, .katex-mathml').length,
                alphas: document.body.innerText.split('α').length - 1,
                uses: uses.length,
                missing: uses.filter(use => {
                    const target = (use.getAttribute('href') || use.getAttribute('xlink:href'));
                    return !document.getElementById(target.slice(1));
                }).length,
                drawn: Array.from(document.querySelectorAll('mjx-container svg, .MathJax_SVG svg'))
                    .filter(svg => svg.getBoundingClientRect().width > 4).length,
                notes: document.querySelectorAll('[data-vantrel-mathml]').length,
            };
        })())")
                                     .toMap();
        QCOMPARE(found.value("hidden").toInt(), 0);
        // MathJax 3's glyphs, text its stylesheet writes, are text of the copy: once each.
        QCOMPARE(found.value("alphas").toInt(), GlyphPages.size() + FontPages.size());
        QVERIFY(found.value("uses").toInt() > 0);
        QCOMPARE(found.value("missing").toInt(), 0);
        QCOMPARE(found.value("drawn").toInt(), 2 * SvgPages.size());
        QCOMPARE(found.value("notes").toInt(), 0);
    }

    // MathJax's HTML output places each part of a formula by the formula's own styles: kept, a
    // fraction stands on either side of its line, level with what is beside it.
    void standalone_keepsAFormulasLayout_data()
    {
        QTest::addColumn<QString>("address");
        // Placed by its style attributes; placed by the library's own rules over those.
        QTest::newRow("HTML-CSS") << "/mathjax2-html.html";
        QTest::newRow("CommonHTML") << "/mathjax2-chtml.html";
    }
    void standalone_keepsAFormulasLayout()
    {
        QFETCH(QString, address);
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QCOMPARE(runCommand(process, {"-q", "--standalone", "-o", "fraction.html",
                                      server.url(address)})
                     .status,
                 0);
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        const QVariantMap tops =
            scriptResultIn(page, QUrl::fromLocalFile(dir.filePath("fraction.html")), R"((() => {
                const tops = {};
                const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
                while (walker.nextNode()) {
                    const text = walker.currentNode.nodeValue.trim();
                    if (['=', '2', 'π'].includes(text)) {
                        const range = document.createRange();
                        range.selectNodeContents(walker.currentNode);
                        const box = range.getBoundingClientRect();
                        tops[text] = box.top;
                        tops[text + ' bottom'] = box.bottom;
                    }
                }
                // The fraction's line: a box of no text, wide and a border thin.
                for (const element of document.body.querySelectorAll('*')) {
                    const box = element.getBoundingClientRect();
                    const style = getComputedStyle(element);
                    if (!element.textContent.trim() && box.width > 4 && box.height <= 3 &&
                        [style.borderTopStyle, style.borderBottomStyle, style.borderLeftStyle]
                            .some(line => line !== 'none'))
                        tops.line = box.top + box.height / 2;
                }
                return tops;
            })())")
                .toMap();
        const auto at = [&tops](const QString& name) { return tops.value(name).toDouble(); };
        QVERIFY2(tops.size() == 7 && at("2") < at("=") && at("=") < at(QStringLiteral("π")) &&
                     at("2 bottom") <= at("line") + 1 && at("line") <= at(QStringLiteral("π")) + 1,
                 qPrintable(QJsonDocument::fromVariant(tops).toJson()));
    }

    // The EPUB holds each formula as MathML an e-book may hold, its TeX beside it; the diagram
    // stays a drawing; epubcheck finds no error.
    void epub_holdsValidMathml()
    {
        QCOMPARE(make("book.epub").status, 0);
        checkBook(dir.filePath("book.epub"));
        if (QTest::currentTestFailed())
            return;
        const Archive book = readArchive(dir.filePath("book.epub"));
        int chapters = 0;
        for (const QString& name : book.names) {
            const QString text = QString::fromUtf8(book.files.value(name));
            if (!name.endsWith(".xhtml") || !text.contains("The end of the page."))
                continue;
            ++chapters;
            QVERIFY2(text.count("<math ") == 2 && text.count("display=\"block\"") == 1,
                     qPrintable(name + text));
            QVERIFY2(text.contains("alttext=\"" + InlineTex + "\""), qPrintable(text));
            QVERIFY2(!text.contains("mjx-assistive") && !text.contains("MJX_Assistive") &&
                         !text.contains("data-vantrel"),
                     qPrintable(text));
        }
        QCOMPARE(chapters, formulaPages().size());
    }

    // Markdown writes each formula's TeX between dollars, set apart on lines of its own.
    void markdown_writesTheTexSource()
    {
        QCOMPARE(make("book.md").status, 0);
        const QString markdown = fileText("book.md");
        QCOMPARE(markdown.count("$" + InlineTex + "$"), formulaPages().size());
        QCOMPARE(markdown.count("\n$$\n" + DisplayTex + "\n$$\n"), formulaPages().size());
        QVERIFY2(!markdown.contains(QStringLiteral("α")), qPrintable(markdown));
        QVERIFY(rendered(markdown).contains("$" + InlineTex + "$"));
    }

    // Plain text holds each formula's TeX once, and nothing undefined.
    void plainText_writesTheTexOnce()
    {
        QCOMPARE(make("book.txt").status, 0);
        const QString text = fileText("book.txt");
        QCOMPARE(text.count(InlineTex), formulaPages().size());
        QCOMPARE(text.count(DisplayTex), formulaPages().size());
        QVERIFY2(!text.contains("undefined") && !text.contains(QStringLiteral("α")),
                 qPrintable(text));
    }

    // A diagram is drawn as on its page (its own styles, whole labels); Markdown and text keep
    // its source.
    void diagram_keptAsDrawnAndItsSourceInText()
    {
        QCOMPARE(make("book.html").status, 0);
        const QVariantMap found = inStandalone(R"((() => {
            const box = document.querySelector('svg .node rect, svg .node polygon');
            return {
                fill: box ? getComputedStyle(box).fill : 'none found',
                label: document.body.innerText.includes('Start the long process'),
            };
        })())")
                                     .toMap();
        QVERIFY2(found.value("fill").toString() != "rgb(0, 0, 0)" &&
                     found.value("fill").toString() != "none found",
                 qPrintable(found.value("fill").toString()));
        QVERIFY(found.value("label").toBool());

        QCOMPARE(make("book.pdf").status, 0);
        QVERIFY(QString::fromUtf8(toolOutput("pdftotext", {dir.filePath("book.pdf"), "-"}))
                    .contains("Start the long process"));

        QCOMPARE(make("book.md").status, 0);
        const QString html = rendered(fileText("book.md"));
        QVERIFY2(html.contains("<pre><code class=\"language-mermaid\">graph TD\n"), qPrintable(html));
        QVERIFY2(!html.contains("font-family"), qPrintable(html));
        QCOMPARE(make("book.txt").status, 0);
        QVERIFY(fileText("book.txt").contains("A[Start the long process] --> B{Is it done yet}"));
    }

    // A typesetter whose script the page adds only once it has loaded is waited for.
    void readiness_waitsForALateTypesetter()
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const Finished f = runCommand(process, {"-q", "-o", "late.md",
                                                server.url("/mathjax3-late.html")});
        QCOMPARE(f.status, 0);
        const QString markdown = fileText("late.md");
        QVERIFY2(markdown.contains("$" + InlineTex + "$") && !markdown.contains("\\("),
                 qPrintable(markdown));
    }

    // A page with no renderer is copied as its load left it, as before: what its clock shows a
    // moment later is not waited for.
    void readiness_holdsNoPageWithoutRenderers()
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const Finished f = runCommand(process, {"-q", "-o", "clock.txt", server.url("/clock.html")});
        QCOMPARE(f.status, 0);
        QVERIFY2(fileText("clock.txt").contains("FIRST-STATE"), qPrintable(fileText("clock.txt")));
    }
};

VANTREL_ENGINE_TEST_MAIN(TestRendered)
#include "tst_rendered.moc"
