#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace join {

// A heading of a joined page, for a book's outline: h1 is level 1. Its id is the one it has in the
// joined document.
struct Heading
{
    int level = 1;
    QString text;
    QString id;
};

// What a standalone join knows of its pages: the address each was asked for, known up front, and
// where each ended (after redirects) and its title, known once it has been copied. A link to
// either address leads to the page's section of the file.
class StandalonePages
{
public:
    explicit StandalonePages(const QStringList& addresses);

    int count() const { return static_cast<int>(m_asked.size()); }
    // A page found as the join goes (a chain of next links), after the others.
    void add(const QString& address);
    // Marks what the copies leave for the program to decide; this run's alone, so that no text
    // of a page can pass for one.
    const QString& token() const { return m_token; }

    // The page at position has been copied: it ended at address, titled title. The engine's own
    // error page is no address of the page: the page keeps the address it was asked for.
    void copied(int position, const QString& address, const QString& title);
    // The page at position failed: what it showed (the server's or the engine's error page)
    // names nothing, so it is named by its address as asked, with no headings.
    void failed(int position);
    // The page showed the engine's own error page (it could not be reached): nothing of a site.
    bool showsEngineError(int position) const { return m_engineErrors.contains(position); }
    // Its headings, in document order, as far as the outline reaches.
    void setHeadings(int position, QList<Heading> headings);
    QList<Heading> headings(int position) const { return m_headings.value(position); }
    // The position of the page that a link to url leads to, 0 when it is no page of the join.
    int pageAt(const QUrl& url) const;
    // Where the page ended, while not known yet where it was asked for.
    QString address(int position) const;
    // Its title; its address when it has none.
    QString title(int position) const;

private:
    QStringList m_asked;
    QHash<QString, int> m_positions; // by the address without fragment, asked or ended
    QHash<int, QString> m_ended;
    QSet<int> m_engineErrors;
    QHash<int, QString> m_titles;
    QHash<int, QList<Heading>> m_headings;
    QString m_token;
};

} // namespace join
