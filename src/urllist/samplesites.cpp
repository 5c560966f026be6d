#include "samplesites.h"

#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/urllist.h"

namespace urllist {

void loadSampleSites(UrlList& list, ErrorGuard& guard)
{
    guard.line(100, [&] { list.append(QLatin1String(FirstSampleAddress)); });
    guard.line(101, [&] { list.append(QLatin1String(SecondSampleAddress)); });
}

void showLinksHelp(Dialogs& dialogs, ErrorGuard& guard)
{
    guard.line(100, [&] {
        dialogs.plainMessage(QStringLiteral(
            "Get Links Within URL - This feature will discover other links within a web site by "
            "looking at the HTML source code."));
    });
}

} // namespace urllist
