#include "outputfiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QChar separatorOf(PathFlavour flavour)
{
    return flavour == PathFlavour::Windows ? QLatin1Char('\\') : QLatin1Char('/');
}

// Left to right, each pair of separators becomes one; a replaced pair is not looked at again.
QString replacePairs(QStringView text, QChar separator)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result.append(text[i]);
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator)
            ++i;
    }
    return result;
}

// A POSIX web address shares '/' with paths; it is told apart by its scheme ("http://"), or, when
// typed without one, by not starting the way a local path does.
bool isPosixLocalPath(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (scheme.match(text).hasMatch())
        return false;
    return text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1Char('~')) ||
           text.startsWith(QLatin1Char('.'));
}

// The second attempt: a read-only file is made writable first. Folders and links are left alone,
// and a file that still cannot be removed gets its permissions back.
void forceRemove(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymbolicLink())
        return;
    const QFileDevice::Permissions original = info.permissions();
    QFile::setPermissions(path, original | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (!QFile::remove(path))
        QFile::setPermissions(path, original);
}
} // namespace

bool FolderExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).isDir();
}

QString FixDoubleBackslashes(const QString& path, PathFlavour flavour)
{
    const QChar separator = separatorOf(flavour);
    if (path.isEmpty() || path.front() != separator)
        return replacePairs(path, separator);
    qsizetype rest = 0;
    while (rest < path.size() && path[rest] == separator)
        ++rest;
    const QString lead =
        flavour == PathFlavour::Windows ? QStringLiteral("\\\\") : QStringLiteral("/");
    return lead + replacePairs(QStringView(path).mid(rest), separator);
}

void DeleteFileQuietly(const QString& path)
{
    QCoreApplication::processEvents();
    if (path.isEmpty() || QFile::remove(path))
        return;
    forceRemove(path);
}

QString ShortDisplayName(const QString& text, PathFlavour flavour)
{
    if (flavour == PathFlavour::Posix && !isPosixLocalPath(text))
        return text;
    return text.mid(text.lastIndexOf(separatorOf(flavour)) + 1);
}
