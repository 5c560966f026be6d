#include "startup.h"

#include "cmdoutput/onlinecheck.h"
#include "core/apperror.h"
#include "core/programfolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

QString DesktopFolderPath()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        throw AppError(5, QStringLiteral("Invalid procedure call or argument"));
    return QDir::toNativeSeparators(desktop) + QDir::separator();
}

void MaybeOpenHomePage(const StartupServices& services)
{
    if (services.drawHomePageNumber() != 7)
        return;
    if (!services.openUrl(QUrl(QString::fromLatin1(HomePageAddress))))
        throw AppError(53, QStringLiteral("File not found"));
}

StartupServices StartupServices::production()
{
    StartupServices services;
    services.programFolder = ::programFolder();
    services.desktopFolder = &DesktopFolderPath;
    services.drawHomePageNumber = [] { return QRandomGenerator::global()->bounded(1, 101); };
    services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    services.onlineCheckCommand = onlineCheckCommandLine();
    services.endProcess = [] {
        // Nothing waits to be saved (settings are written as they change), and an operation in
        // progress is abandoned where it stands, nested event loops and all.
        std::fflush(nullptr);
        std::_Exit(0);
    };
    return services;
}
