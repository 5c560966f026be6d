#include "joinengine.h"

#include "core/apperror.h"
#include "core/outputfiles.h"
#include "core/progressdisplay.h"
#include "core/windowpointer.h"
#include "joineddocument.h"
#include "sitebrowser.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>
#include <deque>

namespace join {
namespace {

using Clock = std::chrono::steady_clock;

// A page whose address a site browser is loading.
struct PageInHand
{
    int position;
    QString address;
    SiteBrowser* site;
    Clock::time_point deadline;
};

class Run
{
public:
    explicit Run(const JoinSetup& setup) : s(setup), report(*setup.report), bound(setup.pageBound)
    {
    }

    bool run();

private:
    PageInHand start(int position, SiteBrowser& site);
    void finish(const PageInHand& page);
    void copyPage(const PageInHand& page);

    const JoinSetup& s;
    JoinReport& report;
    std::chrono::milliseconds bound;
};

bool Run::run()
{
    report.step(105, 0, [&] { s.result.blank(); });
    report.step(106, 0, [&] {
        s.result.waitUntilComplete(bound);
        s.result.create(bound);
        // Whatever a site browser shows now (nothing yet, or the last run's page) is no page of
        // this run.
        for (SiteBrowser* site : s.sites)
            site->markCurrentPageCopied(bound);
    });

    int itemCount = 0;
    report.step(107, 0, [&] { itemCount = s.items.count(); });
    // Pages are copied strictly in list order, so at most one page per site browser waits for
    // its turn.
    std::deque<PageInHand> loading;
    QList<SiteBrowser*> idle = s.sites;
    int next = 1;
    for (;;) {
        while (next <= itemCount && !idle.isEmpty())
            loading.push_back(start(next++, *idle.takeFirst()));
        if (loading.empty())
            break;
        finish(loading.front());
        idle.append(loading.front().site);
        loading.pop_front();
    }

    bool written = false;
    report.step(WriteStatement, 0, [&] {
        s.write(s.result.serialise(bound).toUtf8() + QByteArrayLiteral("\r\n"));
        written = true;
    });
    return written;
}

PageInHand Run::start(int position, SiteBrowser& site)
{
    QString address;
    report.step(108, position, [&] { address = s.items.textAt(position); });
    report.step(109, position, [&] {
        // The count now, not the loop bound: items added meanwhile keep the bar below 100.
        const int count = s.items.count();
        if (count == 0)
            throw AppError(11, QStringLiteral("Division by zero"));
        s.progress.setProgressValue(static_cast<double>(position) / count * 100.0);
    });
    report.step(110, position, [&] {
        s.progress.setProgressText(QStringLiteral("Processing: ") + ShortDisplayName(address));
    });
    report.step(111, position, [&] { QCoreApplication::processEvents(); });
    report.step(112, position, [&] { s.pointer.setPointerShape(PointerShape::Hourglass); });
    report.step(113, position, [&] { site.navigate(address); });
    return {position, address, &site, Clock::now() + bound};
}

void Run::finish(const PageInHand& page)
{
    // A page that loaded while earlier ones were copied has had that time from its bound.
    const auto left =
        std::max(std::chrono::ceil<std::chrono::milliseconds>(page.deadline - Clock::now()),
                 std::chrono::milliseconds(0));
    bool inTime = true;
    report.step(114, page.position, [&] { inTime = page.site->waitUntilComplete(left); });
    report.step(115, page.position, [&] { copyPage(page); });
    report.step(116, page.position, [&] { page.site->waitUntilComplete(bound); });
    report.pageDone(page.position,
                    inTime ? page.site->lastLoad().failure()
                           : QStringLiteral("not loaded within %1 s").arg(bound.count() / 1000.0));
}

void Run::copyPage(const PageInHand& page)
{
    const QString markup = page.site->readBodyMarkup(bound);
    std::weak_ptr<JoinReport> reportTo = s.report;
    s.result.append(markup, [reportTo, position = page.position] {
        if (auto r = reportTo.lock())
            r->fail(115, position,
                    QStringLiteral("The page could not be added to the joined document"));
    });
}

} // namespace

bool runJoin(const JoinSetup& setup)
{
    return Run(setup).run();
}

void writeFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(75, QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
    if (file.write(content) != content.size() || !file.commit())
        throw AppError(75, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace join
