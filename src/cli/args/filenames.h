#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

namespace cli {

// File names as the command takes them: text from textOfBytes(), so that a name that is not
// UTF-8 still names its own file.

// Reads the whole of a file the command reads (a list file, the cookies file); "-" is standard
// input. Empty when it did; otherwise why not.
QString readWholeFile(const QString& name, QByteArray& bytes);

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
