#include "terminalreport.h"

#include "core/errorguard.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace cli {
namespace {
const QString Program = QStringLiteral("vantrel-join");

// Columns of the terminal on standard error.
int terminalWidth()
{
#ifdef Q_OS_UNIX
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    return 80;
}

QString minutesAndSeconds(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

TerminalReport::TerminalReport(QStringList addresses, Progress progress, std::FILE* stream)
    : m_addresses(std::move(addresses)), m_progress(progress), m_stream(stream)
{
    m_elapsed.start();
}

TerminalReport::Progress TerminalReport::progressFor(bool quiet)
{
    if (quiet)
        return Progress::None;
#ifdef Q_OS_UNIX
    if (isatty(STDERR_FILENO))
        return Progress::InPlace;
#endif
    return Progress::Lines;
}

void TerminalReport::fail(int line, int position, const QString& description)
{
    if (position == 0) {
        m_runFailed = true;
        m_outputFailed = m_outputFailed || line == join::WriteStatement;
        print(QStringLiteral("%1: %2").arg(Program, description));
    } else if (position <= m_done) {
        pageFailed(position, description); // its outcome came after the page was done
    } else if (!m_pending.contains(position)) {
        m_pending.insert(position, description);
    }
}

void TerminalReport::pageDone(int position, const QString& loadFailure)
{
    m_done = position;
    // How the load went says more than a statement that failed because of it.
    const QString failedStatement = m_pending.take(position);
    const QString reason = loadFailure.isEmpty() ? failedStatement : loadFailure;
    if (!reason.isEmpty())
        pageFailed(position, reason);
    if (m_progress == Progress::Lines)
        print(progressLine(position));
    if (m_progress == Progress::InPlace) {
        const QString line = progressLine(position).left(terminalWidth() - 1);
        std::fputs(("\r" + line + "\x1b[K").toLocal8Bit().constData(), m_stream);
        std::fflush(m_stream);
        m_lineShown = true;
    }
}

void TerminalReport::pageFailed(int position, const QString& reason)
{
    // One line for each failed page, whatever else went wrong with it.
    if (m_failedPages.contains(position))
        return;
    m_failedPages.insert(position);
    print(QStringLiteral("%1: page %2 (%3) failed: %4")
              .arg(Program)
              .arg(position)
              .arg(textAt(position), reason));
}

QString TerminalReport::progressLine(int position) const
{
    return QStringLiteral("[%1/%2] %3%  %4  %5")
        .arg(position)
        .arg(count())
        .arg(count() > 0 ? position * 100 / count() : 100)
        .arg(minutesAndSeconds(m_elapsed.elapsed()), textAt(position));
}

void TerminalReport::print(const QString& text)
{
    // A line in place is cleared first, and drawn again with the next page.
    const QString clear = m_lineShown ? QStringLiteral("\r\x1b[K") : QString();
    m_lineShown = false;
    std::fputs((clear + text + '\n').toLocal8Bit().constData(), m_stream);
    std::fflush(m_stream);
}

void TerminalReport::warn(const QString& text)
{
    print(QStringLiteral("%1: warning: %2").arg(Program, text));
}

void TerminalReport::finish()
{
    if (m_lineShown)
        std::fputs("\n", m_stream);
    m_lineShown = false;
    std::fflush(m_stream);
}

} // namespace cli
