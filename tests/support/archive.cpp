#include "archive.h"

#include <unzip.h>

Archive readArchive(const QString& path)
{
    Archive archive;
    unzFile zip = unzOpen64(path.toUtf8().constData());
    if (!zip)
        return archive;
    for (int at = unzGoToFirstFile(zip); at == UNZ_OK; at = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info;
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        if (archive.names.isEmpty())
            archive.firstStored = info.compression_method == 0;
        QByteArray bytes(qsizetype(info.uncompressed_size), '\0');
        unzOpenCurrentFile(zip);
        unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
        unzCloseCurrentFile(zip);
        archive.names.append(QString::fromUtf8(name));
        archive.files.insert(QString::fromUtf8(name), bytes);
    }
    unzClose(zip);
    return archive;
}
