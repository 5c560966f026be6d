#include "commandrun.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

Finished runCommand(QProcess& process, const QStringList& arguments, const QByteArray& input,
                    const QString& program)
{
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program.isEmpty() ? QCoreApplication::applicationDirPath() + "/vantrel-join"
                                    : program,
                  arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForStarted() || !finished.wait(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Finished result{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                    process.readAllStandardOutput(),
                    {}};
    for (const QByteArray& line : process.readAllStandardError().split('\n'))
        if (!line.isEmpty())
            result.errLines.append(QString::fromUtf8(line));
    return result;
}

QByteArray toolOutput(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

std::optional<QString> epubCheckerFindings(const QString& path)
{
    const QString checker = QStringLiteral("/usr/share/java/epubcheck.jar");
    if (QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty() || !QFile::exists(checker))
        return std::nullopt;
    QProcess check;
    check.start(QStringLiteral("java"), {QStringLiteral("-jar"), checker, path});
    const bool ended = check.waitForFinished(120000);
    const QString said =
        QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    if (ended && check.exitCode() == 0 && !said.contains(QLatin1String("ERROR")))
        return QString();
    return said.isEmpty() ? QStringLiteral("the checker did not end") : said;
}
