// Joins N generated pages served on 127.0.0.1, first through the same code that "Start Joining"
// runs, compared with loading the same pages one after another in the site browser without
// copying (the baseline), then through the command's engine with several pages loading at once.
// The server can hold each response for a while, as a real network would.
//
//   build/bin/joinbench [pages=100] [kilobytes per page=30] [latency ms=0] [jobs=1,2,4,8]
//
// Or how the command's engine grows with the list: the same 100 pages, repeated with distinct
// query strings up to each count, joined with -j 1 beside the plain loads of the same addresses.
//
//   build/bin/joinbench scale [kilobytes per page=84] [counts=100,1000]
//
// Or the same with real pages: the first 100 HTML files of a folder (served with the folder above
// it, where such documentation keeps its style sheets, scripts and images).
//
//   build/bin/joinbench scale /usr/share/doc/python3.11/html/library [counts=100,1000]
//
// Or a standalone join (--standalone) beside a plain one, of generated documentation pages that
// link to each other and share theme images:
//
//   build/bin/joinbench standalone [pages=100] [jobs=1,4]
//
// Or finding a site's pages: a generated site of N pages with a contents page, joined from the
// start to its last page with --links-of beside the same list given with -i; and the Python
// library reference (Debian's python3.11-doc), its first 100 pages by its contents page, with
// --main --standalone beside plain --standalone (the file sizes).
//
//   build/bin/joinbench site [pages=300] [jobs=1,4] [library=/usr/share/doc/python3.11/html]
//
// Or EPUB books of those pages beside --standalone joins of the same, each count in a process of
// its own (pages past 100 repeat the first 100 at addresses of their own):
//
//   build/bin/joinbench epub [counts=100,1000] [jobs=1]
//
// Or one PDF of generated documentation pages, and of the real library reference of Debian's
// python3.11-doc when it is installed, at each count, beside the standalone join of the same;
// jobs pages are loaded, and parts printed, at once:
//
//   build/bin/joinbench pdf [counts=100,1000] [real counts=100] [jobs=1]
//   build/bin/joinbench look [counts=100,1000] [docs=/usr/share/doc/python3.11/html]
//
// Or what the reader view costs and finds: the library reference's first pages (python3.11-doc)
// joined as text with --main (their landmark), with --reader and with neither, each in a process
// of its own (time per page, peak memory); then the hand-made pages of bench/reader/ beside their
// ground truth (the article's text): precision and recall of the kept text's words for the whole
// body, --main and --reader.
//
//   build/bin/joinbench reader [pages=100] [jobs=1]
//
// Or what the command's memory does as users run it: every format (EPUB, PDF, --standalone,
// Markdown, text) of generated documentation pages at each count (the PDF at its own counts), with
// the offscreen platform and with the display this program was started with (run it under
// `xvfb-run -a`): the peak PSS of the command's process tree, and which of its processes grew.
// JOINBENCH_COMMAND names another vantrel-join to measure (an earlier build, say).
//
//   build/bin/joinbench formats [counts=100,1000] [pdf counts=30,300] [jobs=1] [both|offscreen|display]
//
// Or what noting a page's look costs as its elements grow: pages their script fills at load,
// the look noted in a site browser of this program, and the command's --standalone of the page.
//
//   build/bin/joinbench lookcost [elements=10000,50000,200000]
//
// Or the PDF beside a printer of one process per page (wkhtmltopdf, Debian's package): the first
// pages of the library reference (python3.11-doc) each printed by a process of its own, one after
// another, beside the command's one PDF of them at -j 1: wall time, processor time, sheets.
//
//   build/bin/joinbench pdfpeer [pages=100] [library=/usr/share/doc/python3.11/html/library]
// Or what making the text of the pages' stylesheets (::before, ::after) text of the page costs on
// real pages of python3.11-doc and python-scipy-doc, in the renderer's processor time:
//
//   build/bin/joinbench generated [pages=100] [rounds=3]
//
// Or the web fonts a site's pages carry into one standalone file (python-scipy-doc's reference),
// at each count: the file's size, its @font-face rules and their weight:
//
//   build/bin/joinbench fonts [counts=100,1000]
//
// Or a re-run of 100 real pages with a saved profile (--profile) beside the first run: time and
// bytes the server sent, which answers conditional requests with 304:
//
//   build/bin/joinbench profile [folder=/usr/share/doc/python3.11/html/library] [jobs=4]
//
// Or what waiting for the pages' own renderers costs: 100 real pages without math (python3.11-doc)
// joined --standalone by this build's command and by another one (a build without the waiting),
// in turns, rounds times each: wall and processor time per page (the command's whole process
// tree, as its processes end). Then the 8 pages of SciPy's reference (python-scipy-doc) that hold
// the most formulas, typeset by MathJax: by default, beside --settle 3000.
//
//   build/bin/joinbench renderers OTHER-vantrel-join [rounds=3 (0: only those)] [scipy=/usr/share/doc/python-scipy-doc/html]
#include "app/progressbar.h"
#include "cli/args/bookoptions.h"
#include "cli/args/options.h"
#include "cli/io/output.h"
#include "cli/io/terminalreport.h"
#include "cli/joincommand.h"
#include "cli/outputs/joinpages.h"
#include "cli/outputs/textoutput.h"
#include "formfixture.h"
#include "join/engine/resourcetext.h"
#include "join/find/pagefinder.h"
#include "join/pdf/partsource.h"
#include "join/site/sitebrowser.h"
#include "pagescript.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QMutex>
#include <QPageLayout>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <sys/resource.h>
#include <cstdio>
#include <optional>

