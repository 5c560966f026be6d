// Joins N generated pages served on 127.0.0.1, first through the same code that "Start Joining"
// runs, compared with loading the same pages one after another in the site browser without
// copying (the baseline), then through the command's engine with several pages loading at once.
// The server can hold each response for a while, as a real network would.
//
//   build/bin/joinbench [pages=100] [kilobytes per page=30] [latency ms=0] [jobs=1,2,4,8]
#include "app/progressbar.h"
#include "cli/joincommand.h"
#include "cli/terminalreport.h"
#include "formfixture.h"
#include "join/sitebrowser.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

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

// This process and every process below it: the browser engine's zygote and renderers.
QList<qint64> processTree()
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
    QList<qint64> tree = {QCoreApplication::applicationPid()};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.values(tree[i]);
    return tree;
}

// Samples the proportional set size of the whole process tree from a thread of its own, so that
// shared libraries count once, and keeps the highest sum seen.
class TreeMemoryPeak
{
public:
    TreeMemoryPeak()
    {
        // Reading it walks page tables: more often would slow the join being measured.
        m_timer.setInterval(250);
        m_timer.moveToThread(&m_thread);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            long sum = 0;
            for (qint64 pid : processTree())
                sum +=
                    qMax(0L, kilobytesIn(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:"));
            m_peak = qMax(m_peak.load(), sum);
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

private:
    QThread m_thread;
    QTimer m_timer;
    std::atomic<long> m_peak{0};
};
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int pages = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    const int kilobytes = argc > 2 ? QByteArray(argv[2]).toInt() : 30;
    const int latency = argc > 3 ? QByteArray(argv[3]).toInt() : 0;
    QList<int> jobSettings;
    for (const QByteArray& jobs : QByteArray(argc > 4 ? argv[4] : "1,2,4,8").split(','))
        jobSettings.append(qMax(1, jobs.toInt()));

    TestHttpServer server([kilobytes](const QByteArray& path) {
        return TestHttpServer::html(generatedPage(path.mid(6).toInt(), kilobytes)); // "/page/N"
    });
    server.setResponseDelay(std::chrono::milliseconds(latency));
    QStringList addresses;
    for (int i = 1; i <= pages; ++i)
        addresses << server.url(QStringLiteral("/page/%1").arg(i));

    double baselineMs = 0;
    QByteArray windowFile;
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
        windowFile = joined.open(QIODevice::ReadOnly) ? joined.readAll() : QByteArray();
        done = fixture.dialogs.messages().value(1) == QLatin1String("Done.");
        std::printf("pages                     %d (about %d KB each), %d ms latency\n", pages,
                    kilobytes, latency);
        std::printf("joined.html               %.1f MB%s\n", windowFile.size() / 1048576.0,
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
    QByteArray firstOutput;
    double firstMs = 0;
    for (int jobs : jobSettings) {
        QByteArray output;
        QElapsedTimer timer;
        double ms = 0;
        long peak = 0;
        {
            TreeMemoryPeak memory;
            auto report = std::make_shared<cli::TerminalReport>(
                addresses, cli::TerminalReport::Progress::None);
            timer.start();
            const bool written =
                cli::joinPages(report, jobs, join::PageLoadBound,
                               [&](const QByteArray& content) { output = content; });
            ms = timer.nsecsElapsed() / 1e6;
            peak = memory.kilobytes();
            done = done && written && !report->anyFailed();
        }
        if (firstOutput.isNull()) {
            firstOutput = output;
            firstMs = ms;
        }
        const char* same = output == firstOutput ? "same as -j 1" : "DIFFERS from -j 1";
        std::printf("-j %-5d %9.0f %8.1f %7.3f %10.3f %11.0f MB  %s%s\n", jobs, ms, ms / pages,
                    ms / firstMs, ms / baselineMs, peak / 1024.0, same,
                    output == windowFile ? ", same as the window" : "");
        done = done && output == firstOutput;
    }
    return done ? 0 : 1;
}
