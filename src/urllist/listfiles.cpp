#include "listfiles.h"

#include "core/apperror.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/fileexists.h"
#include "core/outputfiles.h"
#include "core/urllist.h"
#include "core/windowpointer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr qsizetype NameBufferSize = 30000;
} // namespace

QStringList splitListText(QStringView text)
{
    QStringList addresses;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\r'), start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.mid(start, end - start);
        for (QStringView piece : line.split(QLatin1Char('\n')))
            addresses.append(piece.toString());
        start = end + 1;
        if (start < text.size() && text[start] == QLatin1Char('\n'))
            ++start;
    }
    return addresses;
}

void LoadListFile(UrlList& list, const QString& path, Dialogs& dialogs)
{
    if (!FileExists(path)) {
        dialogs.plainMessage(QStringLiteral("File not found"));
        return;
    }
    QFile file(path);
    // Only a regular file (or a link to one) has an end: opening a named pipe waits for a writer
    // and a device such as /dev/zero never stops giving bytes.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError)
            throw AppError(70, QStringLiteral("Permission denied"));
        throw AppError(75, QStringLiteral("Path/File access error"));
    }
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    // One batch, so that a long list file costs one update of the list control.
    list.appendMany(splitListText(QString::fromLocal8Bit(bytes)));
    if (readFailed)
        throw AppError(57, QStringLiteral("Device I/O error"));
}

namespace urllist {

qsizetype nameBufferLength(const QStringList& chosenPaths)
{
    if (chosenPaths.isEmpty())
        return 0;
    if (chosenPaths.size() == 1)
        return QDir::toNativeSeparators(chosenPaths.front()).size() + 1;
    qsizetype length = QDir::toNativeSeparators(QFileInfo(chosenPaths.front()).path()).size() + 1;
    for (const QString& path : chosenPaths)
        length += QFileInfo(path).fileName().size() + 1;
    return length + 1;
}

QStringList listFilePathsToRead(const QStringList& chosenPaths)
{
    if (chosenPaths.size() == 1)
        return {QDir::toNativeSeparators(chosenPaths.front())};
    QStringList paths;
    for (const QString& chosenPath : chosenPaths) {
        const QFileInfo info(chosenPath);
        paths.append(FixDoubleBackslashes(QDir::toNativeSeparators(info.path()) +
                                          QDir::separator() + info.fileName()));
    }
    return paths;
}

void loadFromTextFiles(UrlList& list, WindowPointer& pointer, Dialogs& dialogs, ErrorGuard& guard)
{
    QStringList chosen;
    guard.line(100, [&] {
        chosen = dialogs.openFileNames(
            QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"),
            {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    });
    if (nameBufferLength(chosen) > NameBufferSize) {
        dialogs.plainMessage(QStringLiteral("You've selected too many files to add.\r\rPlease try "
                                            "adding via the \"Add All\" button."));
        return;
    }
    // During a join the hourglass is already there and must stay: it keeps the list's busy
    // refusals on.
    const PointerShape before = pointer.pointerShape();
    guard.line(101, [&] { pointer.setPointerShape(PointerShape::Hourglass); });
    const QStringList paths = listFilePathsToRead(chosen);
    // One file and several files are reported under lines of their own.
    const int line = paths.size() == 1 ? 102 : 103;
    for (const QString& path : paths)
        guard.line(line, [&] { LoadListFile(list, path, dialogs); });
    guard.line(104, [&] { pointer.setPointerShape(before); });
}

} // namespace urllist
