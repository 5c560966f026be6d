#pragma once

#include <QString>

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// Joins a folder and a relative name with the native separator.
QString pathInFolder(const QString& folder, const QString& relative);

// Where a file that ships with the program is: beside the program in `folder` when anything of
// that name is there (a build folder, or a copy the user put there), otherwise in the installed
// data folder `../share/vantrel/`. Names the place beside the program when neither has it.
QString shippedFile(const QString& folder, const QString& relative);
