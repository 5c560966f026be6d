#include "standalonepages.h"
#include "core/webaddress.h"

#include <QRandomGenerator>

namespace join {
namespace {

// One spelling for the addresses of one page: as a site browser loads what was asked for, and as
// the page resolves a link.
QString pageKey(const QUrl& url)
{
    QUrl key = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    const QString scheme = key.scheme();
    const bool web = isWebAddress(key);
    if (web && key.port() == (scheme == QLatin1String("http") ? 80 : 443))
        key.setPort(-1);
    if (web && key.path().isEmpty())
        key.setPath(QStringLiteral("/"));
    return key.toString(QUrl::FullyEncoded);
}

} // namespace

StandalonePages::StandalonePages(const QStringList& addresses) : m_asked(addresses)
{
    for (int i = 0; i < 4; ++i)
        m_token += QString::number(QRandomGenerator::system()->generate(), 36);
    m_token = QStringLiteral("vj") + m_token;
    // The first of two equal addresses is the one a link leads to.
    for (int position = count(); position >= 1; --position)
        m_positions.insert(pageKey(QUrl::fromUserInput(m_asked[position - 1])), position);
}

void StandalonePages::add(const QString& address)
{
    m_asked.append(address);
    const QString key = pageKey(QUrl::fromUserInput(address));
    if (!m_positions.contains(key))
        m_positions.insert(key, count());
}

void StandalonePages::copied(int position, const QString& address, const QString& title)
{
    if (address.startsWith(QLatin1String("chrome-error:"))) {
        m_engineErrors.insert(position);
    } else if (!address.isEmpty()) {
        m_ended.insert(position, address);
        const QString key = pageKey(QUrl(address));
        const int known = m_positions.value(key);
        if (known == 0 || position < known)
            m_positions.insert(key, position);
    }
    if (!title.trimmed().isEmpty())
        m_titles.insert(position, title.simplified());
}

void StandalonePages::failed(int position)
{
    m_ended.remove(position);
    m_titles.remove(position);
    m_headings.remove(position);
}

void StandalonePages::setHeadings(int position, QList<Heading> headings)
{
    if (!headings.isEmpty())
        m_headings.insert(position, std::move(headings));
}

int StandalonePages::pageAt(const QUrl& url) const
{
    return url.isValid() ? m_positions.value(pageKey(url)) : 0;
}

QString StandalonePages::address(int position) const
{
    return m_ended.value(position, m_asked.value(position - 1));
}

QString StandalonePages::title(int position) const
{
    return m_titles.value(position, address(position));
}

} // namespace join
