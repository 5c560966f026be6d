#pragma once

#include "join/site/sitesetup.h"

#include <QString>

#include <functional>
#include <memory>

class QWebEngineProfile;

namespace join {
class ProfileFolder;
}

namespace cli {

struct Options;

// The run's saved profile in folder (opened), for every site browser of the run, the finder's
// too; null without a folder. The cookies of site go into it to last: site keeps none, so that
// they are not given again. Refused cookies are told to warn().
std::unique_ptr<QWebEngineProfile>
openSavedProfile(const join::ProfileFolder* folder, join::SiteSetup& site,
                 const std::function<void(const QString&)>& warn);

// --login: shows a window on the address for the user to sign in, until they close it or the
// process is asked to end (Ctrl+C in its terminal): either way the session stays in the profile.
// Needs a display. Returns the exit status.
int signIn(Options& options, join::ProfileFolder& folder);

} // namespace cli
