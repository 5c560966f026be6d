#include "joinpages.h"

#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "join/standalone/standalonejoin.h"
#include "join/stream/streameddocument.h"
#include "terminalreport.h"

#include <QWebEngineProfile>

#include <vector>

namespace cli {

bool joinPages(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
               QFileDevice& out, const std::function<void()>& complete)
{
    // Declared first, so that it goes after every page that uses it.
    const std::unique_ptr<QWebEngineProfile> profile(EngineHost::createPrivateProfile());
    join::prepareProfile(*profile, settings.site);
    join::StreamedDocument streamed(out, complete);
    std::optional<join::StandaloneJoin> standaloneJoin;
    if (settings.standalone)
        standaloneJoin.emplace(report->addresses(), *settings.standalone, out, complete,
                               [report](const QString& warning) { report->warn(warning); });
    join::JoinResult& result = standaloneJoin ? standaloneJoin->result() : streamed;
    const join::PageCopy& copy =
        standaloneJoin ? standaloneJoin->copy() : join::PageCopy::serialisedBody();
    std::vector<std::unique_ptr<SiteBrowser>> sites;
    QList<SiteBrowser*> siteList;
    for (int i = 0; i < qMin(settings.jobs, report->count()); ++i) {
        sites.push_back(std::make_unique<SiteBrowser>(nullptr, profile.get()));
        sites.back()->setReadiness(settings.site.readiness, settings.pageBound);
        siteList.append(sites.back().get());
    }
    return join::runJoin({*report, settings.pageReport ? settings.pageReport : report, *report,
                          *report, result, copy, siteList, settings.pageBound});
}

} // namespace cli