namespace {
QByteArray generatedPage(int index, int kilobytes)
{
    QByteArray body = "<html><head><title>Page " + QByteArray::number(index) +
                      "</title></head><body><h1>Page " + QByteArray::number(index) + "</h1>";
    int paragraph = 0;
    while (body.size() < kilobytes * 1024) {
        body += "<p class=\"text\">Paragraph " + QByteArray::number(++paragraph) + " of page " +
                QByteArray::number(index) +
                ": the quick brown fox jumps over the lazy dog, <em>again</em> and "
                "<a href=\"/next\">again</a>.</p>\n";
    }
    return body + "</body></html>";
}

// One kilobyte figure from a /proc status file ("VmHWM:", "Pss:", ...), -1 when absent.
long kilobytesIn(const QString& path, const QByteArray& field)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Kilobytes of this process's memory: peak and current resident set (Linux).
QPair<long, long> memoryKilobytes()
{
    return {kilobytesIn(QStringLiteral("/proc/self/status"), "VmHWM:"),
            kilobytesIn(QStringLiteral("/proc/self/status"), "VmRSS:")};
}

// The process root (this one by default) and every process below it: the browser engine's zygote
// and renderers.
QList<qint64> processTree(qint64 root)
{
    QMultiHash<qint64, qint64> children;
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString dir = entries.next();
        bool isProcess = false;
        const qint64 pid = entries.fileName().toLongLong(&isProcess);
        QFile stat(dir + QStringLiteral("/stat"));
        if (!isProcess || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray text = stat.readAll();
        children.insert(text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong(), pid);
    }
    QList<qint64> tree = {root};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.values(tree[i]);
    return tree;
}

// Samples the proportional set size of the whole process tree from a thread of its own, so that
// shared libraries count once, and keeps the highest sum seen.
// What kind of process of the tree pid is: the browser engine's own say with --type=.
QString processKind(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Split at spaces too: a process that set its own title has one string.
    const QList<QByteArray> arguments = file.readAll().replace('\0', ' ').split(' ');
    QString kind = QFileInfo(QString::fromLocal8Bit(arguments.value(0))).fileName();
    for (const QByteArray& argument : arguments)
        if (argument.startsWith("--type="))
            kind = QString::fromLatin1(argument.mid(7));
    return kind;
}

class TreeMemoryPeak
{
public:
    explicit TreeMemoryPeak(qint64 root = QCoreApplication::applicationPid())
    {
        // Reading it walks page tables: more often would slow the join being measured.
        m_timer.setInterval(250);
        m_timer.moveToThread(&m_thread);
        QObject::connect(&m_timer, &QTimer::timeout, [this, root] {
            long sum = 0;
            QHash<QString, long> kinds;
            QHash<qint64, long> ticks;
            for (qint64 pid : processTree(root)) {
                const long pss =
                    qMax(0L, kilobytesIn(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:"));
                sum += pss;
                kinds[processKind(pid)] += pss;
                QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
                if (stat.open(QIODevice::ReadOnly)) {
                    // utime and stime, the 14th and 15th fields, after the name.
                    const QByteArray text = stat.readAll();
                    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
                    ticks[pid] = fields.value(11).toLong() + fields.value(12).toLong();
                }
            }
            m_peak = qMax(m_peak.load(), sum);
            const QMutexLocker lock(&m_kindsMutex);
            for (auto pid = ticks.cbegin(); pid != ticks.cend(); ++pid)
                m_ticks[pid.key()] = qMax(m_ticks.value(pid.key()), pid.value());
            for (auto kind = kinds.cbegin(); kind != kinds.cend(); ++kind)
                m_kinds[kind.key()] = qMax(m_kinds.value(kind.key()), kind.value());
        });
        QObject::connect(&m_thread, &QThread::started, &m_timer, qOverload<>(&QTimer::start));
        m_thread.start();
    }
    ~TreeMemoryPeak()
    {
        QMetaObject::invokeMethod(&m_timer, &QTimer::stop, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    long kilobytes() const { return m_peak; }
    // The processor time of the tree's processes as last seen (a process that ended misses the
    // time since the sample before), in ms.
    double cpuMs() const
    {
        const QMutexLocker lock(&m_kindsMutex);
        long sum = 0;
        for (const long ticks : m_ticks)
            sum += ticks;
        return sum * 1000.0 / sysconf(_SC_CLK_TCK);
    }
    // The peak of each kind of process (all of a kind together), as "kind KB, ...".
    QString kinds() const
    {
        const QMutexLocker lock(&m_kindsMutex);
        QStringList parts;
        for (auto kind = m_kinds.cbegin(); kind != m_kinds.cend(); ++kind)
            parts << QStringLiteral("%1 %2").arg(kind.key()).arg(kind.value() / 1024);
        parts.sort();
        return parts.join(QStringLiteral(", "));
    }

private:
    QThread m_thread;
    QTimer m_timer;
    std::atomic<long> m_peak{0};
    mutable QMutex m_kindsMutex;
    QHash<QString, long> m_kinds;
    QHash<qint64, long> m_ticks; // of each process seen
};
// One run of the command's engine: its time, the peak memory of the process tree, and a digest of
// what it wrote (the file itself would count in this process's memory).
struct CommandRun
{
    double ms = 0;
    double cpuMs = 0; // of the command's process tree, sampled as its memory
    long peakKilobytes = 0;
    QString kinds; // peak MB of each kind of process
    QByteArray digest;
    qint64 bytes = 0;
    bool clean = false;
};

// Times join(report) and samples the peak memory of the process tree meanwhile; join tells whether
// it wrote everything, the report whether a page failed.
CommandRun measured(const QStringList& addresses,
                    const std::function<bool(const std::shared_ptr<cli::TerminalReport>&)>& join)
{
    CommandRun run;
    TreeMemoryPeak memory;
    auto report =
        std::make_shared<cli::TerminalReport>(addresses, cli::TerminalReport::Progress::None);
    QElapsedTimer timer;
    timer.start();
    const bool written = join(report);
    run.ms = timer.nsecsElapsed() / 1e6;
    run.peakKilobytes = memory.kilobytes();
    run.clean = written && !report->anyFailed();
    return run;
}

CommandRun runCommandEngine(const QStringList& addresses, int jobs,
                            const std::optional<join::StandaloneSettings>& standalone = {},
                            const join::ContentRule& content = {}, bool oncePerPage = false)
{
    QTemporaryFile out;
    if (!out.open())
        return {};
    cli::JoinSettings settings;
    settings.jobs = jobs;
    settings.standalone = standalone;
    settings.content = content;
    settings.oncePerPage = oncePerPage;
    CommandRun run = measured(addresses, [&](const std::shared_ptr<cli::TerminalReport>& report) {
        return cli::joinPages(report, settings, out);
    });
    run.bytes = out.size();
    out.seek(0);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&out);
    run.digest = hash.result();
    return run;
}

// The command itself, vantrel-join beside this program, run on the addresses (in a list file)
// with options, writing to output: its time, the peak memory of its process tree alone, and
// whether it ended with status 0. A book made in this process would count what earlier runs in
// it left behind, which no run of the command has.
// The processor time of the children this process has waited for, and theirs, in ms.
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

QString commandProgram()
{
    const QString other = qEnvironmentVariable("JOINBENCH_COMMAND");
    return other.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel-join")
                           : other;
}

// The addresses as a list file in dir, for the command's -i; empty where it cannot be written.
QString writtenList(const QTemporaryDir& dir, const QStringList& addresses)
{
    QFile list(dir.filePath(QStringLiteral("pages.txt")));
    if (!list.open(QIODevice::WriteOnly) ||
        list.write(addresses.join(QLatin1Char('\n')).toUtf8()) < 0)
        return {};
    return list.fileName();
}

CommandRun runCommand(const QStringList& addresses, const QStringList& options,
                      const QString& output,
                      const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QTemporaryDir dir;
    const QString list = writtenList(dir, addresses);
    if (list.isEmpty())
        return {};
    QProcess command;
    command.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    command.setProcessEnvironment(environment);
    CommandRun run;
    QElapsedTimer timer;
    timer.start();
    command.start(commandProgram(),
                  QStringList{QStringLiteral("-q"), QStringLiteral("-i"), list} +
                      options + QStringList{QStringLiteral("-o"), output});
    if (!command.waitForStarted())
        return {};
    {
        TreeMemoryPeak memory(command.processId());
        if (!command.waitForFinished(2 * 60 * 60 * 1000))
            command.kill();
        run.peakKilobytes = memory.kilobytes();
        run.kinds = memory.kinds();
        run.cpuMs = memory.cpuMs();
    }
    run.ms = timer.nsecsElapsed() / 1e6;
    run.clean = command.exitStatus() == QProcess::NormalExit && command.exitCode() == 0;
    run.bytes = QFileInfo(output).size();
    return run;
}

// A PDF's sheets; 0 when pdfinfo is not there to tell.
int sheetsOf(const QString& pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished();
    for (const QByteArray& line : info.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return 0;
}

// The same addresses joined to one PDF by the command (`vantrel-join -o book.pdf`); sheets
// counts the PDF's sheets (0 when pdfinfo is not there to tell).
CommandRun runPdf(const QStringList& addresses, int jobs, int& sheets, bool plain = false)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("book.pdf"));
    QStringList options{QStringLiteral("-j"), QString::number(jobs)};
    if (plain)
        options << QStringLiteral("--plain");
    const CommandRun run = runCommand(addresses, options, path);
    sheets = sheetsOf(path);
    return run;
}

// Loads the addresses one after another in a site browser of its own, copying nothing.
double plainLoadMs(const QStringList& addresses)
{
    SiteBrowser site;
    site.navigate(addresses.value(0));
    site.waitUntilComplete(join::PageLoadBound);
    QElapsedTimer timer;
    timer.start();
    for (const QString& address : addresses) {
        site.navigate(address);
        site.waitUntilComplete(join::PageLoadBound);
    }
    return timer.nsecsElapsed() / 1e6;
}

// The files under root, as a web server would serve them ("/a/b.html?q" is root/a/b.html).
TestHttpServer::Response servedFile(const QString& root, const QByteArray& path)
{
    const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(path.split('?')[0]));
    QFile file(root + name);
    if (name.contains(QLatin1String("..")) || !file.open(QIODevice::ReadOnly))
        return TestHttpServer::response(404, "text/plain", "not found");
    static const QMimeDatabase types;
    QByteArray type = types.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toUtf8();
    if (type.startsWith("text/"))
        type += "; charset=utf-8";
    return TestHttpServer::response(200, type, file.readAll());
}

// The addresses of count pages: the same 100 repeated with distinct query strings. With a folder,
// its first 100 HTML files; otherwise generated pages of about kilobytes each.
QStringList scaleAddresses(const TestHttpServer& server, const QString& folder, int count)
{
    QStringList pages;
    if (folder.isEmpty()) {
        for (int i = 1; i <= 100; ++i)
            pages << QStringLiteral("/page/%1").arg(i);
    } else {
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name).mid(0, 100))
            pages << QLatin1Char('/') + dir.dirName() + QLatin1Char('/') + name;
    }
    QStringList addresses;
    for (int i = 0; i < count && !pages.isEmpty(); ++i)
        addresses << server.url(QStringLiteral("%1?n=%2").arg(pages[i % pages.size()]).arg(i));
    return addresses;
}

// One count of the scale benchmark, in a process of its own so that no earlier run's memory counts:
// a warm-up, the command's engine, then the plain loads. Prints "ms peak-KB plain-ms clean".
int scaleRun(int kilobytes, const QString& folder, int count)
{
    const QString root = folder.isEmpty() ? QString() : QDir(folder + "/..").absolutePath();
    TestHttpServer server([kilobytes, root](const QByteArray& path) {
        if (!root.isEmpty())
            return servedFile(root, path);
        // "/page/N?n=K": page N whatever K is
        return TestHttpServer::html(
            generatedPage(path.mid(6).split('?').value(0).toInt(), kilobytes));
    });
    const QStringList addresses = scaleAddresses(server, folder, count);
    // Starts the engine, with an address of its own: no measured page comes from the cache.
    runCommandEngine({addresses.value(0) + QStringLiteral("&warm-up")}, 1);
    const CommandRun run = runCommandEngine(addresses, 1);
    const double plainMs = plainLoadMs(addresses);
    std::printf("%.1f %ld %.1f %d\n", run.ms, run.peakKilobytes, plainMs, run.clean ? 1 : 0);
    return 0;
}

