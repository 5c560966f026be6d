#pragma once

#include <QString>

// True exactly when the file system can report the path's last-modified time; never throws.
bool FileExists(const QString& path);
