#include "filenames.h"

#include "bytetext.h"
#include "exitstatus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

QString openToRead(QFile& file, const QString& name)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(bytesOfText(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    struct stat status;
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        return QStringLiteral("it is a folder");
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
#else
    if (QFileInfo(name).isDir())
        return QStringLiteral("it is a folder");
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
#endif
}

bool isSameFile(const QString& name, const QString& other)
{
#ifdef Q_OS_UNIX
    // A hard link has a path of its own: only the device and inode tell.
    struct stat a, b;
    return ::stat(bytesOfText(name).constData(), &a) == 0 &&
           ::stat(bytesOfText(other).constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
#else
    const QString path = QFileInfo(name).canonicalFilePath();
    return !path.isEmpty() && path == QFileInfo(other).canonicalFilePath();
#endif
}

QString relativeFileAddress(const QString& text)
{
    if (text.isEmpty() || hasKeptBytes(text) || QDir::isAbsolutePath(text))
        return {};
    const QFileInfo file(QDir::current(), text);
    if (!file.isFile())
        return {};
    return QUrl::fromLocalFile(file.absoluteFilePath()).toString();
}

OutputName::OutputName(const QString& output) : m_output(output), m_path(output)
{
    if (!hasKeptBytes(output))
        return;
#ifdef Q_OS_LINUX
    const QByteArray bytes = bytesOfText(output);
    const qsizetype slash = bytes.lastIndexOf('/');
    m_name = bytes.mid(slash + 1);
    struct stat status;
    if (m_name.isEmpty() || (::stat(bytes.constData(), &status) == 0 && !S_ISREG(status.st_mode))) {
        m_problem = QStringLiteral("cannot write %1: it is no regular file").arg(shownText(output));
        return;
    }
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : bytes.left(slash);
    m_folder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        m_problem =
            QStringLiteral("cannot write %1: %2").arg(shownText(output), qt_error_string(errno));
        return;
    }
    // The folder is reached through its descriptor, as its name may not be UTF-8 either.
    m_standIn = ".vantrel-join-" + QByteArray::number(qint64(::getpid())) + ".html";
    m_path = QStringLiteral("/proc/self/fd/%1/%2").arg(m_folder).arg(QLatin1String(m_standIn));
#else
    m_problem = QStringLiteral("cannot write %1: the name is not UTF-8").arg(shownText(output));
#endif
}

OutputName::~OutputName()
{
#ifdef Q_OS_LINUX
    if (m_folder < 0)
        return;
    // Nothing to move when nothing was written.
    const bool moved =
        ::renameat(m_folder, m_standIn.constData(), m_folder, m_name.constData()) == 0 ||
        errno == ENOENT;
    const int error = errno;
    ::close(m_folder);
    if (moved)
        return;
    std::fputs(QStringLiteral("vantrel-join: cannot write %1: %2\n")
                   .arg(shownText(m_output), qt_error_string(error))
                   .toLocal8Bit()
                   .constData(),
               stderr);
    // The command has ended; only its status is left to tell.
    std::exit(OutputError);
#endif
}

} // namespace cli
