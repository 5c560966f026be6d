#include "profilefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace join {

ProfileFolder::ProfileFolder(QString path) : m_path(std::move(path)) {}

ProfileFolder::~ProfileFolder() = default;

QString ProfileFolder::open()
{
    const QFileInfo info(m_path);
    const QString shown = QDir::toNativeSeparators(m_path);
    if (info.exists() && !info.isDir())
        return QStringLiteral("the profile %1 is not a folder").arg(shown);
    // What it will hold is as private as a browser's profile: signed-in sessions.
    if (!info.exists() &&
        !(QDir().mkpath(info.absolutePath()) &&
          QDir().mkdir(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)))
        return QStringLiteral("cannot make the profile folder %1").arg(shown);
    m_path = QFileInfo(m_path).absoluteFilePath();
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral("/vantrel.lock"));
    // Stale only when the process that took it has ended, however long it has run.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return {};
    if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        m_lock->getLockInfo(&pid, &host, &application);
        return QStringLiteral("the profile %1 is in use by another run (process %2)")
            .arg(shown)
            .arg(pid);
    }
    return QStringLiteral("cannot write in the profile folder %1").arg(shown);
}

} // namespace join