// pages: a kilobyte count for generated pages, or a folder of real ones.
int scale(const char* program, const QString& pages, const QList<int>& counts)
{
    bool generated = false;
    const int kilobytes = pages.toInt(&generated);
    if (generated)
        std::printf("the same 100 pages of about %d KB, repeated with distinct query strings; "
                    "-j 1\n\n",
                    kilobytes);
    else
        std::printf("the first 100 pages of %s, repeated with distinct query strings; -j 1\n\n",
                    qPrintable(pages));
    std::printf("pages   plain load ms/page  join ms/page  join / plain  peak tree PSS\n");
    bool clean = true;
    double firstMsPerPage = 0;
    long firstPeak = 0;
    for (int count : counts) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(program),
                    {QStringLiteral("scale-run"), pages, QString::number(count)});
        child.waitForFinished(-1);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 4) {
            std::printf("%5d  the run failed\n", count);
            clean = false;
            continue;
        }
        const double ms = figures[0].toDouble(), plainMs = figures[2].toDouble();
        const long peak = figures[1].toLong();
        clean = clean && figures[3] == "1";
        std::printf("%5d %20.1f %13.1f %13.3f %11.0f MB\n", count, plainMs / count, ms / count,
                    ms / plainMs, peak / 1024.0);
        if (firstPeak == 0) {
            firstMsPerPage = ms / count;
            firstPeak = peak;
        } else {
            std::printf("      against %d pages: peak memory x %.3f, time per page x %.3f\n",
                        counts.first(), double(peak) / firstPeak, ms / count / firstMsPerPage);
        }
    }
    return clean ? 0 : 1;
}

QByteArray png(int side, bool noise)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 160));
    for (int y = 0; noise && y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate() & 0x3f3f3f);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A page of generated documentation: a sidebar linking every page of the set by a relative
// address, sections linked from a local contents list and from the next page, ids every page
// has, the theme's images (relative, one in a style) and a figure of its own.
QByteArray docsPage(int index, int pages)
{
    const QByteArray n = QByteArray::number(index);
    QByteArray page = "<html><head><title>Chapter " + n +
                      " &#8212; Generated docs</title></head><body>"
                      "<div id=header style=\"background: url('../_static/banner.png')\">"
                      "<img src=\"../_static/logo.svg\" alt=logo></div><div id=sidebar><ul>";
    for (int i = 1; i <= pages; ++i)
        page += "<li><a href=\"../chapters/ch" + QByteArray::number(i) + ".html\">Chapter " +
                QByteArray::number(i) + "</a></li>";
    page += "</ul></div><div id=content><h1 id=top>Chapter " + n + "</h1><ul id=toc>";
    for (int s = 1; s <= 8; ++s)
        page += "<li><a href=\"#section-" + QByteArray::number(s) + "\">Section " +
                QByteArray::number(s) + "</a></li>";
    page += "</ul>";
    for (int s = 1; s <= 8; ++s) {
        page += "<h2 id=section-" + QByteArray::number(s) + ">Section " + QByteArray::number(s) +
                "</h2>";
        for (int p = 0; p < 4; ++p)
            page += "<p class=text>Text of chapter " + n +
                    ", as the reader would find it, with <code>code</code>, a link to "
                    "<a href=\"ch" +
                    QByteArray::number(index % pages + 1) + ".html#section-" +
                    QByteArray::number(s) +
                    "\">the same section of the next chapter</a> and "
                    "<a href=\"https://example.invalid/reference\">an outside reference</a>.</p>";
    }
    return page + "<img src=\"../_images/figure" + n +
           ".png\" alt=figure></div>"
           "<div id=footer><img src=\"../_static/icon.png\" alt=icon></div></body></html>";
}

int standalone(int pages, const QList<int>& jobSettings)
{
    QHash<QByteArray, QByteArray> images = {
        {"/_static/banner.png", png(64, false)},
        {"/_static/icon.png", png(16, false)},
        {"/_static/logo.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" "
                              "height=\"40\"><circle cx=\"20\" cy=\"20\" r=\"18\"/></svg>"}};
    for (int i = 1; i <= pages; ++i)
        images.insert("/_images/figure" + QByteArray::number(i) + ".png", png(48, true));
    TestHttpServer server([&images, pages](const QByteArray& path) {
        if (images.contains(path))
            return TestHttpServer::response(
                200, path.endsWith(".svg") ? "image/svg+xml" : "image/png", images.value(path));
        return TestHttpServer::html(docsPage(path.mid(12).split('.').value(0).toInt(), pages));
    });
    QStringList addresses;
    for (int i = 1; i <= pages; ++i)
        addresses << server.url(QStringLiteral("/chapters/ch%1.html").arg(i));
    // The engine started once before anything is measured.
    runCommandEngine(addresses.mid(0, 1), 1);

    std::printf("%d generated documentation pages: %d links and 4 images each (3 shared)\n\n",
                pages, pages + 8 * 4 + 8);
    std::printf("jobs  join        total ms  ms/page  / plain  file size  peak tree PSS\n");
    bool clean = true;
    for (int jobs : jobSettings) {
        const CommandRun plain = runCommandEngine(addresses, jobs);
        const CommandRun alone = runCommandEngine(addresses, jobs, join::StandaloneSettings{});
        int sheets = 0;
        const CommandRun pdf = runPdf(addresses, jobs, sheets);
        for (const auto& [name, run] :
             {std::pair{"plain", plain}, {"standalone", alone}, {"pdf", pdf}})
            std::printf("%-5d %-10s %9.0f %8.1f %8.3f %7.2f MB %11.0f MB\n", jobs, name, run.ms,
                        run.ms / pages, run.ms / plain.ms, run.bytes / 1048576.0,
                        run.peakKilobytes / 1024.0);
        std::printf("      the PDF: %d sheets; peak memory %.2f x the standalone join's\n", sheets,
                    double(pdf.peakKilobytes) / alone.peakKilobytes);
        clean = clean && plain.clean && alone.clean && pdf.clean;
    }
    return clean ? 0 : 1;
}

// The pages a source yields, as vantrel-join finds them, and how long finding them took.
QStringList foundPages(const join::FindRequest& request, int maxPages, double& ms)
{
    join::FindSettings settings;
    settings.maxPages = maxPages;
    join::PageFinder finder(
        settings, [](const QString& note) { std::printf("  note: %s\n", qPrintable(note)); });
    QElapsedTimer timer;
    timer.start();
    const QStringList pages = finder.find(request);
    ms = timer.nsecsElapsed() / 1e6;
    return pages;
}

int site(int pages, const QList<int>& jobSettings, const QString& library)
{
    TestHttpServer server([pages](const QByteArray& path) {
        if (path == "/site/index.html") {
            QByteArray contents = "<html><body><h1>Contents</h1><ol>";
            for (int i = 1; i <= pages; ++i)
                contents += "<li><a href=\"page" + QByteArray::number(i) + ".html\">Page " +
                            QByteArray::number(i) + "</a></li>";
            return TestHttpServer::html(contents + "</ol></body></html>");
        }
        if (path == "/site/sitemap.xml") {
            QByteArray sitemap = "<?xml version='1.0'?><urlset>";
            for (int i = 1; i <= pages; ++i)
                sitemap += "<url><loc>page" + QByteArray::number(i) + ".html</loc></url>";
            return TestHttpServer::response(200, "application/xml", sitemap + "</urlset>");
        }
        return TestHttpServer::html(generatedPage(path.mid(10).toInt(), 30)); // "/site/pageN.html"
    });
    const join::FindRequest contents{join::FindRequest::Kind::LinksOf,
                                     server.url(QStringLiteral("/site/index.html")), QString()};
    double findMs = 0;
    const QStringList addresses = foundPages(contents, pages + 1, findMs); // starts the engine
    std::printf("%d generated pages (30 KB each), their contents page and sitemap\n", pages);
    std::printf("jobs  -i list ms  --links-of ms (finding)  finding / join\n");
    double sitemapMs = 0;
    const QStringList mapped = foundPages(
        {join::FindRequest::Kind::Sitemap, server.url(QStringLiteral("/site/sitemap.xml")), {}},
        pages, sitemapMs);
    std::printf("the same pages by their sitemap: %lld, found in %.0f ms\n\n",
                qlonglong(mapped.size()), sitemapMs);
    bool clean = addresses.size() == pages + 1 && mapped == addresses.mid(1);
    for (int jobs : jobSettings) {
        const CommandRun listed = runCommandEngine(addresses, jobs);
        const QStringList found = foundPages(contents, pages + 1, findMs);
        const CommandRun joined = runCommandEngine(found, jobs, std::nullopt, {}, true);
        std::printf("%-5d %10.0f %14.0f (%6.0f) %14.2f %%\n", jobs, listed.ms, findMs + joined.ms,
                    findMs, 100 * findMs / joined.ms);
        clean = clean && listed.clean && joined.clean && listed.digest == joined.digest;
    }

    if (!QFileInfo::exists(library + QStringLiteral("/library/index.html"))) {
        std::printf("\nno library reference in %s (Debian: python3.11-doc)\n", qPrintable(library));
        return clean ? 0 : 1;
    }
    TestHttpServer files([library](const QByteArray& path) { return servedFile(library, path); });
    const QStringList reference = foundPages(
        {join::FindRequest::Kind::LinksOf, files.url(QStringLiteral("/library/index.html")), {}},
        100, findMs);
    join::ContentRule main;
    main.main = true;
    const CommandRun plain = runCommandEngine(reference, 4, join::StandaloneSettings{});
    const CommandRun kept = runCommandEngine(reference, 4, join::StandaloneSettings{}, main);
    std::printf(
        "\nthe library reference, %lld pages by its contents page (found in %.0f ms), -j 4\n",
        qlonglong(reference.size()), findMs);
    std::printf("--standalone         %8.2f MB %8.0f ms\n", plain.bytes / 1048576.0, plain.ms);
    std::printf("--main --standalone  %8.2f MB %8.0f ms  (%.2f x the size)\n",
                kept.bytes / 1048576.0, kept.ms, double(kept.bytes) / plain.bytes);
    return clean && plain.clean && kept.clean ? 0 : 1;
}

