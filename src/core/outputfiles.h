#pragma once

#include <QString>

// Path and file routines of the join. None keeps state, shows a message or throws.

// Which separator rules a path follows. The program uses the native one; tests check both.
enum class PathFlavour {
    Windows, // '\' separates; a leading run names a network path and keeps two
    Posix,   // '/' separates; a leading run is the root and keeps one
};

constexpr PathFlavour nativePathFlavour()
{
#ifdef Q_OS_WIN
    return PathFlavour::Windows;
#else
    return PathFlavour::Posix;
#endif
}

// True exactly for an existing directory (a trailing separator is allowed); false for empty text,
// a file, a missing or invalid path, or one whose attributes cannot be read.
bool FolderExists(const QString& path);

// Collapses doubled separators pairwise (a run of n becomes n / 2 rounded up). A leading run
// becomes exactly two backslashes (Windows network path) or one '/' (POSIX root).
QString FixDoubleBackslashes(const QString& path, PathFlavour flavour = nativePathFlavour());

// Processes pending events once, deletes the file, and if that fails tries once more in a way that
// also removes a read-only file (never touching a folder). Every failure is ignored.
void DeleteFileQuietly(const QString& path);

// The part after the last separator: a file path gives its file name. Web addresses come back
// whole; on POSIX, where they share the separator, a text is taken as a local path only when it
// has no "scheme://" start and begins with '/', '~' or '.'.
QString ShortDisplayName(const QString& text, PathFlavour flavour = nativePathFlavour());
