// What a page's stylesheets add to what it says: text written by ::before and ::after (separators,
// brackets, counters, attributes, quotes, an icon), the web fonts it is drawn in and the images
// its rules set behind elements. Each copy that stands on its own holds them once.
#include "archive.h"
#include "commandrun.h"
#include "pagescript.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

const QString FontAwesome =
    QStringLiteral("/usr/share/fonts-font-awesome/fonts/fontawesome-webfont.woff2");
const QChar Icon(0xf0c0); // the icon font's "users"

// A parameter list's separator, brackets, chapter numbers, nested numbering, a label from an
// attribute, nested quotes, an icon in a web font and what is written but not shown.
const QByteArray GeneratedPage =
    R"html(<!DOCTYPE html><html lang="en"><head><title>Generated</title>
<style>
@font-face { font-family: "Test Icons"; src: url(/icons.woff2) format("woff2") }
.classifier:before { content: " : " }
.kind:before { content: ":"; margin: 0 0.5em }
.bracketed::before { content: "[" } .bracketed::after { content: "]"; color: rgb(200, 0, 0) }
body { counter-reset: chapter }
h2::before { counter-increment: chapter; content: "Chapter " counter(chapter, upper-roman) ". " }
ol.nested { counter-reset: item; list-style: none }
ol.nested > li::before { counter-increment: item; content: counters(item, ".") " " }
abbr[data-label]::after { content: " (" attr(data-label) ")" }
.icon::before { font-family: "Test Icons"; content: "\f0c0" }
.gone::before { content: "NEVER-SHOWN"; display: none }
.tip::after { content: "NEVER-SHOWN"; visibility: hidden }
.none::before { content: none }
ol.marked { list-style: none } ol.marked > li::before { content: counter(list-item) ") " }
.glyph { display: inline-block }
.glyph::before { display: block; width: 0; padding-right: 10px; content: "g" }
</style></head><body>
<h2>Intro</h2>
<dl><dt><strong>weight</strong><span class="classifier">float or int, optional</span></dt>
<dd>How heavy.</dd><dt><strong>name</strong><span class="kind">str</span></dt></dl>
<p><span class="bracketed">note</span></p>
<h2>Body</h2>
<ol class="nested"><li>one<ol class="nested"><li>inner</li><li>inner two</li></ol></li>
<li>two</li></ol>
<ol class="marked" start="3"><li>third</li><li>fourth</li></ol>
<p><abbr data-label="label text">AT</abbr></p>
<p>He said <q>hello <q>there</q></q>.</p>
<p><span class="icon" id="icon"></span>Team <span class="glyph" id="glyph"></span></p>
<p class="gone tip none">Plain</p>
</body></html>)html";

// The text a reader sees in a loaded page: its text nodes with what pseudo-elements draw, each
// drawn piece in braces, so that a page's rule that shows through stands out.
const char* const ShownText = R"((function () {
    const drawn = (element, which) => {
        const content = getComputedStyle(element, which).content;
        return content && content !== 'none' && content !== 'normal' ? '{' + content + '}' : '';
    };
    const text = node => {
        if (node.nodeType === Node.TEXT_NODE)
            return node.data;
        if (node.nodeType !== Node.ELEMENT_NODE || getComputedStyle(node).display === 'none')
            return '';
        let all = drawn(node, '::before');
        for (const child of node.childNodes)
            all += text(child);
        return all + drawn(node, '::after');
    };
    return text(document.body).replace(/\s+/g, ' ');
})())";

// Pictures a page's rules set behind a banner and as a sprite icon, and one behind what it hides.
const QByteArray PicturesPage = R"html(<!DOCTYPE html><html><head><title>Pictures</title><style>
.banner { background: url(/img/banner.png) no-repeat 4px 2px; padding: 10px }
.unseen { display: none; background-image: url(/img/never.png) }
.icon { display: inline-block; width: 16px; height: 12px; background: url(/img/sprite.png) -6px 0 }
</style></head><body>
<div class="banner" id="banner">Banner text</div>
<div class="unseen">not shown</div>
<p><span class="icon" id="icon"></span> an icon</p>
</body></html>)html";

// A brand face the page's text is drawn in (its address named by the page's query), one it
// declares and never uses, one whose name would end the style element, and a background.
const QByteArray FontsPage = R"html(<!DOCTYPE html><html><head><title>Fonts</title><style>
@font-face { font-family: "Vantrel Face"; src: url(/fonts/face.ttf?v=%1) format("truetype") }
@font-face { font-family: "Unused Face"; src: url(/fonts/unused.ttf) format("truetype") }
@font-face { font-family: "Evil\3c /style\3e \3c b id=injected\3e x"; src: url(/fonts/face.ttf?v=%1) }
.branded { font-family: "Vantrel Face", serif; background: url(/img/back.png) }
.evil { font-family: "Evil\3c /style\3e \3c b id=injected\3e x", serif }
</style></head><body><p class="branded" id="branded">Brand text</p><p class="evil">odd</p>
</body></html>)html";