// The generated documentation pages of a book, "/chapters/chN.html" (past 100, the first 100
// again), with their theme images and figures.
TestHttpServer::Handler docsBookSite()
{
    QHash<QByteArray, QByteArray> images = {
        {"/_static/banner.png", png(64, false)},
        {"/_static/icon.png", png(16, false)},
        {"/_static/logo.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" "
                              "height=\"40\"><circle cx=\"20\" cy=\"20\" r=\"18\"/></svg>"}};
    for (int i = 1; i <= 100; ++i)
        images.insert("/_images/figure" + QByteArray::number(i) + ".png", png(48, true));
    return [images](const QByteArray& path) {
        if (images.contains(path))
            return TestHttpServer::response(
                200, path.endsWith(".svg") ? "image/svg+xml" : "image/png", images.value(path));
        const int index = path.mid(12).split('.').value(0).toInt();
        return TestHttpServer::html(docsPage((index - 1) % 100 + 1, 100));
    };
}

// One count of the EPUB benchmark with a server of its own: the command's book, then its
// standalone join of the same pages, each a process of its own. Prints "book-ms book-peak-KB
// book-bytes standalone-ms standalone-peak-KB standalone-bytes clean".
int epubRun(int count, int jobs)
{
    TestHttpServer server(docsBookSite());
    QStringList addresses;
    for (int i = 1; i <= count; ++i)
        addresses << server.url(QStringLiteral("/chapters/ch%1.html").arg(i));
    QTemporaryDir folder;
    const QStringList jobsOption{QStringLiteral("-j"), QString::number(jobs)};
    const CommandRun book =
        runCommand(addresses, jobsOption, folder.filePath(QStringLiteral("book.epub")));
    const CommandRun alone = runCommand(addresses, jobsOption + QStringList{"--standalone"},
                                        folder.filePath(QStringLiteral("alone.html")));
    std::printf("%.1f %ld %lld %.1f %ld %lld %d\n", book.ms, book.peakKilobytes,
                static_cast<long long>(book.bytes), alone.ms, alone.peakKilobytes,
                static_cast<long long>(alone.bytes), book.clean && alone.clean ? 1 : 0);
    return 0;
}

int epub(const char* program, const QList<int>& counts, int jobs)
{
    std::printf("generated documentation pages (the first 100 repeated); -j %d\n\n", jobs);
    std::printf("pages  join        total ms  / standalone  file size  peak tree PSS\n");
    bool clean = true;
    long firstPeak = 0;
    for (int count : counts) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(program),
                    {QStringLiteral("epub-run"), QString::number(count), QString::number(jobs)});
        child.waitForFinished(-1);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 7) {
            std::printf("%5d  the run failed\n", count);
            clean = false;
            continue;
        }
        const double bookMs = figures[0].toDouble(), aloneMs = figures[3].toDouble();
        std::printf("%5d  epub       %9.0f %13.3f %7.2f MB %11.0f MB\n", count, bookMs,
                    bookMs / aloneMs, figures[2].toDouble() / 1048576.0,
                    figures[1].toDouble() / 1024.0);
        std::printf("%5d  standalone %9.0f %13.3f %7.2f MB %11.0f MB\n", count, aloneMs, 1.0,
                    figures[5].toDouble() / 1048576.0, figures[4].toDouble() / 1024.0);
        clean = clean && figures[6] == "1";
        if (firstPeak == 0)
            firstPeak = figures[1].toLong();
        else
            std::printf("       the book's peak memory against %d pages: x %.3f\n", counts.first(),
                        figures[1].toDouble() / firstPeak);
    }
    return clean ? 0 : 1;
}

// The pages to print: count generated documentation pages (images and all), or with real,
// the library reference of Debian's python3.11-doc repeated with distinct query strings up to
// count; both served on 127.0.0.1.
const QString RealPages = QStringLiteral("/usr/share/doc/python3.11/html/library");

// One count of the PDF benchmark, with a server of its own: the command's standalone join, then
// its PDF, each a process of its own. Prints "alone-ms alone-KB pdf-ms pdf-KB sheets bytes
// clean".
int pdfRun(bool real, int count, int jobs)
{
    QHash<QByteArray, QByteArray> images = {{"/_static/banner.png", png(64, false)},
                                            {"/_static/icon.png", png(16, false)}};
    TestHttpServer server([&images, real, count](const QByteArray& path) {
        if (real)
            return servedFile(QStringLiteral("/usr/share/doc/python3.11/html"), path);
        if (path.startsWith("/_"))
            return TestHttpServer::response(200, "image/png",
                                            images.value(path, images.value("/_static/icon.png")));
        // The same sidebar (of the first 100) at every count: pages that do not grow with it.
        return TestHttpServer::html(
            docsPage(path.mid(12).split('.').value(0).toInt(), qMin(count, 100)));
    });
    QStringList addresses;
    if (real) {
        QStringList names =
            QDir(RealPages).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (int i = 0; i < count && !names.isEmpty(); ++i)
            addresses << server.url(QStringLiteral("/library/%1?n=%2")
                                        .arg(names[i % qMin<qsizetype>(100, names.size())])
                                        .arg(i));
    } else {
        for (int i = 1; i <= count; ++i)
            addresses << server.url(QStringLiteral("/chapters/ch%1.html").arg(i));
    }
    QTemporaryDir folder;
    const CommandRun alone = runCommand(
        addresses, {QStringLiteral("-j"), QString::number(jobs), QStringLiteral("--standalone")},
        folder.filePath(QStringLiteral("alone.html")));
    int sheets = 0;
    const CommandRun pdf = runPdf(addresses, jobs, sheets);
    std::printf("%.1f %ld %.1f %ld %d %lld %d\n", alone.ms, alone.peakKilobytes, pdf.ms,
                pdf.peakKilobytes, sheets, static_cast<long long>(pdf.bytes),
                alone.clean && pdf.clean ? 1 : 0);
    return 0;
}

int pdfBench(const char* program, const QList<int>& generatedCounts, const QList<int>& realCounts,
             int jobs)
{
    std::printf("one PDF (-j %d) beside the standalone join of the same pages\n\n", jobs);
    std::printf(
        "pages  kind        pdf s   ms/page  peak tree PSS  / standalone's  sheets   size\n");
    bool clean = true;
    const bool haveReal = QDir(RealPages).exists();
    for (const bool real : {false, true}) {
        const QList<int>& counts = real ? realCounts : generatedCounts;
        long firstPeak = 0;
        for (int count : counts) {
            if (real && !haveReal)
                continue;
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QString::fromLocal8Bit(program),
                        {QStringLiteral("pdf-run"), QString::number(real ? 1 : 0),
                         QString::number(count), QString::number(jobs)});
            child.waitForFinished(-1);
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
            if (f.size() != 7) {
                std::printf("%5d  the run failed\n", count);
                clean = false;
                continue;
            }
            const long peak = f[3].toLong();
            clean = clean && f[6] == "1";
            std::printf("%5d  %-9s %7.1f %9.1f %11.0f MB %15.2f %7d %4.0f MB\n", count,
                        real ? "real" : "generated", f[2].toDouble() / 1000,
                        f[2].toDouble() / count, peak / 1024.0, double(peak) / f[1].toLong(),
                        f[4].toInt(), f[5].toDouble() / 1048576);
            if (firstPeak == 0)
                firstPeak = peak;
            else
                std::printf("       against %d pages: peak memory x %.3f\n", counts.first(),
                            double(peak) / firstPeak);
        }
    }
    if (!haveReal)
        std::printf("(no real pages: Debian's python3.11-doc is not installed)\n");
    return clean ? 0 : 1;
}

// A re-run with a saved profile beside the first run, on real pages: the command joins the first
// 100 pages of library's folder, served with an ETag each (a server that keeps validators), three
// times in processes of their own: without a profile, with a new one, and again with that one.
// Prints each run's time, the bytes the server sent, and how many requests it answered 304.
int profileBench(const QString& library, int jobs)
{
    const QString root = QFileInfo(library).path();
    TestHttpServer server([root](const QByteArray& path) {
        TestHttpServer::Response response = servedFile(root, path);
        if (response.status == 200)
            response.headers.append(
                {"ETag",
                 '"' + QCryptographicHash::hash(response.body, QCryptographicHash::Md5).toHex() +
                     '"'});
        return response;
    });
    server.setAnswerConditionalRequests(true);
    QTemporaryDir dir;
    const QString list = writtenList(dir, scaleAddresses(server, library, 100));
    if (list.isEmpty())
        return 1;
    const QString profile = dir.filePath(QStringLiteral("profile"));
    std::printf("re-run with a saved profile: 100 pages of %s, -j %d\n", qPrintable(library), jobs);
    std::printf("%-22s %9s %12s %6s %9s\n", "run", "ms", "bytes sent", "304s", "exit");
    const QList<QPair<const char*, QStringList>> runs = {
        {"no profile", {}},
        {"first, new profile", {QStringLiteral("--profile"), profile}},
        {"re-run, same profile", {QStringLiteral("--profile"), profile}},
    };
    for (const auto& [name, extra] : runs) {
        const qint64 bytesBefore = server.bytesSent();
        const int notModifiedBefore = server.notModifiedCount();
        QProcess run;
        QElapsedTimer timer;
        timer.start();
        run.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel-join"),
                  QStringList{QStringLiteral("-q"), QStringLiteral("-j"), QString::number(jobs),
                              QStringLiteral("-i"), list, QStringLiteral("-o"),
                              dir.filePath(QStringLiteral("joined.html"))} +
                      extra);
        if (!run.waitForFinished(30 * 60 * 1000))
            run.kill();
        std::printf("%-22s %9lld %12lld %6d %9d\n", name, timer.elapsed(),
                    server.bytesSent() - bytesBefore, server.notModifiedCount() - notModifiedBefore,
                    run.exitCode());
    }
    return 0;
}

