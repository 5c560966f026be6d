#include "profileoptions.h"

#include "bytetext.h"
#include "core/webaddress.h"

#include <QCommandLineParser>

namespace cli {
namespace {
const QString Profile = QStringLiteral("profile");
const QString Login = QStringLiteral("login");
} // namespace

QList<QCommandLineOption> profileOptions()
{
    return {
        {Profile,
         QStringLiteral("Keep cookies (those of --cookies too), site storage and the pages' "
                        "cache in this folder (made for you alone if missing) for later runs, as "
                        "a browser's profile does; one run at a time. Without it, every run "
                        "starts signed out with an empty cache. Delete the folder to sign out."),
         QStringLiteral("folder")},
        {Login,
         QStringLiteral("With --profile: open a browser window on this address to sign in, and "
                        "join nothing. Closing the window keeps the session in the profile. "
                        "Needs a display."),
         QStringLiteral("address")},
    };
}

QString readProfileOptions(const QCommandLineParser& parser, ProfileOptions& profile)
{
    if (parser.isSet(Profile)) {
        profile.folder = parser.value(Profile);
        if (profile.folder.isEmpty())
            return QStringLiteral("the profile folder is empty");
    }
    if (!parser.isSet(Login))
        return {};
    if (profile.folder.isEmpty())
        return QStringLiteral("--login needs --profile, the folder to keep the sign-in in");
    profile.login = QUrl::fromUserInput(parser.value(Login));
    if (!profile.login.isValid() || !isWebAddress(profile.login))
        return QStringLiteral("--login wants an http or https address, not '%1'")
            .arg(shownText(parser.value(Login)));
    return {};
}

} // namespace cli
