#include "partspool.h"

#include "core/apperror.h"
#include "core/fileshortfall.h"

#include <qpdf/InputSource.hh>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// One part of the spool, as if it were a file of its own. Parts share the spool's file, so each
// read seeks first.
class SpoolWindow : public InputSource
{
public:
    SpoolWindow(QFileDevice& file, qint64 start, qint64 size, int part)
        : m_file(file), m_start(start), m_size(size),
          m_name("part " + std::to_string(part) + " of the PDF")
    {
    }

    std::string const& getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_at; }
    void rewind() override { m_at = 0; }
    void unreadCh(char) override { --m_at; }

    void seek(qpdf_offset_t offset, int whence) override
    {
        const qint64 from = whence == SEEK_END ? m_size : whence == SEEK_CUR ? m_at : 0;
        if (from + offset < 0)
            throw std::runtime_error(m_name + ": seek before its start");
        m_at = from + offset;
    }

    size_t read(char* buffer, size_t length) override
    {
        last_offset = m_at;
        const qint64 wanted = qBound<qint64>(0, m_size - m_at, qint64(length));
        if (wanted == 0)
            return 0;
        if (m_at < m_bufferAt || m_at + wanted > m_bufferAt + m_buffer.size()) {
            if (wanted > ReadAhead) {
                readFile(m_at, buffer, wanted);
                m_at += wanted;
                return size_t(wanted);
            }
            fill();
        }
        std::copy_n(m_buffer.constData() + (m_at - m_bufferAt), wanted, buffer);
        m_at += wanted;
        return size_t(wanted);
    }

    // Leaves the source after the end of the line it is in; answers where that end was.
    qpdf_offset_t findAndSkipNextEOL() override
    {
        char c = 0;
        while (m_at < m_size) {
            read(&c, 1);
            if (c == '\r' || c == '\n') {
                const qpdf_offset_t end = m_at - 1;
                while (m_at < m_size && read(&c, 1) && (c == '\r' || c == '\n')) {
                }
                if (c != '\r' && c != '\n')
                    --m_at;
                return end;
            }
        }
        return m_size;
    }

private:
    // The parser reads a byte or a line at a time: the file is read in blocks.
    static constexpr qint64 ReadAhead = 64 * 1024;

    void fill()
    {
        m_buffer.resize(qMin(ReadAhead, m_size - m_at));
        m_bufferAt = m_at;
        readFile(m_at, m_buffer.data(), m_buffer.size());
    }

    void readFile(qint64 at, char* buffer, qint64 size)
    {
        if (!m_file.seek(m_start + at) || m_file.read(buffer, size) != size)
            throw std::runtime_error(
                m_name + ": cannot be read back: " + m_file.errorString().toStdString());
    }

    QFileDevice& m_file;
    const qint64 m_start;
    const qint64 m_size;
    qint64 m_at = 0;
    const std::string m_name;
    QByteArray m_buffer;
    qint64 m_bufferAt = 0;
};

} // namespace

PartSpool::PartSpool()
{
    // Opened without asking its name: on Linux the file then never has one.
    if (!m_file.open())
        throw AppError(75, QStringLiteral("Cannot make a temporary file for the PDF's parts: ") +
                               m_file.errorString());
}

PartSpool::~PartSpool() = default;

int PartSpool::add(const QByteArray& pdf)
{
    const qint64 start = m_file.size();
    if (!m_file.seek(start) || m_file.write(pdf) != pdf.size() || !m_file.flush())
        throw AppError(75, QStringLiteral("Cannot keep the PDF's parts in the temporary folder: ") +
                               shortfallOf(m_file));
    m_parts.append({start, pdf.size()});
    return int(m_parts.size()) - 1;
}

std::shared_ptr<InputSource> PartSpool::source(int part)
{
    const Window window = m_parts.at(part);
    return std::make_shared<SpoolWindow>(m_file, window.start, window.size, part + 1);
}
