#pragma once

#include <QString>

namespace join {

// Empty when the browser engine can start here; otherwise what stops it and what to do, in words
// for the user. The engine refuses to run as root with its sandbox on.
QString browserEngineStartProblem();

} // namespace join
