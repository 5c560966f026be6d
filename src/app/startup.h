#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// What start-up needs from the outside world; tests replace each piece.
struct StartupServices
{
    // Folder that holds the program file: hand cursor, drag pointer and skin are found there.
    QString programFolder;
    // The user's desktop folder with a trailing separator; throws AppError when unresolved.
    std::function<QString()> desktopFolder;
    // A whole number from 1 to 100, each equally likely.
    std::function<int()> drawHomePageNumber;
    // Opens an address in the desktop's browser without waiting; false when that fails.
    std::function<bool(const QUrl&)> openUrl;
    // The command line of the online check.
    QString onlineCheckCommand;
    // Ends the process at once.
    std::function<void()> endProcess;

    static StartupServices production();
};

// The publisher's home page, opened now and then at start-up.
inline constexpr char HomePageAddress[] = "http://www.vantrel.example/";

// The desktop folder of the platform plus the native separator; throws AppError when the
// platform cannot name it.
QString DesktopFolderPath();

// Opens the home page when the draw is 7.
void MaybeOpenHomePage(const StartupServices& services);