// A face the page takes from a font installed here (local() alone), its web face behind it, as a
// math library declares its fonts: the copy, read elsewhere, needs the web face.
const QByteArray LocalFacePage = R"html(<!DOCTYPE html><html><head><title>Local</title><style>
@font-face { font-family: "Here Face"; src: local("Liberation Sans") }
@font-face { font-family: "Web Face"; src: url(/fonts/face.ttf?v=web) format("truetype") }
.formula { font-family: "Here Face", "Web Face", serif }
</style></head><body><p class="formula" id="formula">x + y</p></body></html>)html";

const QString FaceFile =
    QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");

QByteArray fontBytes(qsizetype padding = 0)
{
    QFile font(FaceFile);
    return font.open(QIODevice::ReadOnly) ? font.readAll() + QByteArray(padding, '\0')
                                          : QByteArray();
}

QByteArray png(QRgb colour)
{
    QImage image(24, 12, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString withoutMarkup(QString text)
{
    static const QRegularExpression tag("<[^>]+>");
    return text.replace(tag, QString()).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

} // namespace

class TestStylesheetContent : public QObject
{
    Q_OBJECT

    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        return runCommand(process, arguments);
    }

    QVariant resultIn(const QString& path, const QString& script)
    {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        return scriptResultIn(page, QUrl::fromLocalFile(path), script);
    }
    QString shownIn(const QString& path) { return resultIn(path, ShownText).toString(); }

    // Fails the test when the EPUB checker finds anything wrong with the book.
    void checked(const QString& path)
    {
        const std::optional<QString> said = epubCheckerFindings(path);
        if (!said)
            QSKIP("java or epubcheck is not installed: the book is not checked");
        QVERIFY2(said->isEmpty(), qPrintable(*said));
    }

    QTemporaryDir dir;
    TestHttpServer site{[](const QByteArray& path) {
        if (path == "/pictures")
            return TestHttpServer::html(PicturesPage);
        if (path.startsWith("/img/"))
            return TestHttpServer::response(200, "image/png", png(qRgb(0, 120, path.size())));
        if (path.startsWith("/fonts?"))
            return TestHttpServer::html(
                QString::fromUtf8(FontsPage).arg(path.mid(7).split('&')[0]).toUtf8());
        if (path == "/bigfont") // a font past the bound of one
            return TestHttpServer::html(QString::fromUtf8(FontsPage)
                                            .arg("big")
                                            .replace("face.ttf?v=big", "big.ttf")
                                            .toUtf8());
        if (path.startsWith("/fonts/face.ttf") || path == "/fonts/unused.ttf")
            return TestHttpServer::response(200, "font/ttf", fontBytes());
        if (path == "/fonts/big.ttf")
            return TestHttpServer::response(200, "application/octet-stream",
                                            fontBytes(6 * 1024 * 1024));
        if (path == "/generated")
            return TestHttpServer::html(GeneratedPage);
        if (path == "/localface")
            return TestHttpServer::html(LocalFacePage);
        if (path == "/icons.woff2") {
            QFile font(FontAwesome);
            return TestHttpServer::response(200, "font/woff2",
                                            font.open(QIODevice::ReadOnly) ? font.readAll() : "");
        }
        return TestHttpServer::response(404, "text/html", "<html><body>none</body></html>");
    }};

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(QFile::exists(FontAwesome), "fonts-font-awesome is not installed");
        QVERIFY2(QFile::exists(FaceFile), "fonts-liberation is not installed");
    }

    void generatedText_isTextOfEveryCopyOnce_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<bool>("icon");
        QTest::newRow("standalone") << "generated.html" << false << true;
        QTest::newRow("standalone, plain") << "plain.html" << true << false;
        QTest::newRow("pdf") << "generated.pdf" << false << false;
        QTest::newRow("epub") << "generated.epub" << false << true;
        QTest::newRow("markdown") << "generated.md" << false << false;
        QTest::newRow("text") << "generated.txt" << false << false;
    }
    void generatedText_isTextOfEveryCopyOnce()
    {
        QFETCH(QString, output);
        QFETCH(bool, plain);
        QFETCH(bool, icon);
        QStringList arguments{site.url("/generated"), "-o", output};
        if (output.endsWith(".html"))
            arguments.prepend("--standalone");
        if (plain)
            arguments.prepend("--plain");
        const Finished f = run(arguments);
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QString path = dir.filePath(output);
        QString text;
        if (output.endsWith(".html")) {
            // As a reader sees it: no rule of the page's (kept with --plain) draws it again.
            text = shownIn(path);
            for (const char* drawn : {"{\" : \"}", "{\"[\"}", "{counter", "{open-quote", "{\" (\""})
                QVERIFY2(!text.contains(drawn), qPrintable(text));
        } else if (output.endsWith(".pdf")) {
            text = QString::fromUtf8(toolOutput("pdftotext", {path, "-"}));
        } else if (output.endsWith(".epub")) {
            for (const QString& name : readArchive(path).names)
                if (name.endsWith(".xhtml"))
                    text += withoutMarkup(QString::fromUtf8(readArchive(path).files.value(name)));
        } else {
            text = fileText(path).remove('*').remove('\\');
        }
        text = text.simplified();
        QVERIFY2(text.contains("weight : float or int, optional"), qPrintable(text));
        QCOMPARE(text.count("float or int"), 1);
        QVERIFY2(text.contains("[note]"), qPrintable(text));
        // Where the look is not kept, a separator's margins are spaces.
        if (!output.endsWith(".html") && !output.endsWith(".epub"))
            QVERIFY2(text.contains("name : str"), qPrintable(text));
        QVERIFY2(text.contains("Chapter I. Intro") && text.contains("Chapter II. Body"),
                 qPrintable(text));
        QVERIFY2(text.contains("1 one") && text.contains("1.2 inner two") && text.contains("2 two"),
                 qPrintable(text));
        QVERIFY2(text.contains("3) third") && text.contains("4) fourth"), qPrintable(text));
        QVERIFY2(text.contains("AT (label text)"), qPrintable(text));
        QVERIFY2(text.contains(QString::fromUtf8("He said “hello ‘there’”.")), qPrintable(text));
        QVERIFY2(!text.contains("NEVER-SHOWN"), qPrintable(text));
        // An icon only where its font comes along; never a code point of no meaning in text.
        if (!output.endsWith(".pdf"))
            QCOMPARE(text.contains(Icon), icon);
        QVERIFY(text.contains("Team"));
    }

    // The text keeps the look its pseudo-element had: colour, the icon's font, and a glyph drawn
    // past a box of no width (as typeset math draws them) takes the room the page gave it.
    void generatedText_keepsThePseudoElementsLook()
    {
        const Finished f = run({"--standalone", site.url("/generated"), "-o", "looks.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QVariantMap look = resultIn(dir.filePath("looks.html"), R"((function () {
            const bracket = [...document.querySelectorAll('span')].find(s => s.textContent === ']');
            return { bracket: bracket ? getComputedStyle(bracket).color : '',
                     icon: getComputedStyle(document.getElementById('p1-icon').firstChild).fontFamily,
                     glyph: document.getElementById('p1-glyph').getBoundingClientRect().width };
        })())")
                                     .toMap();
        QCOMPARE(look.value("bracket").toString(), "rgb(200, 0, 0)");
        QVERIFY2(look.value("icon").toString().startsWith("\"Test Icons\""),
                 qPrintable(look.value("icon").toString()));
        QCOMPARE(look.value("glyph").toDouble(), 10.0);
        QVERIFY(
            fileText(dir.filePath("looks.html")).contains("@font-face{font-family:\"Test Icons\""));
    }

    // A site's face is carried once, whether its pages name it at the same address or another
    // with the same bytes; a face the pages never drew in is not carried at all.
    void webFonts_comeAlongOnceInTheStandaloneFile()
    {
        const Finished f = run({"--standalone", site.url("/fonts?1"), site.url("/fonts?1&again"),
                                site.url("/fonts?2"), "-o", "fonts.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QString out = fileText(dir.filePath("fonts.html"));
        QCOMPARE(out.count("@font-face{"), 1);
        QVERIFY2(
            out.contains("@font-face{font-family:\"Vantrel Face\";font-weight:normal;"
                         "font-style:normal;font-stretch:normal;src:url(data:font/ttf;base64,"),
            qPrintable(out.left(2000)));
        QCOMPARE(out.count(QString::fromLatin1(fontBytes().toBase64().left(80))), 1);
        QVERIFY(!out.contains("Unused Face") && !out.contains("<b id=injected>"));
        QVERIFY(!site.requests().contains("/fonts/unused.ttf"));
        // The copy draws its text in the face it carries.
        const QVariantMap drawn = resultIn(dir.filePath("fonts.html"), R"((function () {
            const face = Array.from(document.fonts).find(face => face.family.includes('Vantrel'));
            return { status: face ? face.status : 'none',
                     family: getComputedStyle(document.getElementById('p3-branded')).fontFamily,
                     back: getComputedStyle(document.getElementById('p3-branded')).backgroundImage };
        })())")
                                      .toMap();
        QCOMPARE(drawn.value("status").toString(), "loaded");
        QCOMPARE(drawn.value("family").toString(), "\"Vantrel Face\", serif");
        QVERIFY(drawn.value("back").toString().startsWith("url(\"data:image/png;base64,"));
    }

    void webFonts_areFilesOfTheBook()
    {
        const Finished f = run({site.url("/fonts?1"), site.url("/fonts?2"), "-o", "fonts.epub"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const Archive book = readArchive(dir.filePath("fonts.epub"));
        QCOMPARE(book.names.filter("/fonts/"), QStringList{"EPUB/fonts/1.ttf"});
        QCOMPARE(book.files.value("EPUB/fonts/1.ttf"), fontBytes());
        QVERIFY(book.files.value("EPUB/package.opf")
                    .contains("href=\"fonts/1.ttf\" media-type=\"font/ttf\""));
        const QByteArray css = book.files.value("EPUB/book.css");
        QCOMPARE(css.count("@font-face{"), 1);
        QVERIFY2(css.contains("font-family:\"Vantrel Face\"") &&
                     css.contains("src:url(fonts/1.ttf)"),
                 css.constData());
        checked(dir.filePath("fonts.epub"));
    }

    // Past the bound of one font: left out with one line that says so, the generic family stays
    // and the run ends as it would have.
    void webFont_pastItsBound_isLeftOutWithAWarning()
    {
        const Finished f = run({"-q", "--standalone", site.url("/bigfont"), "-o", "big.html"});
        QCOMPARE(f.status, 0);
        QCOMPARE(f.errLines,
                 QStringList{"vantrel-join: warning: font " + site.url("/fonts/big.ttf") +
                             " is left out: larger than 5 MB"});
        const QString out = fileText(dir.filePath("big.html"));
        QVERIFY(!out.contains("@font-face"));
        QVERIFY(out.contains("font-family:\"Vantrel Face\", serif;"));
    }

    // The installed face draws nothing where the file is read: the web face behind it comes along.
    void webFont_behindAnInstalledOne_comesAlong()
    {
        const Finished f = run({"-q", "--standalone", site.url("/localface"), "-o", "local.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const QString out = fileText(dir.filePath("local.html"));
        QCOMPARE(out.count("@font-face{"), 1);
        QVERIFY2(out.contains("@font-face{font-family:\"Web Face\""), qPrintable(out.left(2000)));
    }

    // Drawn behind a kept element as on the page, from the file itself; what the page hid is
    // not fetched at all.
    void stylesheetPictures_comeAlongInTheStandaloneFile()
    {
        const Finished f = run({"--standalone", site.url("/pictures"), "-o", "pictures.html"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        QVERIFY(!site.requests().contains("/img/never.png"));
        const QVariantMap drawn = resultIn(dir.filePath("pictures.html"), R"((function () {
            const banner = getComputedStyle(document.getElementById('p1-banner'));
            const icon = getComputedStyle(document.getElementById('p1-icon'));
            return { banner: banner.backgroundImage, where: banner.backgroundPosition,
                     repeat: banner.backgroundRepeat, icon: icon.backgroundImage,
                     iconAt: icon.backgroundPosition, width: icon.width };
        })())")
                                      .toMap();
        QVERIFY2(drawn.value("banner").toString().startsWith("url(\"data:image/png;base64,"),
                 qPrintable(drawn.value("banner").toString()));
        QCOMPARE(drawn.value("where").toString(), "4px 2px");
        QCOMPARE(drawn.value("repeat").toString(), "no-repeat");
        QVERIFY(drawn.value("icon").toString().startsWith("url(\"data:image/png;base64,"));
        QCOMPARE(drawn.value("iconAt").toString(), "-6px 0px");
        QCOMPARE(drawn.value("width").toString(), "16px");
    }

    void stylesheetPictures_areImagesOfTheBook()
    {
        const Finished f = run({site.url("/pictures"), "-o", "pictures.epub"});
        QVERIFY2(f.status == 0, qPrintable(f.errLines.join('\n')));
        const Archive book = readArchive(dir.filePath("pictures.epub"));
        const QStringList pictures = book.names.filter(QRegularExpression("\\.png$"));
        QCOMPARE(pictures.size(), 2);
        QString chapters;
        for (const QString& name : book.names.filter(".xhtml"))
            chapters += QString::fromUtf8(book.files.value(name));
        for (const QString& picture : pictures)
            QVERIFY2(chapters.contains(QFileInfo(picture).fileName()), qPrintable(chapters));
        checked(dir.filePath("pictures.epub"));
    }
};

VANTREL_ENGINE_TEST_MAIN(TestStylesheetContent)
#include "tst_stylesheetcontent.moc"
