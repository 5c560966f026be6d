#include "temporaryfile.h"

#include <QFile>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace join {

QString openNameless(QTemporaryFile& file)
{
    if (!file.open())
        return file.errorString();
#ifdef Q_OS_UNIX
    // The open descriptor keeps the file; its name goes at once.
    file.setAutoRemove(false);
    ::unlink(QFile::encodeName(file.fileName()).constData());
#endif
    return {};
}

} // namespace join
