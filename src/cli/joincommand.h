#pragma once

namespace cli {

// The whole command: reads the command line, joins, writes, and returns the exit status. Creates
// the application object itself, once the command line has been read.
int runJoinCommand(int argc, char* argv[]);

} // namespace cli
