#pragma once

#include <QString>

class QTemporaryFile;

namespace join {

// Opens file in the temporary folder with no name left behind: it goes with the process, even
// one that is killed. Empty when it opened, otherwise why not.
QString openNameless(QTemporaryFile& file);

} // namespace join
