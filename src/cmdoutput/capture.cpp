#include "capture.h"

#include "childprocesspipe.h"
#include "core/apperror.h"

#include <QCoreApplication>

namespace {
constexpr qint64 ReadSize = 1024;
}

QString CaptureCommandOutput(QString& commandLine, bool captureStdout, bool captureStderr,
                             bool convertFromOem)
{
    if (!captureStdout && !captureStderr)
        throw AppError(5, QStringLiteral("Invalid procedure call or argument"));

    ChildProcessPipe child;
    switch (child.start(commandLine, captureStdout, captureStderr)) {
    case ChildProcessPipe::Start::NoPipe:
        return QString();
    case ChildProcessPipe::Start::NoProcess:
        return QString::fromLatin1(FailedToCreateProcess);
    case ChildProcessPipe::Start::Started:
        break;
    }

    // One decoder for the whole output, so that a character split between two reads comes out
    // whole.
    ConsoleTextDecoder decoder(convertFromOem);
    QString result;
    char buffer[ReadSize];
    for (;;) {
        QCoreApplication::processEvents();
        const qint64 got = child.read(buffer, ReadSize);
        if (got < 0)
            break;
        result += decoder.decode(buffer, got);
    }
    return result + decoder.finish();
}
