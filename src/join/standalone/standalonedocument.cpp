#include "standalonedocument.h"

#include "core/apperror.h"
#include "core/fileshortfall.h"
#include "imagestore.h"
#include "join/engine/resourcetext.h"
#include "looksheet.h"
#include "markers.h"
#include "standalonepages.h"
#include "temporaryfile.h"

namespace join {
namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// An address inside url(...) without quotes.
QString cssUrl(const QString& address)
{
    QString css;
    for (const QChar c : address) {
        if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('"') ||
            c == QLatin1Char('\'') || c == QLatin1Char('\\') || c.isSpace() ||
            c == QLatin1Char('<'))
            css += QStringLiteral("\\%1 ").arg(c.unicode(), 0, 16);
        else
            css += c;
    }
    return css;
}

QString opening(const QString& looks = {})
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src "
                          "'none'\"><meta name=\"viewport\" content=\"width=device-width, "
                          "initial-scale=1\"><style>\n") +
           resourceText(QStringLiteral(":/join/standalone.css")) + looks +
           QStringLiteral("</style></head><body>");
}

} // namespace

StandaloneDocument::StandaloneDocument(QFileDevice& out, std::function<void()> complete,
                                       const StandalonePages& pages, ImageStore& images,
                                       const LookSheet& looks, bool whole, bool contents)
    : m_out(out, std::move(complete), opening()), m_pages(pages), m_images(images), m_looks(looks),
      m_contents(contents)
{
    if (whole || contents)
        m_spool = std::make_unique<QTemporaryFile>();
}

StandaloneDocument::~StandaloneDocument() = default;

bool StandaloneDocument::broken() const
{
    return m_out.broken() || !m_spoolFailure.isEmpty() || !m_images.failure().isEmpty();
}

void StandaloneDocument::begin(std::chrono::milliseconds bound)
{
    if (!m_spool)
        return m_out.begin(bound);
    if (const QString problem = openNameless(*m_spool); !problem.isEmpty())
        m_spoolFailure = QStringLiteral("Cannot keep the pages in a temporary file: ") + problem;
}

void StandaloneDocument::append(int position, const QString& text)
{
    if (!m_spool)
        return writeSectionsUpTo(position, text);
    if (!m_spoolFailure.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    // Flushed at once: a full disk shows with the page that found it.
    if (m_spool->write(bytes) != bytes.size() || !m_spool->flush())
        return spoolFailed(QStringLiteral("keep"));
    m_spooled.append({position, bytes.size()});
}

void StandaloneDocument::finish(std::chrono::milliseconds bound)
{
    throwIfBroken();
    if (m_spool) {
        m_out.setOpening(opening(fontRules() + m_looks.rules()));
        m_looksWritten = m_looks.count();
        m_out.begin(bound);
        if (m_contents)
            writeContents();
        writeSpooled();
    }
    if (m_written < m_pages.count())
        writeSectionsUpTo(m_pages.count() + 1, {});
    throwIfBroken();
    m_out.finish(bound);
}

void StandaloneDocument::throwIfBroken() const
{
    // Nothing of a broken document is made final: the old file stays.
    if (!m_spoolFailure.isEmpty())
        throw AppError(75, m_spoolFailure);
    if (!m_images.failure().isEmpty())
        throw AppError(75, m_images.failure());
}

void StandaloneDocument::writeSpooled()
{
    if (!m_spool->seek(0))
        return spoolFailed(QStringLiteral("read back"));
    for (const auto& [position, size] : std::as_const(m_spooled)) {
        const QByteArray bytes = m_spool->read(size);
        if (bytes.size() != size)
            return spoolFailed(QStringLiteral("read back"));
        writeSectionsUpTo(position, QString::fromUtf8(bytes));
    }
}

void StandaloneDocument::spoolFailed(const QString& doing)
{
    if (m_spoolFailure.isEmpty())
        m_spoolFailure = QStringLiteral("Cannot %1 the pages in a temporary file: %2")
                             .arg(doing, shortfallOf(*m_spool));
}

void StandaloneDocument::writeSectionsUpTo(int position, const QString& text)
{
    while (m_written + 1 < position)
        writeSection(m_written + 1, {});
    if (position <= m_pages.count())
        writeSection(position, text);
}

void StandaloneDocument::writeSection(int position, const QString& text)
{
    const QString faces = fontRules();
    if (m_looksWritten < m_looks.count() || !faces.isEmpty()) {
        m_out.append(position, QStringLiteral("<style>\n") + faces + m_looks.rules(m_looksWritten) +
                                   QStringLiteral("</style>\n"));
        m_looksWritten = m_looks.count();
    }
    m_out.append(position, QStringLiteral("<section id=\"p%1\" data-source=\"%2\">")
                               .arg(position)
                               .arg(escaped(m_pages.address(position))));
    writeDecided(text);
    m_out.append(position, QStringLiteral("</section>\n"));
    m_written = position;
}

QString StandaloneDocument::fontRules()
{
    const FontFaces& faces = m_looks.faces();
    const QString rules = faces.rules(m_facesWritten, [this](const FontFace& face) {
        return QString::fromLatin1(m_images.dataAddress(face.address));
    });
    m_facesWritten = faces.count();
    return rules;
}

void StandaloneDocument::writeContents()
{
    QString list = QStringLiteral("<nav id=\"contents\"><h1>Contents</h1><ol>");
    for (int position = 1; position <= m_pages.count(); ++position)
        list += QStringLiteral("<li><a href=\"#p%1\">%2</a></li>")
                    .arg(position)
                    .arg(escaped(m_pages.title(position)));
    m_out.append(0, list + QStringLiteral("</ol></nav>\n"));
}

void StandaloneDocument::writeDecided(const QString& text)
{
    QString pending;
    qsizetype from = 0;
    for (Marker marker; (marker = nextMarker(text, m_pages.token(), from)).at >= 0;
         from = marker.end) {
        pending += QStringView(text).mid(from, marker.at - from);
        QByteArray data;
        pending += decided(marker.kind, marker.address, data);
        if (!data.isEmpty()) {
            // Written on its own: a page's text never holds its images.
            m_out.append(0, pending);
            pending.clear();
            m_out.append(0, QString::fromLatin1(data));
        }
    }
    pending += QStringView(text).mid(from);
    m_out.append(0, pending);
}

QString StandaloneDocument::decided(QChar kind, const QString& address, QByteArray& data)
{
    if (kind == QLatin1Char('a')) {
        const QUrl url(address);
        if (const int position = m_pages.pageAt(url)) {
            const QString fragment = url.fragment(QUrl::FullyEncoded);
            return fragment.isEmpty()
                       ? QStringLiteral("#p%1").arg(position)
                       : QStringLiteral("#p%1-%2").arg(position).arg(escaped(fragment));
        }
        return escaped(address);
    }
    data = m_images.dataAddress(address);
    if (!data.isEmpty())
        return {};
    if (kind == QLatin1Char('i'))
        return escaped(address);
    if (kind == QLatin1Char('u'))
        return escaped(cssUrl(address));
    return cssUrl(address); // 's': raw text
}

} // namespace join
