#pragma once

#include <QString>

class Dialogs;
class ErrorGuard;
class QLineEdit;
class SettingsStore;

// The folder chooser: folders only, opened at initialFolder, or at the top of the folder tree when
// that is empty. Returns the chosen folder as a native path without a trailing separator (a root
// keeps its one), or the empty string on Cancel.
QString BrowseForFolder(Dialogs& dialogs, const QString& title, const QString& initialFolder);

namespace outfolder {

// "...": the chosen folder is stored under "LastFolderDot" as the chooser returned it and goes into
// the box with exactly one trailing separator; the box's own change handler stores "Text2".
// Cancel changes nothing.
void browseForOutputFolder(QLineEdit& box, Dialogs& dialogs, SettingsStore& settings,
                           ErrorGuard& guard);

} // namespace outfolder
