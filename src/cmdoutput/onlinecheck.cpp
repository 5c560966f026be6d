#include "onlinecheck.h"

#include "capture.h"
#include "core/apptitle.h"
#include "core/dialogs.h"

QString onlineCheckCommandLine()
{
    // POSIX pings take -c for the count; their -n means numeric output.
#ifdef Q_OS_WIN
    return QStringLiteral("ping %1 -n 1").arg(QLatin1String(OnlineCheckHost));
#else
    return QStringLiteral("ping -c 1 %1").arg(QLatin1String(OnlineCheckHost));
#endif
}

QString onlineReplyMarker()
{
    // Windows prints "Reply from ...: bytes=32 ...", POSIX pings "64 bytes from ...".
#ifdef Q_OS_WIN
    return QStringLiteral("bytes=");
#else
    return QStringLiteral("bytes from");
#endif
}

void CheckOnline(Dialogs& dialogs, const QString& commandLine)
{
    QString command = commandLine;
    const QString output = CaptureCommandOutput(command, true, false, true);
    if (output.contains(onlineReplyMarker(), Qt::CaseInsensitive))
        return;
    // The application title is derived later in start-up; this message comes before it.
    dialogs.message(QLatin1String(ProductTitle),
                    QStringLiteral("You must be online to use this software accurately."),
                    Dialogs::Icon::None);
}
