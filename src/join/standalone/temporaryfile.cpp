#include "temporaryfile.h"

#include <QFile>
#include <QTemporaryFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace join {

QString openNameless(QTemporaryFile& file)
{
    if (!file.open())
        return file.errorString();
#ifdef Q_OS_UNIX
    // The open descriptor keeps the file; its name goes at once.
    file.setAutoRemove(false);
    ::unlink(QFile::encodeName(file.fileName()).constData());
#endif
    return {};
}

QString shortfallOf(const QFileDevice& file)
{
    return file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(ENOSPC);
}

} // namespace join
