// A PDF as a book, through the real executable: printed in parts and merged, with links across
// the parts, an outline, sheet numbers and the document's properties. The PDF is read back with
// the PDF library and the PDF reader package's text tool.
#include "commandrun.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

#include <csignal>

using Response = TestHttpServer::Response;

namespace {

// Three pages with headings; the first links to a heading of the third, which starts a sheet.
Response routes(const QByteArray& path)
{
    if (path == "/book/1")
        return TestHttpServer::html(
            "<html><head><title>Première</title></head><body><h1>One</h1><h2>One A</h2>"
            "<p><a href='/book/3#deep'>to deep</a></p><h3>One A i</h3><h2>One "
            "B</h2></body></html>");
    if (path == "/book/2")
        return TestHttpServer::html("<html><head><title>Two</title></head><body><h1>Two</h1>"
                                    "<h4>Two, too deep</h4></body></html>");
    if (path == "/book/3")
        return TestHttpServer::html(
            "<html><head><title>Three</title></head><body><h1>Three</h1><p>third</p>"
            "<h2 id=deep style='break-before: page'>Deep</h2><h3>Deeper</h3></body></html>");
    if (path.startsWith("/short/")) // many pages, for a contents list of more than one sheet
        return TestHttpServer::html("<html><head><title>Chapter " + path.mid(7) +
                                    "</title></head><body><p>[body " + path.mid(7) +
                                    "]</p></body></html>");
    if (path == "/gone") // an error page with a title and a heading of its own
        return TestHttpServer::response(404, "text/html",
                                        "<html><head><title>Error response</title></head><body>"
                                        "<h1>Error response</h1><p>Nothing here</p></body></html>");
    if (path == "/columns") { // an article beside a narrow column, several sheets long
        QByteArray article;
        for (int i = 1; i <= 40; ++i)
            article += "<h3>Section " + QByteArray::number(i) + "</h3><p>Line " +
                       QByteArray::number(i) + " with <span style='display: inline-block'>"
                       "<span style='vertical-align: -0.3em'>x</span><sup>2</sup></span> inline "
                       "and some more words to fill it out well past the middle of the line.</p>"
                       "<p>Another paragraph " + QByteArray::number(i) + " of the section.</p>";
        return TestHttpServer::html(
            "<html><body><div style='display: flex'><div style='flex: 1'>" + article +
            "</div><div style='width: 8em'>aside</div></div></body></html>");
    }
    if (path == "/long") { // long enough to be printing for a while
        QByteArray body = "<html><body>";
        for (int i = 0; i < 4000; ++i)
            body += "<p>paragraph " + QByteArray::number(i) + " of a long page</p>";
        return TestHttpServer::html(body);
    }
    return TestHttpServer::response(404, "text/html", "<html><body>missing</body></html>");
}

// The sheet (from 1) a page object is, in pdf.
int sheetOf(QPDF& pdf, QPDFObjectHandle page)
{
    const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
    for (size_t i = 0; i < pages.size(); ++i)
        if (pages[i].getObjGen() == page.getObjGen())
            return int(i) + 1;
    return 0;
}

// Outline entries as "title sheet", indented by level.
void outlineLines(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> entries, int level,
                  QStringList& lines)
{
    for (QPDFOutlineObjectHelper& entry : entries) {
        lines.append(QString(level * 2, ' ') + QString::fromStdString(entry.getTitle()) + ' ' +
                     QString::number(sheetOf(pdf, entry.getDestPage())));
        outlineLines(pdf, entry.getKids(), level + 1, lines);
    }
}

QStringList outlineOf(QPDF& pdf)
{
    QPDFOutlineDocumentHelper outlines(pdf);
    QStringList lines;
    outlineLines(pdf, outlines.getTopLevelOutlines(), 0, lines);
    return lines;
}

// The sheets the link annotations of a sheet lead to, through the named destinations.
QList<int> linkTargets(QPDF& pdf, int sheet)
{
    QList<int> targets;
    QPDFObjectHandle names = pdf.getRoot().getKey("/Dests");
    QPDFObjectHandle page = pdf.getAllPages().at(size_t(sheet - 1));
    QPDFObjectHandle annotations = page.getKey("/Annots");
    for (QPDFObjectHandle annotation : annotations.aitems())
        if (QPDFObjectHandle name = annotation.getKey("/Dest"); name.isName())
            targets.append(sheetOf(pdf, names.getKey(name.getName()).getArrayItem(0)));
    return targets;
}

QString sheetText(const QString& pdf, int first, int last)
{
    return QString::fromUtf8(toolOutput("pdftotext", {"-layout", "-f", QString::number(first), "-l",
                                                      QString::number(last), pdf, "-"}));
}

#ifdef Q_OS_LINUX
// The renderer processes of the engine started by the process with the id root: forked by its
// zygote for renderers (the one not marked --no-zygote-sandbox), they carry the zygote's command.
QList<qint64> renderersUnder(qint64 root)
{
    QHash<qint64, qint64> parents;
    QSet<qint64> zygotes;
    for (const QString& name : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + name + "/stat");
        if (name.toLongLong() == 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qint64 parent = text.mid(text.lastIndexOf(')') + 4).split(' ')[0].toLongLong();
        parents.insert(name.toLongLong(), parent);
        QFile command("/proc/" + name + "/cmdline");
        const QByteArray line = command.open(QIODevice::ReadOnly) ? command.readAll() : "";
        if (parent == root && line.contains("--type=zygote") &&
            !line.contains("--no-zygote-sandbox"))
            zygotes.insert(name.toLongLong());
    }
    QList<qint64> renderers;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        if (zygotes.contains(it.value()))
            renderers.append(it.key());
    return renderers;
}
#endif

} // namespace

