#pragma once

#include <QCursor>
#include <QString>

// Loads a Windows cursor (.cur) or icon (.ico) file as a pointer. For a cursor file the hotspot
// comes from the file's first directory entry, which Qt's image reader does not report; an icon
// file has none and points with its centre. Throws AppError when the file cannot be read or is not
// such an image.
QCursor loadCursorFile(const QString& path);
