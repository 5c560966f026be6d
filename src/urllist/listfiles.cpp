#include "listfiles.h"

#include "app/shared/apperror.h"
#include "app/shared/dialogs.h"
#include "app/shared/errorguard.h"
#include "app/shared/fileexists.h"
#include "app/shared/windowpointer.h"
#include "urllist.h"

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
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
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

void loadFromTextFiles(UrlList& list, WindowPointer& pointer, Dialogs& dialogs, ErrorGuard& guard,
                       const PathCleanup& cleanPath)
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
    guard.line(101, [&] { pointer.setPointerShape(PointerShape::Hourglass); });
    if (chosen.size() == 1) {
        guard.line(102,
                   [&] { LoadListFile(list, QDir::toNativeSeparators(chosen.front()), dialogs); });
    } else {
        for (const QString& chosenPath : chosen) {
            // Folder and name joined again, as the dialog returns them apart: a root folder
            // already ends in a separator, and the clean-up takes the doubled one out.
            guard.line(103, [&] {
                const QFileInfo info(chosenPath);
                const QString path =
                    QDir::toNativeSeparators(info.path()) + QDir::separator() + info.fileName();
                LoadListFile(list, cleanPath(path), dialogs);
            });
        }
    }
    guard.line(104, [&] { pointer.setPointerShape(PointerShape::Default); });
}

} // namespace urllist
