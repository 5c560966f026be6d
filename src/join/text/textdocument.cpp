#include "textdocument.h"

#include "core/apperror.h"
#include "core/fileshortfall.h"
#include "join/standalone/markers.h"
#include "join/standalone/standalonepages.h"
#include "join/standalone/temporaryfile.h"

#include <QFileDevice>
#include <QRegularExpression>
#include <QUrl>

namespace join {
namespace {

// An address as a Markdown link or image takes it, and as an HTML attribute (a table kept as
// HTML) does too: encoded, with no parenthesis to end the link early.
QString markdownAddress(const QString& address)
{
    return QUrl(address)
        .toString(QUrl::FullyEncoded)
        .replace(QLatin1Char('('), QLatin1String("%28"))
        .replace(QLatin1Char(')'), QLatin1String("%29"));
}

// Text as a Markdown line shows it: only what would be read as markup is escaped.
QString markdownText(const QString& text)
{
    static const QRegularExpression markup(
        QStringLiteral(R"(([\\`*\[\]<&]|(?<![\p{L}\p{N}])_|_(?![\p{L}\p{N}])|#$))"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString escaped = text;
    return escaped.replace(markup, QStringLiteral("\\\\1"));
}

// An anchor of a part written before its page arrived, as an HTML id and a link's fragment take
// it alike.
QString forwardAnchor(int position, const QString& fragment = {})
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]"));
    QString name = QStringLiteral("p%1").arg(position);
    if (!fragment.isEmpty())
        name += QLatin1Char('-') + QString(fragment).replace(unsafe, QStringLiteral("_"));
    return name;
}

// A Markdown heading's text as it reads: without the escapes, emphasis and link targets.
QString headingText(QString markdown)
{
    static const QRegularExpression link(QStringLiteral(R"(!?\[((?:[^\]\\]|\\.)*)\]\([^)]*\))"));
    static const QRegularExpression emphasis(QStringLiteral(R"((?<!\\)[*_`])"));
    static const QRegularExpression escape(QStringLiteral(R"(\\(.))"));
    return markdown.replace(link, QStringLiteral("\\1"))
        .remove(emphasis)
        .replace(escape, QStringLiteral("\\1"))
        .simplified();
}

} // namespace

QString headingAnchor(const QString& heading)
{
    static const QRegularExpression punctuation(QStringLiteral(R"([^\p{L}\p{M}\p{N}\p{Pc} -])"),
                                                QRegularExpression::UseUnicodePropertiesOption);
    return heading.trimmed()
        .toLower()
        .remove(punctuation)
        .replace(QLatin1Char(' '), QLatin1Char('-'));
}

TextDocument::TextDocument(QFileDevice& out, std::function<void()> complete,
                           const StandalonePages& pages, TextFormat format, bool whole,
                           bool contents)
    : m_out(out), m_complete(std::move(complete)), m_pages(pages), m_format(format),
      m_contents(contents)
{
    if (whole || contents)
        m_spool = std::make_unique<QTemporaryFile>();
}

TextDocument::~TextDocument() = default;

void TextDocument::pageFailed(int position, const QString& address, const QString& failure)
{
    if (position > m_written && !failure.isEmpty())
        m_failures.insert(position, {address, failure});
}

void TextDocument::begin(std::chrono::milliseconds)
{
    if (!m_spool)
        return;
    if (const QString problem = openNameless(*m_spool); !problem.isEmpty())
        m_error = QStringLiteral("Cannot keep the pages in a temporary file: ") + problem;
}

void TextDocument::append(int position, const QString& text)
{
    // The engine's own error page is nothing of the site: the part says why the page failed
    // instead, once its outcome has come (right after it).
    if (m_pages.showsEngineError(position))
        return;
    if (!m_spool)
        return writePartsUpTo(position, text);
    if (!m_error.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    // Flushed at once: a full disk shows with the page that found it.
    if (m_spool->write(bytes) != bytes.size() || !m_spool->flush())
        return failed(QStringLiteral("Cannot keep the pages in a temporary file"), *m_spool);
    m_spooled.append({position, bytes.size()});
}

void TextDocument::finish(std::chrono::milliseconds)
{
    if (m_spool && m_error.isEmpty()) {
        // Every part's anchor is known before the first is written, so that links lead forward.
        if (m_contents && m_format == TextFormat::Markdown)
            anchor(QStringLiteral("Contents"));
        nameAnchors(m_pages.count());
        if (m_contents)
            writeContents();
        if (!m_spool->seek(0))
            failed(QStringLiteral("Cannot read the pages back from a temporary file"), *m_spool);
        for (const auto& [position, size] : std::as_const(m_spooled)) {
            const QByteArray bytes = m_spool->read(size);
            if (bytes.size() != size)
                failed(QStringLiteral("Cannot read the pages back from a temporary file"),
                       *m_spool);
            writePartsUpTo(position, QString::fromUtf8(bytes));
        }
    }
    writePartsUpTo(m_pages.count() + 1, {});
    // Nothing of a broken document is made final: the old file stays.
    if (!m_error.isEmpty())
        throw AppError(75, m_error);
    if (m_complete)
        m_complete();
}

void TextDocument::writePartsUpTo(int position, const QString& text)
{
    while (m_written + 1 < position && m_written < m_pages.count())
        writePart(m_written + 1, {});
    if (position <= m_pages.count())
        writePart(position, text);
}

void TextDocument::writePart(int position, const QString& text)
{
    nameAnchors(position);
    const auto [title, address] = partHeading(position);
    const QString failure = m_failures.take(position).second;
    QString body = text.trimmed();
    if (body.isEmpty())
        body = QStringLiteral("This page gave nothing: %1")
                   .arg(failure.isEmpty() ? QStringLiteral("the page gave no content") : failure);
    if (m_format == TextFormat::Markdown) {
        QString heading = markdownText(title);
        body = withForwardAnchors(position, heading, decided(body));
        write(QStringLiteral("# %1\n<%2>\n\n%3\n\n").arg(heading, markdownAddress(address), body));
    }
    else
        write(QStringLiteral("%1\n%2\n\n%3\n\n\n").arg(title, address, body));
    m_written = position;
}

QPair<QString, QString> TextDocument::partHeading(int position) const
{
    // The engine's error page names neither: the part goes by the address as listed.
    const QString failedAddress = m_failures.value(position).first;
    if (!failedAddress.isEmpty() && m_pages.showsEngineError(position))
        return {failedAddress, failedAddress};
    return {m_pages.title(position), m_pages.address(position)};
}

void TextDocument::writeContents()
{
    QString list = m_format == TextFormat::Markdown ? QStringLiteral("# Contents\n\n")
                                                    : QStringLiteral("Contents\n\n");
    for (int position = 1; position <= m_pages.count(); ++position) {
        const QString title = partHeading(position).first;
        list += m_format == TextFormat::Markdown
                    ? QStringLiteral("%1. [%2](#%3)\n")
                          .arg(position)
                          .arg(markdownText(title), m_partAnchors.value(position))
                    : QStringLiteral("%1. %2\n").arg(position).arg(title);
    }
    write(list +
          (m_format == TextFormat::Markdown ? QStringLiteral("\n") : QStringLiteral("\n\n")));
}

void TextDocument::nameAnchors(int position)
{
    for (; m_named < position && m_named < m_pages.count(); ++m_named) {
        const int part = m_named + 1;
        m_partAnchors.insert(part, anchor(partHeading(part).first));
        for (const Heading& heading : m_pages.headings(part))
            m_headingAnchors.insert(heading.id, anchor(heading.text));
    }
}

QString TextDocument::anchor(const QString& heading)
{
    // A second heading of the same text gets -1, a third -2, as the renderer numbers them.
    const QString base = headingAnchor(heading);
    const int uses = m_anchorUses[base]++;
    return uses == 0 ? base : QStringLiteral("%1-%2").arg(base).arg(uses);
}

QString TextDocument::decided(const QString& text)
{
    QString out;
    qsizetype from = 0;
    for (Marker marker; (marker = nextMarker(text, m_pages.token(), from)).at >= 0;
         from = marker.end) {
        out += QStringView(text).mid(from, marker.at - from);
        out += marker.kind == QLatin1Char('a') ? linkTo(marker.address)
                                               : markdownAddress(marker.address);
    }
    return out + text.mid(from);
}

QString TextDocument::linkTo(const QString& address)
{
    const QUrl url(address);
    const int position = m_pages.pageAt(url);
    if (!position)
        return markdownAddress(address);
    if (!m_partAnchors.contains(position)) {
        const QString anchor = forwardAnchor(position, url.fragment(QUrl::FullyDecoded));
        m_forwardAnchors[position].insert(anchor);
        return QLatin1Char('#') + anchor;
    }
    const QString heading = m_headingAnchors.value(
        QStringLiteral("p%1-%2").arg(position).arg(url.fragment(QUrl::FullyDecoded)));
    return QLatin1Char('#') + (heading.isEmpty() ? m_partAnchors.value(position) : heading);
}

QString TextDocument::withForwardAnchors(int position, QString& title, const QString& body)
{
    const QSet<QString> wanted = m_forwardAnchors.take(position);
    if (wanted.isEmpty())
        return body;
    QSet<QString> placed;
    // Each heading named by a link finds its line among the part's headings in order; what cannot
    // be found (no heading, or one whose line shows its text otherwise) has its anchor on the
    // part's title.
    static const QRegularExpression atxHeading(QStringLiteral(R"(^(#{1,6}) +(.*?)(?: +#+)? *$)"));
    static const QRegularExpression fence(QStringLiteral(R"(^ {0,3}(```|~~~))"));
    QStringList lines = body.split(QLatin1Char('\n'));
    qsizetype line = 0;
    const QString prefix = forwardAnchor(position) + QLatin1Char('-');
    for (const Heading& heading : m_pages.headings(position)) {
        if (!heading.id.startsWith(prefix))
            continue;
        const QString anchor = forwardAnchor(position, heading.id.mid(prefix.size()));
        if (!wanted.contains(anchor))
            continue;
        QString openFence;
        for (qsizetype at = line; at < lines.size() && !placed.contains(anchor); ++at) {
            if (const auto match = fence.match(lines[at]); match.hasMatch()) {
                if (openFence.isEmpty())
                    openFence = match.captured(1);
                else if (match.captured(1) == openFence)
                    openFence.clear();
                continue;
            }
            const auto match = atxHeading.match(lines[at]);
            if (!openFence.isEmpty() || !match.hasMatch() ||
                headingText(match.captured(2)) != heading.text.simplified())
                continue;
            lines[at].insert(match.capturedLength(1) + 1,
                             QStringLiteral("<a id=\"%1\"></a>").arg(anchor));
            line = at + 1;
            placed.insert(anchor);
        }
    }
    QStringList onTitle(wanted.begin(), wanted.end());
    onTitle.sort();
    for (const QString& anchor : std::as_const(onTitle))
        if (!placed.contains(anchor))
            title.prepend(QStringLiteral("<a id=\"%1\"></a>").arg(anchor));
    return lines.join(QLatin1Char('\n'));
}

void TextDocument::write(const QString& text)
{
    if (!m_error.isEmpty())
        return;
    const QByteArray bytes = m_encoder.encode(text);
    // Flushed at once: a reader at the other end of a pipe sees each part as it is written.
    if (m_out.write(bytes) != bytes.size() || !m_out.flush())
        failed(QStringLiteral("Cannot write the joined document"), m_out);
}

void TextDocument::failed(const QString& doing, const QIODevice& device)
{
    if (m_error.isEmpty())
        m_error = doing + QStringLiteral(": ") + shortfallOf(device);
}

} // namespace join
