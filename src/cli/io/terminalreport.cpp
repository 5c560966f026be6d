#include "cli/io/terminalreport.h"

#include "cli/args/bytetext.h"
#include "core/errorguard.h"
#include "cli/io/enginestart.h"

#include <algorithm>
#include <iterator>

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

// Columns a character takes on a terminal: two for East Asian wide and full-width characters,
// none for combining marks and other characters drawn into their neighbour.
int columnsOf(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return 0;
    default:
        break;
    }
    struct Range
    {
        char32_t first, last;
    };
    static constexpr Range Wide[] = {
        {0x1100, 0x115F},   {0x2329, 0x232A},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
        {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
        {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},
        {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
        {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
    };
    const Range* range = std::upper_bound(std::begin(Wide), std::end(Wide), c,
                                          [](char32_t v, const Range& r) { return v < r.first; });
    return range != std::begin(Wide) && c <= std::prev(range)->last ? 2 : 1;
}

// The longest start of text whose shown form fits in the columns; an escape is never cut, and a
// mark stays with its character.
QString fitColumns(const QString& text, int columns)
{
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        char32_t c = text[end].unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && end + 1 < text.size() && text[end + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[end], text[end + 1]);
            length = 2;
        }
        const QString shown = shownText(QStringView(text).sliced(end, length));
        used += shown.size() == length ? columnsOf(c) : int(shown.size());
        if (used > columns)
            break;
        end += length;
    }
    return text.left(end);
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

void TerminalReport::addAddress(const QString& address)
{
    m_addresses.append(address);
    for (const auto& added : std::as_const(m_added))
        added(address);
}

void TerminalReport::whenAddressAdded(std::function<void(const QString&)> added)
{
    m_added.append(std::move(added));
}

TerminalReport::Progress TerminalReport::progressFor(bool quiet)
{
    if (quiet)
        return Progress::None;
#ifdef Q_OS_UNIX
    if (isatty(STDERR_FILENO) && qgetenv("TERM") != QByteArrayLiteral("dumb"))
        return Progress::InPlace;
#endif
    return Progress::Lines;
}

QString TerminalReport::refusalAt(int position) const
{
    return hasKeptBytes(textAt(position)) ? QStringLiteral("the address is not valid UTF-8")
                                          : QString();
}

void TerminalReport::fail(int line, int position, const QString& description)
{
    if (position == 0) {
        m_runFailed = true;
        m_outputFailed = m_outputFailed || line == join::WriteStatement;
        print(QStringLiteral("%1: %2").arg(Program, description));
    } else if (position <= m_done) {
        pageFailed(position, description); // its outcome came after the page was done
    }
    // Before then, the page's outcome names its failure.
}

void TerminalReport::pageDone(const join::PageOutcome& outcome)
{
    const int position = outcome.position;
    m_done = position;
    if (!outcome.failure.isEmpty())
        pageFailed(position, outcome.failure);
    if (m_progress == Progress::Lines)
        print(progressLine(position, textAt(position)));
    if (m_progress == Progress::InPlace)
        showInPlace(progressLine(position, textAt(position)));
}

void TerminalReport::setProgressText(const QString& text)
{
    pagesStarted();
    if (m_progress == Progress::InPlace)
        showInPlace(progressLine(m_done, text));
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

QString TerminalReport::progressLine(int done, const QString& page) const
{
    return QStringLiteral("[%1/%2] %3%  %4  %5")
        .arg(done)
        .arg(count())
        .arg(count() > 0 ? done * 100 / count() : 100)
        .arg(minutesAndSeconds(m_elapsed.elapsed()), page);
}

void TerminalReport::showInPlace(const QString& line)
{
    const QString shown = shownText(fitColumns(line, terminalWidth() - 1));
    std::fputs(("\r" + shown + "\x1b[K").toLocal8Bit().constData(), m_stream);
    std::fflush(m_stream);
    m_lineShown = true;
}

void TerminalReport::print(const QString& text)
{
    // A line in place is cleared first, and drawn again with the next page.
    const QString clear = m_lineShown ? QStringLiteral("\r\x1b[K") : QString();
    m_lineShown = false;
    std::fputs((clear + shownText(text) + '\n').toLocal8Bit().constData(), m_stream);
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
