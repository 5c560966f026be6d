#include "xhtmlchapter.h"

#include "join/standalone/markers.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace join {
namespace {

// XML 1.0's NameStartChar and NameChar (a surrogate passes: its pair lies in the range allowed).
bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    const auto in = [u](char16_t from, char16_t to) { return u >= from && u <= to; };
    return in(u'a', u'z') || in(u'A', u'Z') || u == u'_' || in(0xC0, 0xD6) || in(0xD8, 0xF6) ||
           in(0xF8, 0x2FF) || in(0x370, 0x37D) || in(0x37F, 0x1FFF) || in(0x200C, 0x200D) ||
           in(0x2070, 0x218F) || in(0x2C00, 0x2FEF) || in(0x3001, 0xD7FF) || c.isSurrogate() ||
           in(0xF900, 0xFDCF) || in(0xFDF0, 0xFFFD);
}

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return isNameStart(c) || (u >= u'0' && u <= u'9') || u == u'-' || u == u'.' || u == 0xB7 ||
           (u >= 0x300 && u <= 0x36F) || u == 0x203F || u == 0x2040;
}

// What XML 1.0 allows as characters: the engine serialises controls and lone surrogates as
// they are.
QString xmlCharacters(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if (!c.isSurrogate() && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF &&
                   (c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
                    c == QLatin1Char('\r'))) {
            kept += c;
        }
    }
    return kept;
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

class ChapterWriter
{
public:
    ChapterWriter(const ChapterDecisions& decisions, XhtmlChapter& chapter)
        : m_decisions(decisions), m_chapter(chapter)
    {
    }

    // The ids of the content, mended, in document order; the chapter learns them.
    void collectIds(const QString& content)
    {
        static const QRegularExpression id(QStringLiteral("<[^>]*\\sid=\"([^\"]*)\""));
        for (const auto& match : id.globalMatch(content)) {
            QString mended = xmlId(match.captured(1));
            const QString plain = mended;
            for (int n = 2; m_chapter.ids.contains(mended); ++n)
                mended = plain + QLatin1Char('-') + QString::number(n);
            m_chapter.ids.insert(mended);
            m_ids.append(mended);
        }
    }

    // The content with its tags mended and its markers decided.
    QString written(const QString& content)
    {
        QString out;
        out.reserve(content.size());
        qsizetype from = 0;
        while (from < content.size()) {
            const qsizetype open = content.indexOf(QLatin1Char('<'), from);
            const qsizetype close = open < 0 ? -1 : content.indexOf(QLatin1Char('>'), open);
            if (close < 0) {
                out += decided(content.mid(from));
                break;
            }
            out += decided(content.mid(from, open - from));
            out += tag(QStringView(content).mid(open, close + 1 - open).toString());
            from = close + 1;
        }
        return out;
    }

