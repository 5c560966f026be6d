#include "cli/outputs/textoutput.h"

#include "join/standalone/standalonepages.h"
#include "join/text/textjoin.h"
#include "cli/outputs/joinpages.h"
#include "cli/io/output.h"
#include "cli/io/terminalreport.h"

namespace cli {

bool joinToText(const std::shared_ptr<TerminalReport>& report, const JoinSettings& settings,
                join::TextFormat format, Output& output)
{
    join::TextJoin text(
        report->addresses(), settings.standalone.value_or(join::StandaloneSettings{}), format,
        output.device(), [&] { output.complete(); },
        [report](const QString& warning) { report->warn(warning); });
    if (settings.chain)
        report->whenAddressAdded(
            [&pages = text.pages()](const QString& address) { pages.add(address); });
    // Text has no look to keep: what was hidden stays out all the same.
    JoinSettings plainSettings = settings;
    plainSettings.look.styles = false;
    const JoinSettings textSettings = tellingOutcomes(
        plainSettings, report, [&document = text.result()](const join::PageOutcome& outcome) {
            document.pageFailed(outcome.position, outcome.address, outcome.failure);
        });
    return joinPagesInto(report, textSettings, text.result(), text.copy());
}

} // namespace cli
