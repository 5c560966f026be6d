#include "streameddocument.h"

#include "core/apperror.h"
#include "core/fileshortfall.h"

#include <QFileDevice>

namespace join {
namespace {
// An empty document made by createHTMLDocument(), as the window's joined document starts, around
// its body's markup.
const QString Opening = QStringLiteral("<html><head></head><body>");
const QString Closing = QStringLiteral("</body></html>\r\n");
} // namespace

StreamedDocument::StreamedDocument(QFileDevice& out, std::function<void()> complete)
    : StreamedDocument(out, std::move(complete), Opening)
{
}

StreamedDocument::StreamedDocument(QFileDevice& out, std::function<void()> complete,
                                   QString opening)
    : m_out(out), m_complete(std::move(complete)), m_opening(std::move(opening))
{
}

void StreamedDocument::begin(std::chrono::milliseconds)
{
    write(m_opening);
}

void StreamedDocument::append(int, const QString& text)
{
    write(text);
}

void StreamedDocument::finish(std::chrono::milliseconds)
{
    write(Closing);
    if (!m_error.isEmpty())
        throw AppError(75, m_error);
    if (m_complete)
        m_complete();
}

void StreamedDocument::write(const QString& text)
{
    if (!m_error.isEmpty())
        return;
    const QByteArray bytes = m_encoder.encode(text);
    // Flushed at once: a reader at the other end of a pipe sees each page as it is written.
    if (m_out.write(bytes) != bytes.size() || !m_out.flush())
        m_error = QStringLiteral("Cannot write the joined document: ") + shortfallOf(m_out);
}

} // namespace join
