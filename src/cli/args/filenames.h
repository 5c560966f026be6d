#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class QFile;

namespace cli {

// File names as the command takes them: text from textOfBytes(), so that a name that is not
// UTF-8 still names its own file.

// The most a line of a file the command reads (a list file, the cookies file) may hold, and the
// most lines it may have: far past any such file, near enough that a file that is no such thing
// (a device, a binary) ends at once instead of filling the memory.
constexpr qsizetype MaxLineBytes = 64 * 1024;
constexpr qsizetype MaxLines = 100000;

// Why a file could not be read: line 0 for the file itself, else the line that stopped it.
struct ReadProblem
{
    qsizetype line = 0;
    QString text; // empty: read to its end
};

// Reads a file the command reads ("-": standard input) a line at a time as it comes, handing
// each to take() without its line feed (nor the carriage return before one), with its number.
// Stops at the first line that holds a NUL byte (the file is no text), is longer than
// MaxLineBytes or is past MaxLines, or for which take() answers a problem.
ReadProblem readLines(const QString& name,
                      const std::function<QString(const QByteArray& line, qsizetype number)>& take);

// A file the command names, and what it is to the command ("the report").
struct NamedFile
{
    QString role;
    QString name;
};

// The first file of written that is also another of written or one of read, whether by the same
// spelling, another one or a link, said as a usage error; empty when there is none. A file that
// does not exist yet is the same as another named for the same place. Standard input and output
// ("-"), devices and pipes are never the same as anything.
QString sameFileProblem(const QList<NamedFile>& written, const QList<NamedFile>& read);

// The absolute file: address of an existing file named relative to the current folder, as every
// command-line tool takes a relative path; empty for anything else (a web address, a host name,
// an absolute path, which the site browser resolves as it always has).
QString relativeFileAddress(const QString& text);

// Qt names files with UTF-16 text, which cannot spell a name that is not UTF-8. Such an output is
// written under a stand-in name in its folder, and given its own name when this object goes.
class OutputName
{
public:
    explicit OutputName(const QString& output);
    ~OutputName();
    OutputName(const OutputName&) = delete;
    OutputName& operator=(const OutputName&) = delete;

    // What Qt writes: the output itself when Qt can spell it.
    QString path() const { return m_path; }
    // Why the output cannot be written; empty when it can be tried.
    QString problem() const { return m_problem; }

private:
    QString m_output;
    QString m_path;
    QString m_problem;
    int m_folder = -1;
    QByteArray m_standIn;
    QByteArray m_name;
};

} // namespace cli
