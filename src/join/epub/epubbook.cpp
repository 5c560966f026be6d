#include "epubbook.h"

#include "bookimages.h"
#include "core/apperror.h"
#include "join/engine/resourcetext.h"
#include "join/standalone/imagestore.h"
#include "join/standalone/looksheet.h"
#include "join/standalone/standalonepages.h"
#include "xhtmlchapter.h"
#include "zipwriter.h"

#include <QDateTime>
#include <QUrl>
#include <QUuid>

namespace join {
namespace {

// Where the package's parts lie in the archive.
const QString Folder = QStringLiteral("EPUB/");

} // namespace

EpubBook::EpubBook(QIODevice& out, std::function<void()> complete, const StandalonePages& pages,
                   ImageStore& resources, const LookSheet& looks, BookSettings settings,
                   std::function<void(const QString&)> warn)
    : m_zip(std::make_unique<ZipWriter>(out)), m_complete(std::move(complete)), m_pages(pages),
      m_store(resources), m_looks(looks),
      m_images(std::make_unique<BookImages>(resources, *m_zip, Folder, std::move(warn))),
      m_settings(std::move(settings)),
      m_identifier(QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

EpubBook::~EpubBook() = default;

bool EpubBook::broken() const
{
    return !m_zip->error().isEmpty() || !m_store.failure().isEmpty();
}

void EpubBook::pageFailed(int position, const QString& address, const QString& failure)
{
    if (failure.isEmpty())
        return;
    if (position > m_written)
        m_failures.insert(position, {address, failure});
    else // its chapter is the server's error page, which names nothing of the book
        m_failedTitles.insert(position, address);
}

void EpubBook::add(const QString& name, const QByteArray& bytes, bool compressed)
{
    if (!m_zip->add(name, bytes, compressed))
        throw AppError(75, QStringLiteral("Cannot write the book: ") + m_zip->error());
}

void EpubBook::begin(std::chrono::milliseconds)
{
    // First and stored, so that the file says what it is at a fixed place.
    add(QStringLiteral("mimetype"), "application/epub+zip", false);
    add(QStringLiteral("META-INF/container.xml"),
        containerDocument(Folder + QStringLiteral("package.opf")));
}

void EpubBook::append(int position, const QString& text)
{
    // The engine's own error page is nothing of the site: the chapter says why the page failed
    // instead, once its outcome has come (right after it).
    if (m_pages.showsEngineError(position))
        return;
    writeChaptersUpTo(position, text);
}

void EpubBook::finish(std::chrono::milliseconds)
{
    writeChaptersUpTo(m_pages.count() + 1, {});
    // The web fonts the classes name, as files of the book.
    const QString faces = m_looks.faces().rules(
        0, [this](const FontFace& face) { return m_images->placeFont(face.address); });
    add(Folder + QStringLiteral("book.css"),
        (resourceText(QStringLiteral(":/join/book.css")) + faces + m_looks.rules()).toUtf8());
    const BookMetadata book = metadata();
    add(Folder + QStringLiteral("nav.xhtml"),
        navigationDocument(book, m_pages, m_failedTitles).toUtf8());
    add(Folder + QStringLiteral("package.opf"),
        packageDocument(book, m_pages.count(), m_images->items(), m_properties,
                        m_settings.contentsPage)
            .toUtf8());
    // A store that could not keep an image would leave the book without it, silently.
    if (!m_store.failure().isEmpty())
        throw AppError(75, m_store.failure());
    if (!m_zip->close())
        throw AppError(75, QStringLiteral("Cannot write the book: ") + m_zip->error());
    if (m_complete)
        m_complete();
}

void EpubBook::writeChaptersUpTo(int position, const QString& text)
{
    while (m_written + 1 < position)
        writeChapter(m_written + 1, {});
    if (position <= m_pages.count())
        writeChapter(position, text);
}

void EpubBook::writeChapter(int position, const QString& text)
{
    ChapterFrame frame{position, m_pages.title(position), m_pages.address(position),
                       m_language.isEmpty() ? QStringLiteral("en") : m_language};
    const auto [failedAddress, failure] = m_failures.take(position);
    if (text.isEmpty() && !failedAddress.isEmpty()) {
        frame.title = frame.source = failedAddress;
        m_failedTitles.insert(position, failedAddress);
    }
    XhtmlChapter chapter;
    if (!text.isEmpty()) {
        const ChapterDecisions decisions{
            m_pages.token(),
            [this, position](const QString& address, const QSet<QString>& ownIds) {
                return linkTo(address, position, ownIds);
            },
            [this](const QString& address) { return m_images->place(address); }};
        chapter = xhtmlChapter(text, frame, decisions);
    }
    if (chapter.document.isEmpty())
        chapter.document = failedChapter(
            frame, failure.isEmpty() ? QStringLiteral("the page gave no content") : failure);
    if (position == 1)
        m_language = chapter.language.isEmpty() ? QStringLiteral("en") : chapter.language;
    QStringList properties;
    if (chapter.svg)
        properties.append(QStringLiteral("svg"));
    if (chapter.mathml)
        properties.append(QStringLiteral("mathml"));
    if (!properties.isEmpty())
        m_properties.insert(position, properties.join(QLatin1Char(' ')));
    QString anchors;
    for (const QString& id : m_promised.take(position))
        if (!chapter.ids.contains(id)) {
            anchors += QStringLiteral("<span id=\"%1\"></span>").arg(id.toHtmlEscaped());
            chapter.ids.insert(id);
        }
    chapter.document.insert(chapter.document.lastIndexOf(QLatin1String("</section>")), anchors);
    m_ids.insert(position, chapter.ids);
    add(Folder + chapterFile(position), chapter.document.toUtf8());
    m_written = position;
}

QString EpubBook::linkTo(const QString& address, int from, const QSet<QString>& ownIds)
{
    const QUrl url(address);
    const int position = m_pages.pageAt(url);
    if (!position)
        return address;
    const QString file = chapterFile(position);
    const QString fragment = url.fragment(QUrl::FullyDecoded);
    if (fragment.isEmpty())
        return file;
    const QString id = xmlId(QStringLiteral("p%1-%2").arg(position).arg(fragment));
    if (position > from)
        m_promised[position].insert(id);
    else if (!(position == from ? ownIds : m_ids.value(position)).contains(id))
        return file;
    return file + QLatin1Char('#') + id;
}

BookMetadata EpubBook::metadata() const
{
    return {
        m_settings.title.isEmpty() ? m_failedTitles.value(1, m_pages.title(1)) : m_settings.title,
        m_settings.author, m_language.isEmpty() ? QStringLiteral("en") : m_language, m_identifier,
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"))};
}

} // namespace join
