#include "onlinecheck.h"

void CheckOnline(Dialogs& /*dialogs*/, const QString& /*commandLine*/)
{
}
