#include "childprocesspipe.h"

#include <QByteArray>

#include <string>

#include <windows.h>

ChildProcessPipe::~ChildProcessPipe()
{
    if (m_readEnd != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_readEnd));
    if (m_process != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_process));
}

ChildProcessPipe::Start ChildProcessPipe::start(QString& commandLine, bool captureStdout,
                                                bool captureStderr)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1024))
        return Start::NoPipe;
    // Only the writing end goes to the child.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    m_readEnd = reinterpret_cast<qintptr>(readEnd);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = captureStdout ? writeEnd : nullptr;
    startup.hStdError = captureStderr ? writeEnd : nullptr;

    // Process creation may write into the command line.
    std::wstring buffer = commandLine.toStdWString();
    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    commandLine = QString::fromWCharArray(buffer.c_str());
    CloseHandle(writeEnd);
    if (!created)
        return Start::NoProcess;
    CloseHandle(process.hThread);
    m_process = reinterpret_cast<qintptr>(process.hProcess);
    return Start::Started;
}

qint64 ChildProcessPipe::read(char* buffer, qint64 size)
{
    // An anonymous pipe cannot be waited on with the event loop, so the read blocks until the
    // child writes or every writer has closed the pipe.
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(m_readEnd), buffer, static_cast<DWORD>(size), &got,
                  nullptr))
        return -1;
    return got;
}

struct ConsoleTextDecoder::State
{
    UINT codePage = CP_ACP;
    StreamDecoder utf8{QStringConverter::Utf8};
    QByteArray pending;
};

ConsoleTextDecoder::ConsoleTextDecoder(bool fromConsoleCodePage)
    : m_state(std::make_unique<State>())
{
    m_state->codePage = fromConsoleCodePage ? GetOEMCP() : GetACP();
}

ConsoleTextDecoder::~ConsoleTextDecoder() = default;

QString ConsoleTextDecoder::decode(const char* bytes, qint64 size)
{
    State& state = *m_state;
    if (state.codePage == CP_UTF8)
        return state.utf8.decode(QByteArrayView(bytes, size));

    // Double-byte code pages: a lead byte at the end of a chunk waits for its second byte.
    state.pending.append(bytes, size);
    qsizetype whole = 0;
    while (whole < state.pending.size()) {
        const BYTE byte = static_cast<BYTE>(state.pending.at(whole));
        const qsizetype step = IsDBCSLeadByteEx(state.codePage, byte) ? 2 : 1;
        if (whole + step > state.pending.size())
            break;
        whole += step;
    }
    QString text;
    if (whole > 0) {
        const int length = MultiByteToWideChar(state.codePage, 0, state.pending.constData(),
                                               static_cast<int>(whole), nullptr, 0);
        text.resize(length);
        MultiByteToWideChar(state.codePage, 0, state.pending.constData(), static_cast<int>(whole),
                            reinterpret_cast<wchar_t*>(text.data()), length);
        state.pending.remove(0, whole);
    }
    return text;
}

QString ConsoleTextDecoder::finish()
{
    State& state = *m_state;
    // A lead byte still waiting for its second byte is a character cut off.
    QString text = state.utf8.finish();
    text += QString(state.pending.size(), QChar::ReplacementCharacter);
    state.pending.clear();
    return text;
}
