#include "cli/io/savecheck.h"

#include "core/fileshortfall.h"

#include <QFileDevice>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

QString keepWritten(QFileDevice& file)
{
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return shortfallOf(file);
#ifdef Q_OS_UNIX
    struct stat status;
    const int fd = file.handle();
    // A pipe or a terminal has nothing to sync.
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    if (::fdatasync(fd) != 0)
        return qt_error_string(errno);
#endif
    return {};
}

} // namespace cli
