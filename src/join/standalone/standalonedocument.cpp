#include "standalonedocument.h"

#include "join/engine/resourcetext.h"
#include "core/apperror.h"
#include "markers.h"
#include "resourcecache.h"
#include "standalonepages.h"

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

QString opening()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src "
                          "'none'\"><meta name=\"viewport\" content=\"width=device-width, "
                          "initial-scale=1\"><style>\n") +
           resourceText(QStringLiteral(":/join/standalone.css")) +
           QStringLiteral("</style></head><body>");
}

} // namespace

StandaloneDocument::StandaloneDocument(QFileDevice& out, std::function<void()> complete,
                                       const StandalonePages& pages, ResourceCache& resources,
                                       bool contents)
    : m_out(out, std::move(complete), opening()), m_pages(pages), m_resources(resources)
{
    if (contents)
        m_spool = std::make_unique<QTemporaryFile>();
}

StandaloneDocument::~StandaloneDocument() = default;

void StandaloneDocument::begin(std::chrono::milliseconds bound)
{
    if (!m_spool)
        m_out.begin(bound);
    else if (!m_spool->open())
        throw AppError(75, QStringLiteral("Cannot keep the pages until the end: ") +
                               m_spool->errorString());
}

void StandaloneDocument::append(int position, const QString& text)
{
    if (!m_spool)
        return writeSectionsUpTo(position, text);
    const QByteArray bytes = text.toUtf8();
    if (m_spool->write(bytes) != bytes.size())
        throw AppError(75, QStringLiteral("Cannot keep the pages until the end: ") +
                               m_spool->errorString());
    m_spooled.append({position, bytes.size()});
}

void StandaloneDocument::finish(std::chrono::milliseconds bound)
{
    if (m_spool) {
        m_out.begin(bound);
        writeContents();
        m_spool->seek(0);
        for (const auto& [position, size] : std::as_const(m_spooled))
            writeSectionsUpTo(position, QString::fromUtf8(m_spool->read(size)));
    }
    if (m_written < m_pages.count())
        writeSectionsUpTo(m_pages.count() + 1, {});
    m_out.finish(bound);
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
    m_out.append(position, QStringLiteral("<section id=\"p%1\" data-source=\"%2\">")
                               .arg(position)
                               .arg(escaped(m_pages.address(position))));
    writeDecided(text);
    m_out.append(position, QStringLiteral("</section>\n"));
    m_written = position;
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
    data = m_resources.dataAddress(address);
    if (!data.isEmpty())
        return {};
    if (kind == QLatin1Char('i'))
        return escaped(address);
    if (kind == QLatin1Char('u'))
        return escaped(cssUrl(address));
    return cssUrl(address); // 's': raw text
}

} // namespace join
