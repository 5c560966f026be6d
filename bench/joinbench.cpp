// Joins N generated pages served on 127.0.0.1 through the same code that "Start Joining" runs, and
// compares it with loading the same pages one after another in the site browser without copying.
//
//   build/bin/joinbench [pages=100] [kilobytes per page=30]
#include "app/progressbar.h"
#include "formfixture.h"
#include "join/sitebrowser.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

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

// Kilobytes of this process's memory: peak and current resident set (Linux).
QPair<long, long> memoryKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    long peak = -1, current = -1;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed().split(' ').value(0).toLong();
            if (line.startsWith("VmRSS:"))
                current = line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return {peak, current};
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int pages = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    const int kilobytes = argc > 2 ? QByteArray(argv[2]).toInt() : 30;

    TestHttpServer server([kilobytes](const QByteArray& path) {
        return TestHttpServer::html(generatedPage(path.mid(6).toInt(), kilobytes)); // "/page/N"
    });
    QStringList addresses;
    for (int i = 1; i <= pages; ++i)
        addresses << server.url(QStringLiteral("/page/%1").arg(i));

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
    const double baselineMs = timer.nsecsElapsed() / 1e6;
    const auto before = memoryKilobytes();

    form.urlList().appendMany(addresses);
    timer.restart();
    form.PushButton2_Click();
    const double joinMs = timer.nsecsElapsed() / 1e6;
    const auto after = memoryKilobytes();

    const qint64 joinedBytes = QFileInfo(folder + QStringLiteral("joined.html")).size();
    const bool done = fixture.dialogs.messages().value(1) == QLatin1String("Done.");
    std::printf("pages                     %d (about %d KB each)\n", pages, kilobytes);
    std::printf("joined.html               %.1f MB%s\n", joinedBytes / 1048576.0,
                done ? "" : "  (run did not finish cleanly)");
    std::printf("load only (baseline)      %.0f ms, %.1f ms/page\n", baselineMs,
                baselineMs / pages);
    std::printf("join                      %.0f ms, %.1f ms/page\n", joinMs, joinMs / pages);
    std::printf("join / baseline           %.3f\n", joinMs / baselineMs);
    std::printf("memory before join        %ld KB resident, %ld KB peak\n", before.second,
                before.first);
    std::printf("memory after join         %ld KB resident, %ld KB peak\n", after.second,
                after.first);
    return done ? 0 : 1;
}
