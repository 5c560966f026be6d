#pragma once

#include "cli/args/options.h"

#include <optional>

class QWebEngineProfile;

namespace cli {

// Checks the selectors of the options in the browser engine, then finds the pages the options
// ask for (--links-of, --sitemap, --next) and puts them among the addresses, or prints the
// addresses for --list. Returns the status to exit with when the command ends here (--list, a bad
// selector, a source that yields nothing), none when the join goes on. Needs the application
// object. Pages load in profile when given (the run's saved profile), else in a private one.
std::optional<int> findPages(Options& options, QWebEngineProfile* profile = nullptr);

} // namespace cli