// The pages' look against the plain look, on real pages: the standalone file's time and size and
// how many classes its stylesheet holds, at each count (the same pages repeated), then a PDF of
// the first count's pages both ways.
int lookBench(const QString& library, const QList<int>& counts)
{
    const QString root = QDir(library).absolutePath();
    TestHttpServer server([root](const QByteArray& path) { return servedFile(root, path); });
    std::printf("pages  look    time s   size MB  classes\n");
    for (const int count : counts) {
        const QStringList addresses =
            scaleAddresses(server, root + QStringLiteral("/library"), count);
        for (const bool plain : {true, false}) {
            QTemporaryFile out;
            if (!out.open())
                return 1;
            cli::JoinSettings settings;
            settings.standalone.emplace();
            settings.standalone->wholeAtTheEnd = true;
            settings.look.styles = !plain;
            const CommandRun run =
                measured(addresses, [&](const std::shared_ptr<cli::TerminalReport>& report) {
                    return cli::joinPages(report, settings, out);
                });
            out.seek(0);
            const QByteArray head = out.read(4 * 1024 * 1024);
            const qsizetype headEnd = head.indexOf("</head>");
            const int classes = int(head.left(headEnd).count("\n.v"));
            std::printf("%5d  %-5s %8.1f %9.1f %8d%s\n", count, plain ? "plain" : "look",
                        run.ms / 1000, out.size() / 1e6, classes, run.clean ? "" : "  (not clean)");
        }
    }
    const QStringList addresses =
        scaleAddresses(server, root + QStringLiteral("/library"), counts.value(0, 100));
    for (const bool plain : {true, false}) {
        int sheets = 0;
        const CommandRun run = runPdf(addresses, 1, sheets, plain);
        std::printf("%5d  %-5s PDF %6.1f s  %d sheets  %.1f MB\n", int(addresses.size()),
                    plain ? "plain" : "look", run.ms / 1000, sheets, run.bytes / 1e6);
    }
    return 0;
}

// The web fonts a site's pages carry into one standalone file: the scipy reference of Debian's
// python-scipy-doc (its pages draw icons in Font Awesome's faces), its first 100 pages repeated at
// addresses of their own up to each count: time, the file's size, its @font-face rules and what
// they weigh. A site's faces are carried once, so their weight does not grow with the count.
int fontsBench(const QList<int>& counts)
{
    const QString root = QStringLiteral("/usr/share/doc/python-scipy-doc/html");
    TestHttpServer server([root](const QByteArray& path) { return servedFile(root, path); });
    const QStringList names = QDir(root + QStringLiteral("/reference/generated"))
                                  .entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)
                                  .mid(0, 100);
    if (names.isEmpty())
        return 1;
    std::printf("pages   time s   size MB   faces   fonts MB\n");
    for (const int count : counts) {
        QStringList addresses;
        for (int i = 0; i < count; ++i)
            addresses << server.url(
                QStringLiteral("/reference/generated/%1?n=%2").arg(names[i % names.size()]).arg(i));
        QTemporaryFile out;
        if (!out.open())
            return 1;
        cli::JoinSettings settings;
        settings.standalone.emplace();
        settings.standalone->wholeAtTheEnd = true;
        const CommandRun run =
            measured(addresses, [&](const std::shared_ptr<cli::TerminalReport>& report) {
                return cli::joinPages(report, settings, out);
            });
        out.seek(0);
        const QByteArray text = out.readAll();
        static const QRegularExpression face(QStringLiteral("@font-face\\{[^}]*\\}"));
        int faces = 0;
        qint64 fontBytes = 0;
        for (const auto& match :
             face.globalMatch(QString::fromLatin1(text.left(text.indexOf("</head>"))))) {
            ++faces;
            fontBytes += match.capturedLength();
        }
        std::printf("%5d %8.1f %9.2f %7d %10.2f%s\n", count, run.ms / 1000, text.size() / 1e6,
                    faces, fontBytes / 1e6, run.clean ? "" : "  (not clean)");
    }
    return 0;
}

// The processor time the renderer's main thread (which runs the page's scripts) has had, in
// milliseconds: what a step costs, however busy the machine is otherwise.
double rendererMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/task/%1/schedstat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    return stat.readAll().split(' ').value(0).toDouble() / 1e6;
}

// Runs script in page and answers its result and the processor time of the renderer's main
// thread meanwhile.
QVariant timedScript(QWebEnginePage& page, const QString& script, double& ms)
{
    const double before = rendererMs(page.renderProcessPid());
    QVariant answer;
    bool done = false;
    page.runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        answer = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 60000))
        return {};
    ms = rendererMs(page.renderProcessPid()) - before;
    return answer;
}

// What turning the text of the pages' stylesheets into text of the page costs, in the page's
// renderer, on real pages (the references of python3.11-doc and python-scipy-doc, half each): per
// page, the processor time of that step beside the look's capture that follows it (the
// renderer's main thread, from /proc), and how many pieces of text it made. Rounds repeat the
// same pages, to show the noise.
int generatedBench(int count, int rounds)
{
    const QStringList libraries{QStringLiteral("/usr/share/doc/python3.11/html/library"),
                                QStringLiteral("/usr/share/doc/python-scipy-doc/html/reference")};
    TestHttpServer server([](const QByteArray& path) { return servedFile(QString(), path); });
    QStringList addresses;
    for (const QString& library : libraries) {
        QDirIterator files(library, {QStringLiteral("*.html")}, QDir::Files,
                           QDirIterator::Subdirectories);
        QStringList found;
        while (files.hasNext())
            found.append(files.next());
        found.sort();
        for (const QString& file : found.mid(0, count / int(libraries.size())))
            addresses.append(server.url(file));
    }
    const QString generated = join::resourceText(QStringLiteral(":/join/look/generated-text.js")) +
                              QStringLiteral("({ styles: true })");
    const QString capture = join::resourceText(QStringLiteral(":/join/look/look-capture.js")) +
                            QStringLiteral("({ styles: true, print: false }), 0");
    std::printf("round  pages  generated ms/page  capture ms/page  share  pieces  max ms\n");
    for (int round = 1; round <= rounds; ++round) {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        double generatedMs = 0, captureMs = 0, maxMs = 0;
        int pieces = 0, pages = 0;
        for (const QString& address : addresses) {
            if (!scriptResultIn(page, QUrl(address), QStringLiteral("0")).isValid())
                continue;
            double ms = 0;
            pieces += timedScript(page, generated, ms).toInt();
            generatedMs += ms;
            maxMs = qMax(maxMs, ms);
            timedScript(page, capture, ms);
            captureMs += ms;
            ++pages;
        }
        if (!pages)
            return 1;
        std::printf("%5d  %5d  %17.2f  %15.2f  %4.1f%%  %6d  %6.1f\n", round, pages,
                    generatedMs / pages, captureMs / pages,
                    100 * generatedMs / (generatedMs + captureMs), pieces, maxMs);
        std::fflush(stdout);
    }
    return 0;
}

// The kept text of each page as --format txt writes it, joined with rule ("body", "main",
// "reader"): a join into a file of its own.
CommandRun runText(const QStringList& addresses, int jobs, const QString& rule,
                   QByteArray* text = nullptr)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("book.txt"));
    cli::Output output(path);
    if (!output.open().isEmpty())
        return {};
    cli::JoinSettings settings;
    settings.jobs = jobs;
    settings.standalone.emplace().wholeAtTheEnd = true;
    settings.content.main = rule == QLatin1String("main");
    settings.content.reader = rule == QLatin1String("reader");
    CommandRun run = measured(addresses, [&](const std::shared_ptr<cli::TerminalReport>& report) {
        return cli::joinToText(report, settings, join::TextFormat::Plain, output);
    });
    if (!output.commit().isEmpty())
        run.clean = false;
    QFile written(path);
    if (text && written.open(QIODevice::ReadOnly))
        *text = written.readAll();
    run.bytes = QFileInfo(path).size();
    return run;
}

// One rule of the reader's cost, in a process of its own so that no earlier run's memory counts:
// a warm-up, then the join. Prints "ms peak-KB bytes clean".
int readerRun(const QString& rule, int count, int jobs)
{
    TestHttpServer server([](const QByteArray& path) {
        return servedFile(QStringLiteral("/usr/share/doc/python3.11/html"), path);
    });
    const QStringList names =
        QDir(RealPages).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QStringList addresses;
    for (int i = 0; i < count && !names.isEmpty(); ++i)
        addresses << server.url(
            QStringLiteral("/library/%1?n=%2").arg(names[i % names.size()]).arg(i));
    runText({server.url(QStringLiteral("/library/index.html?warm-up"))}, 1, rule);
    const CommandRun run = runText(addresses, jobs, rule);
    std::printf("%.1f %ld %lld %d\n", run.ms, run.peakKilobytes, static_cast<long long>(run.bytes),
                run.clean ? 1 : 0);
    return 0;
}

