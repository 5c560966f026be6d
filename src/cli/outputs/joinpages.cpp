#include "cli/outputs/joinpages.h"

#include "cli/io/terminalreport.h"
#include "join/find/onceperpage.h"
#include "join/find/pagefinder.h"
#include "join/rendered/renderedcopy.h"
#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "join/standalone/standalonejoin.h"
#include "join/standalone/standalonepages.h"
#include "join/stream/streameddocument.h"

#include <QWebEngineProfile>

#include <vector>

namespace cli {
namespace {

// Names a page whose content rule fell back to its whole body, and passes on which rule each page
// was copied by.
join::ContentCopy::Noted contentNotes(const std::shared_ptr<TerminalReport>& report,
                                      std::function<void(int, const QString&)> noted)
{
    return [report, noted](int position, const QString& used, const QString& warning) {
        if (!warning.isEmpty())
            report->warn((used == QLatin1String("reader")
                              ? QStringLiteral("page %1 (%2): %3: the reader's article is kept")
                              : QStringLiteral("page %1 (%2): the whole body is kept: %3"))
                             .arg(position)
                             .arg(report->addresses().value(position - 1), warning));
        if (noted)
            noted(position, warning.isEmpty() ? used : used + QStringLiteral(": ") + warning);
    };
}

} // namespace

JoinSettings tellingOutcomes(const JoinSettings& settings,
                             const std::shared_ptr<TerminalReport>& report, OutcomesTold::Told told)
{
    JoinSettings telling = settings;
    telling.pageReport = std::make_shared<OutcomesTold>(
        settings.pageReport ? settings.pageReport : std::shared_ptr<join::JoinReport>(report),
        std::move(told));
    return telling;
}

bool joinPages(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               QFileDevice& out, const std::function<void()>& complete,
               const std::function<void(const join::StandalonePages&)>& joined)
{
    join::StreamedDocument streamed(out, complete);
    std::optional<join::StandaloneJoin> standaloneJoin;
    if (settings.standalone)
        standaloneJoin.emplace(report->addresses(), *settings.standalone, out, complete,
                               [report](const QString& warning) { report->warn(warning); });
    if (!standaloneJoin)
        return joinPagesInto(report, settings, streamed, join::PageCopy::serialisedBody());
    if (settings.chain)
        report->whenAddressAdded(
            [&pages = standaloneJoin->pages()](const QString& address) { pages.add(address); });
    const JoinSettings naming = tellingOutcomes(
        settings, report, [&pages = standaloneJoin->pages()](const join::PageOutcome& outcome) {
            if (!outcome.failure.isEmpty())
                pages.failed(outcome.position);
        });
    const bool written =
        joinPagesInto(report, naming, standaloneJoin->result(), standaloneJoin->copy());
    if (joined)
        joined(standaloneJoin->pages());
    return written;
}

bool joinPagesInto(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                   join::JoinResult& result, join::PageCopy& pageCopy)
{
    // Declared first, so that it goes after every page that uses it.
    const std::unique_ptr<QWebEngineProfile> privateProfile(
        settings.profile ? nullptr : EngineHost::createPrivateProfile());
    QWebEngineProfile* profile = settings.profile ? settings.profile : privateProfile.get();
    join::SiteSetup site = settings.site;
    for (const QString& address : report->addresses())
        site.listed.append(QUrl::fromUserInput(address));
    if (const int refused = join::prepareProfile(*profile, site))
        report->warn(
            QStringLiteral("%1 of %2 cookies refused").arg(refused).arg(site.cookies.size()));
    join::PageCopy* copy = &pageCopy;
    // What is kept of each page is decided before the copy, whatever the copy makes of it.
    std::optional<join::ContentCopy> content;
    if (settings.content.any())
        copy =
            &content.emplace(*copy, settings.content, contentNotes(report, settings.contentNoted));
    // What the page hid is gone, and how the rest looks noted, before any rule picks from it.
    std::optional<join::LookCopy> look;
    if (settings.standalone)
        copy = &look.emplace(*copy, settings.look,
                             [report](const QString& note) { report->warn(note); });
    // What the page's renderers made is noted before the look leaves out what they keep hidden.
    std::optional<join::RenderedCopy> rendered;
    if (settings.standalone)
        copy = &rendered.emplace(*copy);
    std::optional<join::OncePerPage> once;
    if (settings.oncePerPage) {
        copy = &once.emplace(*copy, report->addresses(),
                             [report](const QString& note) { report->warn(note); });
        if (settings.chain)
            report->whenAddressAdded([&once](const QString& address) { once->add(address); });
    }
    // Outermost: the chain reads a page's next link before anything else runs in it.
    std::unique_ptr<join::PageCopy> chain;
    if (settings.chain)
        copy = (chain = settings.chain->chainCopy(
                    *copy, report->count(),
                    [report](const QString& address) { report->addAddress(address); }))
                   .get();
    // A copy that stands on its own waits for the formulas and diagrams the page's scripts make;
    // the faithful copy stays the window's, byte for byte.
    join::Readiness readiness = settings.site.readiness;
    readiness.renderers = settings.standalone.has_value();
    std::vector<std::unique_ptr<SiteBrowser>> sites;
    QList<SiteBrowser*> siteList;
    for (int i = 0; i < qMin(settings.jobs, report->count()); ++i) {
        sites.push_back(std::make_unique<SiteBrowser>(nullptr, profile));
        sites.back()->setReadiness(readiness, settings.pageBound);
        siteList.append(sites.back().get());
    }
    return join::runJoin({*report, settings.pageReport ? settings.pageReport : report, *report,
                          *report, result, *copy, siteList, settings.pageBound});
}

} // namespace cli
