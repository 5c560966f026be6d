#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

namespace join {

// A zip archive written entry by entry to a device that can seek (minizip writes each entry's
// sizes into its header once the entry is done), so that nothing of it is kept in the program.
// Every call answers false once writing has failed; error() then says why.
class ZipWriter
{
public:
    explicit ZipWriter(QIODevice& out);
    ~ZipWriter();

    // An entry of its own bytes; stored as they are, or compressed.
    bool add(const QString& name, const QByteArray& bytes, bool compressed = true);
    // Writes the archive's directory. Nothing can be added after it.
    bool close();
    const QString& error() const { return m_error; }

private:
    bool failed(const QString& what);

    QIODevice& m_out;
    void* m_zip = nullptr;
    QString m_error;
};

} // namespace join
