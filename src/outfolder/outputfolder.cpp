#include "outputfolder.h"

#include "core/apperror.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/settingsstore.h"

#include <QDir>
#include <QLineEdit>

namespace {
// Where a chooser given no folder opens: the file system's root, the nearest the platform's folder
// tree has to a top.
QString topOfFolderTree()
{
    return QDir::rootPath();
}
} // namespace

QString BrowseForFolder(Dialogs& dialogs, const QString& title, const QString& initialFolder)
{
    const QString chosen = dialogs.existingDirectory(
        title, initialFolder.isEmpty() ? topOfFolderTree() : initialFolder);
    if (chosen.isEmpty())
        return QString();
    // cleanPath drops a trailing separator except a root's.
    return QDir::toNativeSeparators(QDir::cleanPath(chosen));
}

namespace outfolder {

void browseForOutputFolder(QLineEdit& box, Dialogs& dialogs, SettingsStore& settings,
                           ErrorGuard& guard)
{
    QString folder;
    guard.line(100, [&] {
        folder = BrowseForFolder(dialogs, QStringLiteral("Save To This Folder"), QString());
    });
    if (folder.isEmpty())
        return;
    guard.line(101, [&] {
        if (!settings.write(QStringLiteral("LastFolderDot"), folder))
            throw AppError(75, QStringLiteral("Could not save the setting LastFolderDot"));
    });
    guard.line(102, [&] {
        box.setText(folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator());
    });
}

} // namespace outfolder
