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
    const QString lead = flavour == PathFlavour::Windows ? QStringLiteral("\\\\")
                                                         : QStringLiteral("/");
    return lead + replacePairs(QStringView(path).mid(rest), separator);
}

void DeleteFileQuietly(const QString& path)
{
    QCoreApplication::processEvents();
    if (path.isEmpty() || QFile::remove(path))
        return;
    // A read-only file: make it writable, then remove it.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner
                                    | QFileDevice::WriteUser);
    QFile::remove(path);
}

QString ShortDisplayName(const QString& text, PathFlavour flavour)
{
    if (flavour == PathFlavour::Posix) {
        static const QRegularExpression scheme(QStringLiteral("^[A-Za-z]+://"));
        if (scheme.match(text).hasMatch())
            return text;
    }
    return text.mid(text.lastIndexOf(separatorOf(flavour)) + 1);
}
