#pragma once

#include <QString>

class Dialogs;

// Start-up check that the computer is online; warns once when it is not.
void CheckOnline(Dialogs& dialogs, const QString& commandLine);
