#pragma once

#include <QString>

class QFileDevice;
class QTemporaryFile;

namespace join {

// Opens file in the temporary folder with no name left behind: it goes with the process, even
// one that is killed. Empty when it opened, otherwise why not.
QString openNameless(QTemporaryFile& file);

// Why a write to file, or a read from it, fell short. A write the system cut short without an
// error has found the disk full.
QString shortfallOf(const QFileDevice& file);

} // namespace join
