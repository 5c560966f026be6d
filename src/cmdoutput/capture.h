#pragma once

#include <QString>

// What a capture returns when the command's program cannot be started.
inline constexpr char FailedToCreateProcess[] =
    "Failed to create process, check the path of the command line.";

// Runs a console command line hidden and returns what it wrote to the requested streams; with both
// requested they share one pipe, so their texts interleave in the order the command wrote them.
// The first token of the command line names the program, found on the search path. The command
// gets no standard input, and a stream that is not requested goes nowhere. Collection ends when
// every process holding the pipe has closed it, not when the command's own process exits. Pending
// window events run while it waits.
//
// Returns FailedToCreateProcess when the program cannot be started and the empty string when the
// pipe cannot be made. Throws AppError 5 when neither stream is requested.
QString CaptureCommandOutput(QString& commandLine, bool captureStdout, bool captureStderr,
                             bool convertFromOem);
