#include "childprocesspipe.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
// Both ends close on exec, so that no other child started meanwhile keeps the writing end open
// (which would keep the read loop waiting for as long as that child lives).
bool makePipe(int ends[2])
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD) || defined(Q_OS_NETBSD) || defined(Q_OS_OPENBSD)
    return ::pipe2(ends, O_CLOEXEC) == 0;
#else
    if (::pipe(ends) != 0)
        return false;
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return true;
#endif
}

int spawn(const QStringList& arguments, int writeEnd, bool captureStdout, bool captureStderr,
          pid_t* child)
{
    std::vector<QByteArray> encoded;
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // A closed standard stream would be taken by the next file the child opens; the null device
    // stands for "no input" and "goes nowhere".
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (captureStdout)
        posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (captureStderr)
        posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    // The program may ignore SIGPIPE; a shell pipeline in the command needs it back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigmask(&attributes, &noneBlocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const int error = ::posix_spawnp(child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

void waitUntilReadable(int fd)
{
    bool ready = false;
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QSocketNotifier notifier(fd, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
            ready = true;
            loop.quit();
        });
        loop.exec();
    }
    // Without a running event loop (none yet, or one told to quit) the wait blocks instead.
    if (!ready) {
        pollfd readable{fd, POLLIN, 0};
        while (::poll(&readable, 1, -1) < 0 && errno == EINTR) {
        }
    }
}

// The child usually has ended by the time its output has; one that lives on is reaped whenever it
// ends, without the window waiting for it.
void reap(pid_t child)
{
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) != 0)
        return;
    std::thread([child] {
        int finalStatus = 0;
        while (::waitpid(child, &finalStatus, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}
} // namespace

ChildProcessPipe::~ChildProcessPipe()
{
    if (m_readEnd >= 0)
        ::close(static_cast<int>(m_readEnd));
    if (m_process > 0)
        reap(static_cast<pid_t>(m_process));
}

ChildProcessPipe::Start ChildProcessPipe::start(QString& commandLine, bool captureStdout,
                                                bool captureStderr)
{
    int ends[2];
    if (!makePipe(ends))
        return Start::NoPipe;
    m_readEnd = ends[0];
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);

    const QStringList arguments = QProcess::splitCommand(commandLine);
    pid_t child = -1;
    const bool started = !arguments.isEmpty() &&
                         spawn(arguments, ends[1], captureStdout, captureStderr, &child) == 0;
    // From here only the child and whatever it starts hold the writing end.
    ::close(ends[1]);
    if (!started)
        return Start::NoProcess;
    m_process = child;
    return Start::Started;
}

qint64 ChildProcessPipe::read(char* buffer, qint64 size)
{
    const int fd = static_cast<int>(m_readEnd);
    for (;;) {
        const ssize_t got = ::read(fd, buffer, static_cast<size_t>(size));
        if (got > 0)
            return got;
        if (got == 0)
            return -1;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            waitUntilReadable(fd);
        else if (errno != EINTR)
            return -1;
    }
}

// Outside Windows there is no separate console code page: both choices are the locale's encoding.
struct ConsoleTextDecoder::State
{
    StreamDecoder decoder{QStringConverter::System};
};

ConsoleTextDecoder::ConsoleTextDecoder(bool /*fromConsoleCodePage*/)
    : m_state(std::make_unique<State>())
{
}

ConsoleTextDecoder::~ConsoleTextDecoder() = default;

QString ConsoleTextDecoder::decode(const char* bytes, qint64 size)
{
    return m_state->decoder.decode(QByteArrayView(bytes, size));
}

QString ConsoleTextDecoder::finish()
{
    return m_state->decoder.finish();
}
