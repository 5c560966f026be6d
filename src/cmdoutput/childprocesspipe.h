#pragma once

#include <QString>
#include <QStringDecoder>
#include <QtGlobal>

#include <memory>

// The platform's side of running a console command: a child process whose requested output
// streams go into one pipe that only this process reads.
class ChildProcessPipe
{
public:
    enum class Start { Started, NoPipe, NoProcess };

    ChildProcessPipe() = default;
    ChildProcessPipe(const ChildProcessPipe&) = delete;
    ChildProcessPipe& operator=(const ChildProcessPipe&) = delete;
    // Closes the pipe. The child is not waited for: the end of its output ends the command.
    ~ChildProcessPipe();

    // Starts the command line with its standard output, standard error or both on the pipe. The
    // command line comes back as process creation left it.
    Start start(QString& commandLine, bool captureStdout, bool captureStderr);

    // Reads at most size bytes, waiting for them if need be; -1 once every writer has closed the
    // pipe or the read fails.
    qint64 read(char* buffer, qint64 size);

private:
    qintptr m_readEnd = -1;
    qintptr m_process = -1;
};

// Turns a command's output bytes into text, chunk after chunk, keeping the bytes of a character
// that is not complete yet for the next chunk.
class ConsoleTextDecoder
{
public:
    // fromConsoleCodePage: the console's code page (Windows) or the locale's encoding (elsewhere);
    // otherwise the system's 8-bit encoding.
    explicit ConsoleTextDecoder(bool fromConsoleCodePage);
    ~ConsoleTextDecoder();
    ConsoleTextDecoder(const ConsoleTextDecoder&) = delete;
    ConsoleTextDecoder& operator=(const ConsoleTextDecoder&) = delete;

    QString decode(const char* bytes, qint64 size);
    // At the end of the output: the bytes of a character that never got its rest, one
    // replacement character each (as decoding the whole output at once gives them).
    QString finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Qt's stateful decoder, which keeps the bytes of an unfinished character for the next chunk but
// has no call for the end of the input.
class StreamDecoder : public QStringDecoder
{
public:
    using QStringDecoder::QStringDecoder;

    // The kept bytes as replacement characters, one each; the decoder starts afresh.
    QString finish()
    {
        const QString cutOff(state.remainingChars, QChar::ReplacementCharacter);
        resetState();
        return cutOff;
    }
};
