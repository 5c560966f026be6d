#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <memory>

class InputSource;

// The printed parts of a PDF, one after another in one temporary file that has no name (where the
// system allows): it goes with the process however the process ends, and the parts are read back
// from it by the merge instead of being held in memory.
class PartSpool
{
public:
    PartSpool();
    ~PartSpool();

    // Adds a part; its bytes are then read through source(). Throws AppError when the temporary
    // folder will not take it.
    int add(const QByteArray& pdf);
    // The part numbered as add() answered, as a PDF library reads a file.
    std::shared_ptr<InputSource> source(int part);

private:
    struct Window
    {
        qint64 start;
        qint64 size;
    };
    QTemporaryFile m_file;
    QList<Window> m_parts;
};
