#pragma once

namespace cli {

// What the command exits with.
enum ExitStatus {
    AllPagesJoined = 0,
    SomePagesFailed = 1, // the file was written
    UsageError = 2,      // found before any page loads; nothing written
    OutputError = 3,     // an existing file is left as it was
    EngineError = 4,     // the browser engine cannot start
};

} // namespace cli
