#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A zip archive's entries by name, and their order, as a test reads a book back.
struct Archive
{
    QStringList names;
    QHash<QString, QByteArray> files;
    bool firstStored = false; // the first entry is stored, not compressed
};

// Reads the whole archive at path; empty when it is none.
Archive readArchive(const QString& path);