// The words of a text, lower case, each as often as it occurs.
QHash<QString, int> wordCounts(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]+"));
    QHash<QString, int> counts;
    for (const QRegularExpressionMatch& match : word.globalMatch(text.toLower()))
        ++counts[match.captured()];
    return counts;
}

// How many words of kept are in truth (each at most as often as there), and how many each holds.
struct WordMatch
{
    long common = 0, kept = 0, truth = 0;
};
WordMatch matched(const QString& kept, const QString& truth)
{
    const QHash<QString, int> keptWords = wordCounts(kept);
    const QHash<QString, int> truthWords = wordCounts(truth);
    WordMatch match;
    for (auto it = keptWords.begin(); it != keptWords.end(); ++it) {
        match.common += qMin(it.value(), truthWords.value(it.key()));
        match.kept += it.value();
    }
    for (int n : truthWords)
        match.truth += n;
    return match;
}

int reader(const char* program, int count, int jobs)
{
    bool clean = true;
    const QStringList rules = {QStringLiteral("body"), QStringLiteral("main"),
                               QStringLiteral("reader")};
    if (QDir(RealPages).exists()) {
        std::printf("%d pages of the library reference as text (-j %d): the reader's cost\n\n",
                    count, jobs);
        std::printf("rule      total s   ms/page  peak tree PSS   size\n");
        for (const QString& rule : rules) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QString::fromLocal8Bit(program),
                        {QStringLiteral("reader-run"), rule, QString::number(count),
                         QString::number(jobs)});
            child.waitForFinished(-1);
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
            if (f.size() != 4) {
                std::printf("%-8s  the run failed\n", qPrintable(rule));
                clean = false;
                continue;
            }
            clean = clean && f[3] == "1";
            std::printf("%-8s %8.1f %9.1f %11.0f MB %4.1f MB\n", qPrintable(rule),
                        f[0].toDouble() / 1000, f[0].toDouble() / count, f[1].toDouble() / 1024,
                        f[2].toDouble() / 1048576);
        }
    } else {
        std::printf("(no real pages: Debian's python3.11-doc is not installed)\n");
    }

    const QString folder = QStringLiteral(VANTREL_BENCH_DIR "/reader");
    TestHttpServer server([folder](const QByteArray& path) { return servedFile(folder, path); });
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    std::printf("\nwords kept against the article's (bench/reader/), precision / recall\n\n");
    std::printf("%-20s %15s %15s %15s\n", "page", "body", "--main", "--reader");
    QHash<QString, WordMatch> totals;
    for (const QString& name : names) {
        QFile truthFile(folder + QLatin1Char('/') + QFileInfo(name).completeBaseName() +
                        QStringLiteral(".txt"));
        if (!truthFile.open(QIODevice::ReadOnly))
            continue;
        const QString truth = QString::fromUtf8(truthFile.readAll());
        std::printf("%-20s", qPrintable(QFileInfo(name).completeBaseName()));
        for (const QString& rule : rules) {
            QByteArray text;
            const CommandRun run = runText({server.url(QLatin1Char('/') + name)}, 1, rule, &text);
            clean = clean && run.clean;
            // The part's title and address, the first two lines, are the file's, not the page's.
            const QString kept = QString::fromUtf8(text).section(QLatin1Char('\n'), 2);
            const WordMatch match = matched(kept, truth);
            WordMatch& total = totals[rule];
            total.common += match.common;
            total.kept += match.kept;
            total.truth += match.truth;
            std::printf("    %5.2f / %4.2f", match.kept ? double(match.common) / match.kept : 0,
                        match.truth ? double(match.common) / match.truth : 0);
        }
        std::printf("\n");
    }
    std::printf("%-20s", "all words");
    for (const QString& rule : rules) {
        const WordMatch& total = totals[rule];
        std::printf("    %5.2f / %4.2f", total.kept ? double(total.common) / total.kept : 0,
                    total.truth ? double(total.common) / total.truth : 0);
    }
    std::printf("\n");
    return clean ? 0 : 1;
}

// The command's environment with the offscreen platform and no display, or as this program was
// started (a desktop's: DISPLAY, maybe WAYLAND_DISPLAY and QT_QPA_PLATFORM).
QProcessEnvironment commandEnvironment(bool display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!display) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    return environment;
}

// Every format of count generated documentation pages (the first 100 repeated at addresses of
// their own), each joined by the command in a process of its own.
int formats(const QList<int>& counts, const QList<int>& pdfCounts, int jobs, const QString& platforms)
{
    TestHttpServer server(docsBookSite());
    const bool haveDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    std::printf("generated documentation pages (the first 100 repeated); -j %d; %s\n\n", jobs,
                qPrintable(commandProgram()));
    std::printf("platform   format      pages   time s  cpu s  peak tree PSS  / fewest  "
                "peak MB by process kind\n");
    bool clean = true;
    for (const bool display : {false, true}) {
        if (platforms == (display ? QLatin1String("offscreen") : QLatin1String("display")))
            continue;
        if (display && !haveDisplay) {
            std::printf("(no display: run under xvfb-run -a for the desktop's figures)\n");
            continue;
        }
        const QProcessEnvironment environment = commandEnvironment(display);
        for (const QString& format : {QStringLiteral("epub"), QStringLiteral("pdf"),
                                      QStringLiteral("html"), QStringLiteral("md"),
                                      QStringLiteral("txt")}) {
            long firstPeak = 0;
            for (const int count : format == QLatin1String("pdf") ? pdfCounts : counts) {
                QStringList addresses;
                for (int i = 1; i <= count; ++i)
                    addresses << server.url(QStringLiteral("/chapters/ch%1.html?r=%2")
                                                .arg((i - 1) % 100 + 1)
                                                .arg((i - 1) / 100));
                QTemporaryDir folder;
                QStringList options{QStringLiteral("-j"), QString::number(jobs)};
                if (format == QLatin1String("html"))
                    options << QStringLiteral("--standalone");
                const CommandRun run = runCommand(
                    addresses, options, folder.filePath(QStringLiteral("out.") + format),
                    environment);
                clean = clean && run.clean;
                if (firstPeak == 0)
                    firstPeak = run.peakKilobytes;
                std::printf("%-10s %-10s %6d %8.1f %6.1f %11.0f MB %8.3f  %s%s\n",
                            display ? "display" : "offscreen",
                            format == QLatin1String("html") ? "standalone" : qPrintable(format),
                            count, run.ms / 1000, run.cpuMs / 1000, run.peakKilobytes / 1024.0,
                            double(run.peakKilobytes) / firstPeak, qPrintable(run.kinds),
                            run.clean ? "" : "  (not clean)");
                std::fflush(stdout);
            }
        }
    }
    return clean ? 0 : 1;
}

// A page its script fills at load with count elements: paragraphs of highlighted words, as long
// documentation's code and text are.
QByteArray manyElementsPage(int count)
{
    return "<!DOCTYPE html><html><head><title>Elements</title><style>"
           ".k { color: rgb(0, 112, 32); font-weight: bold } .s { color: rgb(64, 112, 160) }"
           ".n { font-style: italic } p.alt { background: rgb(240, 240, 240) }"
           "</style></head><body><div id=all></div><script>"
           "const kinds = ['k', 's', 'n', 'k s', ''];"
           "let html = '';"
           "for (let i = 0; i < " +
           QByteArray::number(count) +
           "; ++i)"
           "  html += (i % 20 === 0 ? (i % 40 ? '<p>' : '<p class=alt>') : '') +"
           "          '<span class=\"' + kinds[i % 5] + '\">word' + i + '</span> ';"
           "document.getElementById('all').innerHTML = html;"
           "</script></body></html>";
}

// What noting the look costs at each count of elements: in a site browser of this program (the
// note alone), and as the command's --standalone of the page (load, look, copy, write).
int lookCost(const QList<int>& counts)
{
    TestHttpServer server([](const QByteArray& path) {
        return TestHttpServer::html(manyElementsPage(path.mid(1).toInt()));
    });
    const QString capture = join::resourceText(QStringLiteral(":/join/look/look-capture.js")) +
                            QStringLiteral("({\"styles\": true, \"print\": false, \"time\": "
                                           "600000})");
    std::printf("elements  look noted ms  us/element  command --standalone s  cpu s\n");
    bool clean = true;
    for (const int count : counts) {
        double noteMs = -1;
        {
            SiteBrowser site;
            site.navigate(server.url(QStringLiteral("/%1").arg(count)));
            site.waitUntilComplete(std::chrono::minutes(5));
            site.readyToCopy();
            QElapsedTimer timer;
            timer.start();
            const QVariant answer = site.evaluate(capture, std::chrono::minutes(10));
            noteMs = timer.nsecsElapsed() / 1e6;
            clean = clean && answer.toMap().contains(QStringLiteral("hidden"));
        }
        QTemporaryDir folder;
        const CommandRun run = runCommand(
            {server.url(QStringLiteral("/%1").arg(count))},
            {QStringLiteral("--standalone"), QStringLiteral("-t"), QStringLiteral("600")},
            folder.filePath(QStringLiteral("out.html")));
        clean = clean && run.clean;
        std::printf("%8d %14.0f %11.2f %23.1f %6.1f%s\n", count, noteMs, noteMs * 1000 / count,
                    run.ms / 1000, run.cpuMs / 1000, run.clean ? "" : "  (not clean)");
        std::fflush(stdout);
    }
    return clean ? 0 : 1;
}

