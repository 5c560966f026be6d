#pragma once

#include <QString>

class Dialogs;

// The start-up online check: one echo request with the system's ping to this host.
inline constexpr char OnlineCheckHost[] = "www.google.com";

// The ping command line of this platform for OnlineCheckHost.
QString onlineCheckCommandLine();

// The text of this platform's ping that stands for a received echo reply.
QString onlineReplyMarker();

// Runs the command line and warns once, titled with the product title, when its output holds no
// reply marker (letter case aside). Printing nothing at all counts as no reply.
void CheckOnline(Dialogs& dialogs, const QString& commandLine);
