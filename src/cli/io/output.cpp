#include "cli/io/output.h"

#include "core/apperror.h"
#include "cli/io/savecheck.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>

namespace cli {
namespace {

// A path that is, or links through, one of a process's open descriptors (Linux: /dev/stdout links
// to /proc/self/fd/1). Replacing what it leads to would wipe a file the shell opened for us.
bool isOpenDescriptor(const QString& path)
{
    static const QRegularExpression descriptor(
        QStringLiteral("^/(proc/(self|thread-self|\\d+)|dev)/fd/\\d+$"));
    QString step = path;
    for (int links = 0; links < 8; ++links) {
        if (descriptor.match(QFileInfo(step).absoluteFilePath()).hasMatch())
            return true;
        const QFileInfo info(step);
        if (!info.isSymLink())
            return false;
        step = info.symLinkTarget();
    }
    return false;
}

// A terminal, a pipe, a socket or a device: nothing to replace, only to write to.
bool isSpecialFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

} // namespace

Output::Output(QString path) : m_path(std::move(path)) {}

Output::~Output() = default;

QString Output::open()
{
    bool opened = false;
    if (m_path == QLatin1String("-")) {
        auto* out = new QFile;
        m_file.reset(out);
        opened = out->open(stdout, QIODevice::WriteOnly);
    } else if (isOpenDescriptor(m_path) || isSpecialFile(m_path)) {
        auto* out = new QFile(m_path);
        m_file.reset(out);
        // A file behind a descriptor is written where the shell left it, never cut short; a
        // device or pipe has no place to seek to.
        opened = out->open(QFileInfo(m_path).isFile() ? QIODevice::WriteOnly | QIODevice::Append
                                                      : QIODevice::WriteOnly);
    } else {
        m_file = std::make_unique<QSaveFile>(m_path);
        opened = m_file->open(QIODevice::WriteOnly);
    }
    if (opened)
        return {};
    return QStringLiteral("cannot write %1: %2")
        .arg(m_path == QLatin1String("-") ? QStringLiteral("to standard output") : m_path,
             m_file->errorString());
}

void Output::complete()
{
    if (const QString problem = keepWritten(*m_file); !problem.isEmpty())
        throw AppError(75, QStringLiteral("Cannot write %1: %2").arg(m_path, problem));
}

bool Output::isFile() const
{
    return qobject_cast<QSaveFile*>(m_file.get()) != nullptr;
}

QString Output::commit()
{
    auto* save = qobject_cast<QSaveFile*>(m_file.get());
    if (!save || save->commit())
        return {};
    return QStringLiteral("cannot write %1: %2").arg(m_path, save->errorString());
}

} // namespace cli
