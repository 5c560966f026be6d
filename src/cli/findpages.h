#pragma once

#include "cli/args/options.h"

#include <memory>
#include <optional>

class QWebEngineProfile;

namespace join {
class PageFinder;
}

namespace cli {

// Checks the selectors of the options in the browser engine, then finds the pages the options
// ask for (--links-of, --sitemap, --next) and puts them among the addresses, or prints the
// addresses for --list. Returns the status to exit with when the command ends here (--list, a bad
// selector, a source that yields nothing), none when the join goes on. Needs the application
// object. Pages load in profile when given (the run's saved profile), else in a private one.
// A chain of next links that comes last is not walked here but as it joins (chain, made then):
// its start alone is among the addresses.
std::optional<int> findPages(Options& options, std::unique_ptr<join::PageFinder>& chain,
                             QWebEngineProfile* profile = nullptr);

} // namespace cli
