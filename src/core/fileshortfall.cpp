#include "fileshortfall.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <cerrno>

QString shortfallOf(const QIODevice& device)
{
    const QString said = device.errorString();
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    const bool noReason = (file && file->error() == QFileDevice::NoError) ||
                          said == QCoreApplication::translate("QIODevice", "Unknown error");
    return noReason ? qt_error_string(ENOSPC) : said;
}