// The command's PDF of the first pages of library beside wkhtmltopdf printing each page in a
// process of its own, one after another (a script any user could write), both at -j 1.
int pdfPeer(int count, const QString& library)
{
    const QString wkhtmltopdf = QStandardPaths::findExecutable(QStringLiteral("wkhtmltopdf"));
    if (wkhtmltopdf.isEmpty()) {
        std::printf("wkhtmltopdf is not installed (apt-get install wkhtmltopdf)\n");
        return 1;
    }
    const QString root = QDir(library + QStringLiteral("/..")).absolutePath();
    TestHttpServer server([root](const QByteArray& path) { return servedFile(root, path); });
    const QStringList addresses = scaleAddresses(server, library, count);
    std::printf("%d pages of %s, -j 1\n\n", int(addresses.size()), qPrintable(library));
    std::printf("printer                  wall s   cpu s  sheets  peak tree PSS\n");
    int sheets = 0;
    const CommandRun ours = runPdf(addresses, 1, sheets);
    std::printf("vantrel-join, one PDF %9.1f %7.1f %7d %11.0f MB%s\n", ours.ms / 1000,
                ours.cpuMs / 1000, sheets, ours.peakKilobytes / 1024.0,
                ours.clean ? "" : "  (not clean)");
    std::fflush(stdout);
    // The peer as its users run it on a desktop-less machine: offscreen, quiet.
    QProcessEnvironment environment = commandEnvironment(false);
    QTemporaryDir folder;
    int peerSheets = 0;
    long peerPeak = 0;
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < addresses.size(); ++i) {
        const QString out = folder.filePath(QStringLiteral("%1.pdf").arg(i));
        QProcess peer;
        peer.setProcessEnvironment(environment);
        peer.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        peer.start(wkhtmltopdf, {QStringLiteral("-q"), addresses[i], out});
        peer.waitForStarted();
        {
            TreeMemoryPeak memory(peer.processId());
            peer.waitForFinished(10 * 60 * 1000);
            peerPeak = qMax(peerPeak, memory.kilobytes());
        }
        peer.readAllStandardError();
    }
    const double peerMs = timer.nsecsElapsed() / 1e6;
    const double peerCpuMs = childrenCpuMs() - cpuBefore;
    for (int i = 0; i < addresses.size(); ++i)
        peerSheets += sheetsOf(folder.filePath(QStringLiteral("%1.pdf").arg(i)));
    std::printf("wkhtmltopdf, per page %9.1f %7.1f %7d %11.0f MB\n", peerMs / 1000,
                peerCpuMs / 1000, peerSheets, peerPeak / 1024.0);
    std::printf("ours / the peer:      %9.3f %7.3f %7.3f\n", ours.ms / peerMs,
                ours.cpuMs / peerCpuMs, double(sheets) / qMax(1, peerSheets));
    return ours.clean ? 0 : 1;
}

// The processor time (user and system) of root and every process below it, sampled from a thread
// of its own every 100 ms: the renderers a command's engine starts are none of its waited-for
// children, whose times a wait would count. A process's last 100 ms before it ends may go
// uncounted.
class TreeCpu
{
public:
    explicit TreeCpu(qint64 root)
    {
        m_timer.setInterval(100);
        m_timer.moveToThread(&m_thread);
        QObject::connect(&m_timer, &QTimer::timeout, [this, root] { sample(root); });
        QObject::connect(&m_thread, &QThread::started, &m_timer, qOverload<>(&QTimer::start));
        m_thread.start();
    }
    ~TreeCpu() { stop(); }
    void stop()
    {
        if (!m_thread.isRunning())
            return;
        QMetaObject::invokeMethod(&m_timer, &QTimer::stop, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    double milliseconds() const
    {
        double ticks = 0;
        for (const qint64 value : m_ticks)
            ticks += value;
        return ticks * 1000.0 / sysconf(_SC_CLK_TCK);
    }

private:
    void sample(qint64 root)
    {
        for (qint64 pid : processTree(root)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = stat.readAll();
            const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            // utime and stime are the stat file's 14th and 15th fields.
            const qint64 ticks = fields.value(11).toLongLong() + fields.value(12).toLongLong();
            m_ticks[pid] = qMax(m_ticks.value(pid), ticks);
        }
    }
    QThread m_thread;
    QTimer m_timer;
    QHash<qint64, qint64> m_ticks;
};

// A command's run on the addresses (in a list file): wall and processor time (user and system
// of its whole process tree), and whether it ended well.
struct TimedRun
{
    double wallMs = 0;
    double cpuMs = 0;
    bool clean = false;
};
TimedRun timedCommand(const QString& program, const QStringList& addresses,
                      const QStringList& options, const QString& output)
{
    QTemporaryDir dir;
    const QString list = writtenList(dir, addresses);
    if (list.isEmpty())
        return {};
    QProcess command;
    command.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    command.start(program, QStringList{QStringLiteral("-q"), QStringLiteral("-i"), list} +
                               options + QStringList{QStringLiteral("-o"), output});
    if (!command.waitForStarted())
        return {};
    TreeCpu tree(command.processId());
    if (!command.waitForFinished(60 * 60 * 1000))
        command.kill();
    tree.stop();
    TimedRun run;
    run.wallMs = timer.nsecsElapsed() / 1e6;
    run.cpuMs = tree.milliseconds();
    run.clean = command.exitStatus() == QProcess::NormalExit && command.exitCode() == 0;
    return run;
}

qint64 matches(const QRegularExpression& pattern, const QString& text)
{
    qint64 count = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext(); it.next())
        ++count;
    return count;
}

int renderersBench(const QString& other, int rounds, const QString& scipy)
{
    const QString thisOne = QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel-join");
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("joined.html"));
    // Rounds 0: the pages heavy in math alone.
    if (rounds > 0) {
        const QString root = QFileInfo(RealPages).path();
        TestHttpServer server([root](const QByteArray& path) { return servedFile(root, path); });
        const QStringList addresses = scaleAddresses(server, RealPages, 100);
        std::printf("100 pages without math, --standalone, %d rounds in turns (ms per page)\n",
                    rounds);
        std::printf("%-6s %-8s %9s %9s\n", "round", "build", "wall", "cpu");
        QList<double> wall[2], cpu[2];
        // A first run of each warms the disk cache and the engine's files.
        timedCommand(thisOne, addresses.mid(0, 10), {QStringLiteral("--standalone")}, out);
        timedCommand(other, addresses.mid(0, 10), {QStringLiteral("--standalone")}, out);
        for (int round = 1; round <= rounds; ++round) {
            for (int which = 0; which < 2; ++which) {
                const TimedRun run = timedCommand(which ? other : thisOne, addresses,
                                                  {QStringLiteral("--standalone")}, out);
                wall[which].append(run.wallMs / 100);
                cpu[which].append(run.cpuMs / 100);
                std::printf("%-6d %-8s %9.1f %9.1f%s\n", round, which ? "other" : "this",
                            run.wallMs / 100, run.cpuMs / 100, run.clean ? "" : "  (not clean)");
            }
        }
        const auto median = [](QList<double> values) {
            std::sort(values.begin(), values.end());
            return values.isEmpty() ? 0.0 : values[values.size() / 2];
        };
        std::printf("median  this %.1f / %.1f, other %.1f / %.1f ms per page (wall / cpu): "
                    "%+.1f %% / %+.1f %%\n",
                    median(wall[0]), median(cpu[0]), median(wall[1]), median(cpu[1]),
                    100 * (median(wall[0]) / median(wall[1]) - 1),
                    100 * (median(cpu[0]) / median(cpu[1]) - 1));
    }
    const QString generated = scipy + QStringLiteral("/reference/generated");
    QList<QPair<int, QString>> heavy;
    for (const QString& name : QDir(generated).entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile page(generated + QLatin1Char('/') + name);
        if (page.open(QIODevice::ReadOnly))
            heavy.append({-int(page.readAll().count("\\(")), name});
    }
    if (heavy.isEmpty()) {
        std::printf("(no pages heavy in math: Debian's python-scipy-doc is not installed)\n");
        return 0;
    }
    std::sort(heavy.begin(), heavy.end());
    // Its pages name MathJax where Debian installs it, /usr/share/javascript.
    TestHttpServer server([scipy](const QByteArray& path) {
        return path.startsWith("/usr/share/javascript/") ? servedFile(QString(), path)
                                                         : servedFile(scipy, path);
    });
    QStringList addresses;
    for (int i = 0; i < 8 && i < heavy.size(); ++i)
        addresses << server.url(QStringLiteral("/reference/generated/") + heavy[i].second);
    std::printf("8 SciPy pages heavy in math (%d to %d formulas), standalone\n", -heavy.value(7).first,
                -heavy[0].first);
    for (const auto& [name, options, program] :
         QList<std::tuple<const char*, QStringList, QString>>{
             {"default", {QStringLiteral("--standalone")}, thisOne},
             {"--settle 3000", {QStringLiteral("--standalone"), QStringLiteral("--settle"),
                                QStringLiteral("3000")}, thisOne},
             {"other, default", {QStringLiteral("--standalone")}, other}}) {
        const TimedRun run = timedCommand(program, addresses, options, out);
        QFile joined(out);
        const QByteArray text = joined.open(QIODevice::ReadOnly) ? joined.readAll() : QByteArray();
        // Typeset: MathJax 2's frames; half-made: its previews still showing the TeX.
        const QString joinedText = QString::fromUtf8(text);
        static const QRegularExpression frame(QStringLiteral("id=\"p\\d+-MathJax-Element-\\d+-Frame\""));
        static const QRegularExpression preview(QStringLiteral("MathJax_Preview[^>]*>[^<]"));
        static const QRegularExpression status(
            QStringLiteral("Processing math|Typesetting math|Loading \\[MathJax\\]"));
        std::printf("%-15s %7.1f s wall %7.1f s cpu  typeset %lld, raw TeX %lld, status boxes "
                    "%lld%s\n",
                    name, run.wallMs / 1000, run.cpuMs / 1000,
                    matches(frame, joinedText), matches(preview, joinedText),
                    matches(status, joinedText),
                    run.clean ? "" : "  (not clean)");
    }
    return 0;
}

