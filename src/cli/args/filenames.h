#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace cli {

// File names as the command takes them: text from textOfBytes(), so that a name that is not
// UTF-8 still names its own file.

// Opens the file for reading. Empty when it opened; otherwise why not.
QString openToRead(QFile& file, const QString& name);

// True when both names lead to one existing file: the same spelling, another one, or a link.
bool isSameFile(const QString& name, const QString& other);

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
