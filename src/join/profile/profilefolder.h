#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace join {

// The folder of a saved profile, held for one run: made for the user alone when missing, and
// locked so that no other run uses it meanwhile. The lock goes with the process however it ends:
// one left by a run that was killed is taken over.
class ProfileFolder
{
public:
    explicit ProfileFolder(QString path);
    ~ProfileFolder();

    // Makes the folder if needed and takes its lock; needs the application object. Empty when
    // this run holds the folder; otherwise why it cannot, in a line.
    QString open();
    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace join