    // Text with its markers decided: links and images as the book has them, an image left out
    // of a style as none.
    QString decided(const QString& text, QString* leftOutImage = nullptr)
    {
        QString out;
        qsizetype from = 0;
        for (Marker marker; (marker = nextMarker(text, m_decisions.token, from)).at >= 0;
             from = marker.end) {
            out += QStringView(text).mid(from, marker.at - from);
            if (marker.kind == QLatin1Char('a')) {
                out += escaped(m_decisions.link(marker.address, m_chapter.ids));
                continue;
            }
            const QString path = m_decisions.image(marker.address);
            if (!path.isEmpty()) {
                out += escaped(path);
            } else if (marker.kind == QLatin1Char('i')) {
                if (leftOutImage)
                    *leftOutImage = marker.address;
            } else if (out.endsWith(QLatin1String("url(")) &&
                       text.mid(marker.end, 1) == QLatin1String(")")) {
                // url(...) of an image left out: none
                out.chop(4);
                out += QLatin1String("none");
                ++marker.end;
            }
        }
        out += QStringView(text).mid(from);
        return out;
    }

private:
    QString tag(const QString& tag)
    {
        if (tag.startsWith(QLatin1String("</")) || tag.startsWith(QLatin1String("<!")) ||
            tag.startsWith(QLatin1String("<?")))
            return tag;
        static const QRegularExpression nameEnd(QStringLiteral("[\\s/>]"));
        const QString name = tag.mid(1, tag.indexOf(nameEnd, 1) - 1);
        if (name == QLatin1String("svg"))
            m_chapter.svg = true;
        else if (name == QLatin1String("math"))
            m_chapter.mathml = true;
        static const QRegularExpression attribute(QStringLiteral("(\\s)([^\\s=/>]+)=\"([^\"]*)\""));
        QString out;
        QString leftOut;
        QString alt;
        qsizetype from = 0;
        for (const auto& match : attribute.globalMatch(tag)) {
            out += QStringView(tag).mid(from, match.capturedStart() - from);
            from = match.capturedEnd();
            const QString attributeName = match.captured(2);
            QString value = match.captured(3);
            if (attributeName == QLatin1String("id") && !m_ids.isEmpty()) {
                value = m_ids.takeFirst();
            } else {
                QString imageLeftOut;
                value = decided(value, &imageLeftOut);
                if (!imageLeftOut.isEmpty()) {
                    leftOut = imageLeftOut;
                    continue; // the attribute goes
                }
            }
            if (attributeName == QLatin1String("alt"))
                alt = value;
            out += match.captured(1) + attributeName + QStringLiteral("=\"") + value +
                   QLatin1Char('"');
        }
        out += QStringView(tag).mid(from);
        // An image that is not in the book leaves its text; the alt attribute is escaped already.
        if (!leftOut.isEmpty() && name == QLatin1String("img"))
            return QStringLiteral("<span class=\"image-left-out\">%1</span>").arg(alt);
        return out;
    }

    const ChapterDecisions& m_decisions;
    XhtmlChapter& m_chapter;
    QStringList m_ids; // the mended ids still to write, in document order
};

// The value of the first attribute name="..." in text.
QString attributeValue(const QString& text, const QString& name)
{
    const QRegularExpression attribute(QStringLiteral("\\s%1=\"([^\"]*)\"").arg(name));
    return attribute.match(text).captured(1);
}

QString document(const ChapterFrame& frame, const QString& language, const QString& styles,
                 const QString& content)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
               "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"%1\" xml:lang=\"%1\">\n"
               "<head>\n<title>%2</title>\n"
               "<link rel=\"stylesheet\" type=\"text/css\" href=\"book.css\"/>\n%3</head>\n"
               "<body>\n<section id=\"p%4\">\n<p class=\"source\">%5</p>\n")
               .arg(escaped(language), escaped(frame.title), styles,
                    QString::number(frame.position), escaped(frame.source)) +
           content + QStringLiteral("\n</section>\n</body>\n</html>\n");
}

} // namespace

QString xmlId(const QString& id)
{
    QString name;
    for (const QChar c : id)
        name += isNameChar(c) ? c : QLatin1Char('_');
    if (name.isEmpty() || !isNameStart(name[0]))
        name.prepend(QLatin1Char('_'));
    return name;
}

XhtmlChapter xhtmlChapter(const QString& copy, const ChapterFrame& frame,
                          const ChapterDecisions& decisions)
{
    const QString text = xmlCharacters(copy);
    XhtmlChapter chapter;
    // <html lang><head>styles</head><body>content</body></html>, as the serialiser wrote it.
    const qsizetype headAt = text.indexOf(QLatin1String("<head>"));
    const qsizetype bodyAt = text.indexOf(QLatin1String("</head><body>"));
    const qsizetype endAt = text.lastIndexOf(QLatin1String("</body></html>"));
    if (headAt < 0 || bodyAt < headAt || endAt < bodyAt)
        return chapter;
    chapter.language = attributeValue(text.left(headAt), QStringLiteral("lang"));
    ChapterWriter writer(decisions, chapter);
    const QString content = text.mid(bodyAt + 13, endAt - bodyAt - 13);
    writer.collectIds(content);
    const QString styles = writer.decided(text.mid(headAt + 6, bodyAt - headAt - 6));
    chapter.document =
        document(frame, chapter.language.isEmpty() ? frame.language : chapter.language, styles,
                 writer.written(content));
    return chapter;
}

QString failedChapter(const ChapterFrame& frame, const QString& failure)
{
    return document(frame, frame.language, {},
                    QStringLiteral("<p class=\"failure\">This page was not joined: %1</p>")
                        .arg(escaped(failure)));
}

} // namespace join