QList<int> numberList(const char* text)
{
    QList<int> numbers;
    for (const QByteArray& number : QByteArray(text).split(','))
        numbers.append(qMax(1, number.toInt()));
    return numbers;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    PartSource::registerScheme();
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "standalone")
        return standalone(argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 100,
                          numberList(argc > 3 ? argv[3] : "1,4"));
    if (argc > 1 && QByteArray(argv[1]) == "site")
        return site(argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 300,
                    numberList(argc > 3 ? argv[3] : "1,4"),
                    QString::fromLocal8Bit(argc > 4 ? argv[4] : "/usr/share/doc/python3.11/html"));
    if (argc > 1 && QByteArray(argv[1]) == "epub")
        return epub(argv[0], numberList(argc > 2 ? argv[2] : "100,1000"),
                    argc > 3 ? qMax(1, QByteArray(argv[3]).toInt()) : 1);
    if (argc > 3 && QByteArray(argv[1]) == "epub-run")
        return epubRun(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt());
    if (argc > 4 && QByteArray(argv[1]) == "pdf-run")
        return pdfRun(QByteArray(argv[2]) == "1", qMax(1, QByteArray(argv[3]).toInt()),
                      qMax(1, QByteArray(argv[4]).toInt()));
    if (argc > 1 && QByteArray(argv[1]) == "pdf")
        return pdfBench(argv[0], numberList(argc > 2 ? argv[2] : "100,1000"),
                        numberList(argc > 3 ? argv[3] : "100"),
                        argc > 4 ? qMax(1, QByteArray(argv[4]).toInt()) : 1);
    if (argc > 1 && QByteArray(argv[1]) == "look")
        return lookBench(
            QString::fromLocal8Bit(argc > 3 ? argv[3] : "/usr/share/doc/python3.11/html"),
            numberList(argc > 2 ? argv[2] : "100,1000"));
    if (argc > 1 && QByteArray(argv[1]) == "formats")
        return formats(numberList(argc > 2 ? argv[2] : "100,1000"),
                       numberList(argc > 3 ? argv[3] : "30,300"),
                       argc > 4 ? qMax(1, QByteArray(argv[4]).toInt()) : 1,
                       QString::fromLocal8Bit(argc > 5 ? argv[5] : "both"));
    if (argc > 1 && QByteArray(argv[1]) == "lookcost")
        return lookCost(numberList(argc > 2 ? argv[2] : "10000,50000,200000"));
    if (argc > 1 && QByteArray(argv[1]) == "pdfpeer")
        return pdfPeer(argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 100,
                       QString::fromLocal8Bit(argc > 3 ? argv[3] : "/usr/share/doc/python3.11/html/library"));
    if (argc > 1 && QByteArray(argv[1]) == "fonts")
        return fontsBench(numberList(argc > 2 ? argv[2] : "100,1000"));
    if (argc > 1 && QByteArray(argv[1]) == "generated")
        return generatedBench(argc > 2 ? qMax(2, QByteArray(argv[2]).toInt()) : 100,
                              argc > 3 ? qMax(1, QByteArray(argv[3]).toInt()) : 3);
    if (argc > 1 && QByteArray(argv[1]) == "reader")
        return reader(argv[0], argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 100,
                      argc > 3 ? qMax(1, QByteArray(argv[3]).toInt()) : 1);
    if (argc > 4 && QByteArray(argv[1]) == "reader-run")
        return readerRun(QString::fromLocal8Bit(argv[2]), qMax(1, QByteArray(argv[3]).toInt()),
                         qMax(1, QByteArray(argv[4]).toInt()));
    if (argc > 1 && QByteArray(argv[1]) == "profile")
        return profileBench(
            QString::fromLocal8Bit(argc > 2 ? argv[2] : "/usr/share/doc/python3.11/html/library"),
            argc > 3 ? qMax(1, QByteArray(argv[3]).toInt()) : 4);
    if (argc > 2 && QByteArray(argv[1]) == "renderers")
        return renderersBench(QString::fromLocal8Bit(argv[2]),
                              argc > 3 ? qMax(0, QByteArray(argv[3]).toInt()) : 3,
                              QString::fromLocal8Bit(argc > 4 ? argv[4]
                                                              : "/usr/share/doc/python-scipy-doc/html"));
    if (argc > 1 && QByteArray(argv[1]) == "scale")
        return scale(argv[0], QString::fromLocal8Bit(argc > 2 ? argv[2] : "84"),
                     numberList(argc > 3 ? argv[3] : "100,1000"));
    if (argc > 3 && QByteArray(argv[1]) == "scale-run") {
        bool generated = false;
        const int kilobytes = QByteArray(argv[2]).toInt(&generated);
        return scaleRun(kilobytes, generated ? QString() : QString::fromLocal8Bit(argv[2]),
                        QByteArray(argv[3]).toInt());
    }
    const int pages = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    const int kilobytes = argc > 2 ? QByteArray(argv[2]).toInt() : 30;
    const int latency = argc > 3 ? QByteArray(argv[3]).toInt() : 0;
    const QList<int> jobSettings = numberList(argc > 4 ? argv[4] : "1,2,4,8");

    TestHttpServer server([kilobytes](const QByteArray& path) {
        return TestHttpServer::html(generatedPage(path.mid(6).toInt(), kilobytes)); // "/page/N"
    });
    server.setResponseDelay(std::chrono::milliseconds(latency));
    QStringList addresses;
    for (int i = 1; i <= pages; ++i)
        addresses << server.url(QStringLiteral("/page/%1").arg(i));

    double baselineMs = 0;
    QByteArray windowDigest;
    bool done = false;
    {
        FormFixture fixture;
        Form1& form = fixture.create();
        form.show();
        QDir(fixture.dir.path()).mkpath(QStringLiteral("out"));
        const QString folder = fixture.dir.filePath(QStringLiteral("out")) + QLatin1Char('/');
        form.Text2->setText(folder);

        // Warm up both browsers so that neither measurement pays for starting the engine.
        form.urlList().append(server.url(QStringLiteral("/page/0")));
        form.PushButton2_Click();
        form.urlList().clear();

        QElapsedTimer timer;
        timer.start();
        for (const QString& address : addresses) {
            form.WebBrowser2->navigate(address);
            form.WebBrowser2->waitUntilComplete(form.JoinPageBound);
        }
        baselineMs = timer.nsecsElapsed() / 1e6;
        const auto before = memoryKilobytes();

        form.urlList().appendMany(addresses);
        timer.restart();
        form.PushButton2_Click();
        const double joinMs = timer.nsecsElapsed() / 1e6;
        const auto after = memoryKilobytes();

        QFile joined(folder + QStringLiteral("joined.html"));
        QCryptographicHash hash(QCryptographicHash::Sha1);
        if (joined.open(QIODevice::ReadOnly))
            hash.addData(&joined);
        windowDigest = hash.result();
        done = fixture.dialogs.messages().value(1) == QLatin1String("Done.");
        std::printf("pages                     %d (about %d KB each), %d ms latency\n", pages,
                    kilobytes, latency);
        std::printf("joined.html               %.1f MB%s\n", joined.size() / 1048576.0,
                    done ? "" : "  (run did not finish cleanly)");
        std::printf("load only (baseline)      %.0f ms, %.1f ms/page\n", baselineMs,
                    baselineMs / pages);
        std::printf("join                      %.0f ms, %.1f ms/page\n", joinMs, joinMs / pages);
        std::printf("join / baseline           %.3f\n", joinMs / baselineMs);
        std::printf("memory before join        %ld KB resident, %ld KB peak\n", before.second,
                    before.first);
        std::printf("memory after join         %ld KB resident, %ld KB peak\n", after.second,
                    after.first);
    } // the window and its browsers go before the command's engine runs

    // The command's engine, as vantrel-join runs it: a fresh set of site browsers each time.
    std::printf("\ncommand  total ms  ms/page  / -j 1  / baseline  peak tree PSS  output\n");
    QByteArray firstDigest;
    double firstMs = 0;
    for (int jobs : jobSettings) {
        const CommandRun run = runCommandEngine(addresses, jobs);
        if (firstDigest.isNull()) {
            firstDigest = run.digest;
            firstMs = run.ms;
        }
        const char* same = run.digest == firstDigest ? "same as -j 1" : "DIFFERS from -j 1";
        std::printf("-j %-5d %9.0f %8.1f %7.3f %10.3f %11.0f MB  %s%s\n", jobs, run.ms,
                    run.ms / pages, run.ms / firstMs, run.ms / baselineMs,
                    run.peakKilobytes / 1024.0, same,
                    run.digest == windowDigest ? ", same as the window" : "");
        done = done && run.clean && run.digest == firstDigest;
    }
    return done ? 0 : 1;
}
