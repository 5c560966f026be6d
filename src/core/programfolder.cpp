#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString pathInFolder(const QString& folder, const QString& relative)
{
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + relative);
}
