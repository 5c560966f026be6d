#pragma once

#include <QString>

#include <memory>

class QFileDevice;

namespace cli {

// Where the joined document goes. A plain path gets a save file: the document replaces it in one
// step once it is complete, and an existing file stays as it was if the run fails. Standard output
// ("-"), a path that stands for an open descriptor (/dev/stdout, /dev/fd/N: a shell's >> must go on
// appending) and a terminal, pipe or device are written in place as each page arrives.
class Output
{
public:
    explicit Output(QString path);
    ~Output();

    // Opens the output: empty when it is open, otherwise why it cannot be written.
    QString open();
    QFileDevice& device() { return *m_file; }
    const QString& path() const { return m_path; }
    // A file of its own, made final at the end: not standard output, a descriptor, a pipe or a
    // device.
    bool isFile() const;
    // Makes sure that what was written is kept (on disk for a save file), without making it
    // final yet: the run's other saves are checked before either replaces an old file. Throws
    // AppError when it cannot.
    void complete();
    // Makes what was written final: the save file replaces the old one. Empty when it did,
    // otherwise why not.
    QString commit();

private:
    QString m_path;
    std::unique_ptr<QFileDevice> m_file;
};

} // namespace cli
