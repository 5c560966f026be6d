#pragma once

#include <QString>

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// Joins a folder and a relative name with the native separator.
QString pathInFolder(const QString& folder, const QString& relative);
