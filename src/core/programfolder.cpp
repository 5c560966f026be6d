#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString pathInFolder(const QString& folder, const QString& relative)
{
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + relative);
}

QString shippedFile(const QString& folder, const QString& relative)
{
    const QString beside = pathInFolder(folder, relative);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        pathInFolder(QDir::cleanPath(folder + QStringLiteral("/../share/vantrel")), relative);
    return QFileInfo::exists(installed) ? installed : beside;
}
