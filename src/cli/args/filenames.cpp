#include "filenames.h"

#include "bytetext.h"
#include "exitstatus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

// Opens the file for reading. Empty when it opened; otherwise why not.
QString openToRead(QFile& file, const QString& name)
{
    if (name == QLatin1String("-"))
        return file.open(stdin, QIODevice::ReadOnly) ? QString() : file.errorString();
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

// What tells a file apart from every other: its device and inode, or, for one not made yet, its
// folder's and its name. Empty for what is never the same as anything.
QByteArray fileIdentity(const QString& name)
{
    if (name == QLatin1String("-"))
        return {};
#ifdef Q_OS_UNIX
    // A hard link has a path of its own: only the device and inode tell.
    const QByteArray bytes = bytesOfText(name);
    struct stat status;
    if (::stat(bytes.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            return {};
        return QByteArray::number(quint64(status.st_dev)) + ':' +
               QByteArray::number(quint64(status.st_ino));
    }
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : bytes.left(slash);
    if (::stat(folder.constData(), &status) != 0)
        return {};
    return QByteArray::number(quint64(status.st_dev)) + ':' +
           QByteArray::number(quint64(status.st_ino)) + '/' + bytes.mid(slash + 1);
#else
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return {};
    return (info.exists()
                ? info.canonicalFilePath()
                : QFileInfo(info.absolutePath()).canonicalFilePath() + '/' + info.fileName())
        .toUtf8();
#endif
}

} // namespace

ReadProblem readLines(const QString& name,
                      const std::function<QString(const QByteArray& line, qsizetype number)>& take)
{
    QFile file;
    if (const QString problem = openToRead(file, name); !problem.isEmpty())
        return {0, problem};
    QByteArray pending; // the line read so far
    qsizetype number = 1;
    // What is wrong with the line so far; once it is whole, what take() says of it.
    const auto check = [&](bool whole) -> QString {
        if (pending.contains('\0'))
            return QStringLiteral("it is no text (a NUL byte)");
        if (pending.size() > MaxLineBytes)
            return QStringLiteral("longer than %1 KB").arg(MaxLineBytes / 1024);
        if (!whole)
            return {};
        if (number > MaxLines)
            return QStringLiteral("more than %1 lines").arg(MaxLines);
        QByteArray text = std::exchange(pending, QByteArray());
        if (text.endsWith('\r'))
            text.chop(1);
        return take(text, number);
    };
    for (;;) {
        const QByteArray piece = file.read(64 * 1024);
        if (piece.isEmpty())
            break;
        qsizetype start = 0;
        for (qsizetype end; (end = piece.indexOf('\n', start)) >= 0; start = end + 1, ++number) {
            pending += QByteArrayView(piece).sliced(start, end - start);
            if (const QString problem = check(true); !problem.isEmpty())
                return {number, problem};
        }
        pending += QByteArrayView(piece).sliced(start);
        if (const QString problem = check(false); !problem.isEmpty())
            return {number, problem};
    }
    if (file.error() != QFileDevice::NoError)
        return {0, file.errorString()};
    if (!pending.isEmpty()) {
        if (const QString problem = check(true); !problem.isEmpty())
            return {number, problem};
    }
    return {};
}

QString sameFileProblem(const QList<NamedFile>& written, const QList<NamedFile>& read)
{
    const QList<NamedFile> all = written + read;
    for (qsizetype w = 0; w < written.size(); ++w) {
        const QByteArray identity = fileIdentity(written[w].name);
        for (qsizetype other = w + 1; !identity.isEmpty() && other < all.size(); ++other) {
            if (fileIdentity(all[other].name) == identity)
                return QStringLiteral("%1 %2 is %3 %4")
                    .arg(written[w].role, shownText(written[w].name), all[other].role,
                         shownText(all[other].name));
        }
    }
    return {};
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
    // One for each such name of the run: the output and the report may share a folder.
    static int made = 0;
    m_standIn = ".vantrel-join-" + QByteArray::number(qint64(::getpid())) + '-' +
                QByteArray::number(++made) + ".tmp";
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
