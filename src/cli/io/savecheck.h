#pragma once

#include <QString>

class QFileDevice;

namespace cli {

// Writes out what file holds and, for a file on disk, has the system put it there: a full disk
// shows now, not when the file is made final. Empty when it did, otherwise why not.
QString keepWritten(QFileDevice& file);

} // namespace cli