class TestPdfBook : public QObject
{
    Q_OBJECT

    TestHttpServer server{routes};
    std::unique_ptr<QTemporaryDir> temporary;

    QStringList book() const
    {
        return {server.url("/book/1"), server.url("/book/2"), server.url("/book/3")};
    }
    QString path(const QString& name) const { return temporary->filePath(name); }

    Finished run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(temporary->path());
        return runCommand(process, arguments);
    }

private slots:
    void init() { temporary = std::make_unique<QTemporaryDir>(); }

    void outline_pagesAndTheirHeadings_toTheDepthAsked_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<QString>("title");
        QTest::newRow("pages only") << QStringList{"--outline-depth", "0"}
                                    << QStringList{"Première 1", "Two 2", "Three 3"} << "Première";
        QTest::newRow("default: h1 and h2")
            << QStringList{"--title", "Книга"}
            << QStringList{"Première 1", "  One 1", "    One A 1", "    One B 1", "Two 2",
                           "  Two 2",    "Three 3", "  Three 3",   "    Deep 4"}
            << "Книга";
        QTest::newRow("down to h3")
            << QStringList{"--outline-depth", "3"}
            << QStringList{"Première 1",  "  One 1",    "    One A 1",   "      One A i 1",
                           "    One B 1", "Two 2",      "  Two 2",       "Three 3",
                           "  Three 3",   "    Deep 4", "      Deeper 4"}
            << "Première";
    }

    void outline_pagesAndTheirHeadings_toTheDepthAsked()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, outline);
        QFETCH(QString, title);
        const Finished f =
            run(QStringList{"-q", "--author", "Ann", "-o", "book.pdf"} + options + book());
        QCOMPARE(f.status, 0);
        QPDF pdf;
        pdf.processFile(path("book.pdf").toLocal8Bit().constData());
        const QStringList lines = outlineOf(pdf);
        QCOMPARE(lines, outline);
        // It opens at its first level.
        QCOMPARE(pdf.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 3);
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        QCOMPARE(QString::fromStdString(info.getKey("/Title").getUTF8Value()), title);
        QCOMPARE(QString::fromStdString(info.getKey("/Author").getUTF8Value()), QString("Ann"));
        QVERIFY(info.getKey("/Creator").getUTF8Value().rfind("Vantrel ", 0) == 0);
    }

    void contentsOfTwoSheets_showWhereEachPageStarts()
    {
        QStringList arguments{"-q", "--toc", "-j", "4", "-o", "book.pdf"};
        constexpr int Pages = 80;
        for (int n = 1; n <= Pages; ++n)
            arguments.append(server.url(QStringLiteral("/short/%1").arg(n)));
        const Finished f = run(arguments);
        QCOMPARE(f.status, 0);
        QPDF pdf;
        pdf.processFile(path("book.pdf").toLocal8Bit().constData());
        const QStringList outline = outlineOf(pdf);
        QCOMPARE(outline.size(), Pages);
        QVERIFY2(outline[0] == "Chapter 1 3", qPrintable(outline[0])); // after two sheets
        const QString contents = sheetText(path("book.pdf"), 1, 2);
        for (const QString& entry : outline) {
            const QString title = entry.section(' ', 0, 1);
            const int sheet = entry.section(' ', 2).toInt();
            QVERIFY2(sheetText(path("book.pdf"), sheet, sheet)
                         .contains("[body " + title.section(' ', 1) + "]"),
                     qPrintable(entry));
            QVERIFY2(
                contents.contains(QRegularExpression(title + " +" + QString::number(sheet) + "\n")),
                qPrintable(entry + "\n" + contents));
        }
    }

    void failedPage_isNamedByItsAddressInTheOutline()
    {
        const Finished f =
            run({"-q", "-o", "book.pdf", server.url("/gone"), server.url("/book/2")});
        QCOMPARE(f.status, 1);
        QPDF pdf;
        pdf.processFile(path("book.pdf").toLocal8Bit().constData());
        const QStringList lines = outlineOf(pdf);
        QCOMPARE(lines, (QStringList{server.url("/gone") + " 1", "Two 2", "  Two 2"}));
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        QCOMPARE(QString::fromStdString(info.getKey("/Title").getUTF8Value()), server.url("/gone"));
    }

    // Parts are printed two at once (on two cores or more), finishing in any order, and merged
    // in theirs.
    void linksAcrossParts_leadToTheSheetOfTheirTarget_andContentsShowStartingSheets()
    {
        const Finished f = run(QStringList{"-q", "--toc", "-o", "book.pdf"} + book());
        QCOMPARE(f.status, 0);
        QPDF pdf;
        pdf.processFile(path("book.pdf").toLocal8Bit().constData());
        QCOMPARE(pdf.getAllPages().size(), size_t(5)); // contents, 1, 2, 3 and its deep heading
        QCOMPARE(linkTargets(pdf, 1), (QList<int>{2, 3, 4}));
        QCOMPARE(linkTargets(pdf, 2), QList<int>{5});
        const QString contents = sheetText(path("book.pdf"), 1, 1);
        for (const char* entry : {"Première +2\n", "Two +3\n", "Three +4\n"})
            QVERIFY2(contents.contains(QRegularExpression(entry)), qPrintable(contents));
        // Written object by object: its cross-reference table must hold without repair.
        QVERIFY(!pdf.anyWarnings());
    }

    void sheetNumbers_riseAtEachFoot_unlessTurnedOff_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("numbered") << QStringList()
                                  << QStringList{"1 / 4", "2 / 4", "3 / 4", "4 / 4"};
        QTest::newRow("--no-page-numbers") << QStringList{"--no-page-numbers"} << QStringList();
    }

    void sheetNumbers_riseAtEachFoot_unlessTurnedOff()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, numbers);
        QCOMPARE(run(QStringList{"-q", "-o", "book.pdf"} + options + book()).status, 0);
        QStringList found;
        for (int sheet = 1; sheet <= 4; ++sheet) {
            const QString text = sheetText(path("book.pdf"), sheet, sheet).trimmed();
            // The text tool may take the narrow spaces for none.
            const QRegularExpressionMatch foot =
                QRegularExpression("(\\d+) ?/ ?(\\d+)$").match(text);
            if (foot.hasMatch())
                found.append(foot.captured(1) + " / " + foot.captured(2));
        }
        QCOMPARE(found, numbers);
    }

    // An article that stands beside another box is kept beside it, as a box of its line: taller
    // than a sheet, it still breaks between its lines.
    void boxBesideAnother_breaksBetweenLines()
    {
        QCOMPARE(run({"-q", "-o", "columns.pdf", server.url("/columns")}).status, 0);
        const QString boxes =
            QString::fromUtf8(toolOutput("pdftotext", {"-bbox", path("columns.pdf"), "-"}));
        static const QRegularExpression page(
            R"re(<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>)re",
            QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression word(
            R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re");
        // A4 with 10 mm margins, in points.
        const double bottom = 841.89 - 10 / 25.4 * 72;
        QStringList lines; // each sheet's lines of text, top to bottom
        int sheets = 0;
        for (const QRegularExpressionMatch& sheet : page.globalMatch(boxes)) {
            ++sheets;
            QMap<int, QStringList> sheetLines;
            for (const QRegularExpressionMatch& w : word.globalMatch(sheet.captured(3))) {
                const double top = w.captured(1).toDouble();
                if (top > bottom) // the sheet's number, in the margin
                    continue;
                QVERIFY2(w.captured(2).toDouble() <= bottom + 0.5,
                         qPrintable(QStringLiteral("'%1' on sheet %2 crosses the foot")
                                        .arg(w.captured(3))
                                        .arg(sheets)));
                sheetLines[qRound(top)].append(w.captured(3));
            }
            for (const QStringList& line : std::as_const(sheetLines))
                if (line.size() > 2) // not a raised or lowered part of a line
                    lines.append(line.join(' '));
        }
        QVERIFY2(sheets >= 3, qPrintable(QString::number(sheets)));
        // Every line once, in order: none printed again at the top of the next sheet.
        for (int i = 1; i <= 40; ++i)
            QCOMPARE(lines.count(QStringLiteral("Another paragraph %1 of the section.").arg(i)),
                     1);
        QCOMPARE(lines.removeDuplicates(), 0);
    }

#ifdef Q_OS_LINUX
    void rendererEndingWhilePrinting_failsNamingThePage_andLeavesNothing()
    {
        QTemporaryDir temporaryFolder;
        QTemporaryDir runtimeFolder; // Qt's own, made in the temporary folder when there is none
        QFile old(path("book.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QProcess process;
        process.setWorkingDirectory(temporary->path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temporaryFolder.path());
        environment.insert("XDG_RUNTIME_DIR", runtimeFolder.path());
        process.setProcessEnvironment(environment);
        // Once the last page is copied, renderers serve the printing alone: they are ended.
        QByteArray err;
        connect(&process, &QProcess::readyReadStandardError,
                [&] { err += process.readAllStandardError(); });
        QTimer killer;
        connect(&killer, &QTimer::timeout, [&] {
            if (err.contains("[2/2]"))
                for (qint64 renderer : renderersUnder(process.processId()))
                    ::kill(pid_t(renderer), SIGKILL);
        });
        killer.start(10);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QCoreApplication::applicationDirPath() + "/vantrel-join",
                      {"-o", "book.pdf", server.url("/book/1"), server.url("/long")});
        QVERIFY(finished.wait(120000));
        QCOMPARE(process.exitCode(), 3);
        const QStringList lines = QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts);
        // Both parts print at once and both renderers end: either may be named first.
        QVERIFY2(lines.last().startsWith("vantrel-join: cannot print page 1 (" +
                                         server.url("/book/1") + ") to PDF: ") ||
                     lines.last().startsWith("vantrel-join: cannot print page 2 (" +
                                             server.url("/long") + ") to PDF: "),
                 err.constData());
        QCOMPARE(QDir(temporary->path()).entryList(QDir::Files), QStringList{"book.pdf"});
        QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
        QCOMPARE(QDir(temporaryFolder.path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
#endif
};

VANTREL_ENGINE_TEST_MAIN(TestPdfBook)
#include "tst_pdfbook.moc"
