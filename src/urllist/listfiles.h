#pragma once

#include <QStringList>

class Dialogs;
class ErrorGuard;
class UrlList;
class WindowPointer;

// A list file's addresses: a carriage return, or a carriage return and line feed, ends a line; a
// line feed on its own also separates addresses, so a final one gives one more, empty, address.
// Nothing is trimmed; empty lines and duplicates are kept.
QStringList splitListText(QStringView text);

// Appends every address of the list file at path, read in the system's 8-bit encoding. Shows
// "File not found" when the file is missing; throws AppError when it is no regular file (a
// folder, a named pipe, a device) or cannot be opened or read.
void LoadListFile(UrlList& list, const QString& path, Dialogs& dialogs);

namespace urllist {

// Characters the chosen names take in a file dialog's name buffer of 30000 characters: the full
// path of a single file, or the folder and every name, each followed by a NUL, and one more NUL
// that ends the list.
qsizetype nameBufferLength(const QStringList& chosenPaths);

// The paths to read for the file dialog's answer: a single file as chosen; several files each
// joined again from folder and name, as the dialog returns them apart, and tidied with
// FixDoubleBackslashes (a root folder already ends in a separator).
QStringList listFilePathsToRead(const QStringList& chosenPaths);

// "Load URL(s) From Text File": appends the addresses of one or several chosen list files, in
// order, under the hourglass, then puts back the pointer that was there before. Not refused while
// busy.
void loadFromTextFiles(UrlList& list, WindowPointer& pointer, Dialogs& dialogs, ErrorGuard& guard);

} // namespace urllist
