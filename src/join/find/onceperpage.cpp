#include "onceperpage.h"

#include "join/site/sitebrowser.h"
#include "pagescope.h"

namespace join {

OncePerPage::OncePerPage(PageCopy& copy, const QStringList& addresses,
                         std::function<void(const QString&)> note)
    : PageCopy(copy.script()), m_copy(copy), m_addresses(addresses), m_note(std::move(note))
{
    for (qsizetype i = addresses.size() - 1; i >= 0; --i) // the first place of each stays
        m_listed.insert(pageKey(QUrl::fromUserInput(addresses[i])), int(i + 1));
}

void OncePerPage::add(const QString& address)
{
    m_addresses.append(address);
    const QString key = pageKey(QUrl::fromUserInput(address));
    if (!m_listed.contains(key))
        m_listed.insert(key, int(m_addresses.size()));
}

QString OncePerPage::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    const QUrl loaded = site.loadedUrl();
    const QString key = pageKey(loaded);
    const int listedAt = m_listed.value(key, position);
    const int copiedAt = m_copied.value(key, position);
    if (!loaded.isEmpty() && (listedAt != position || copiedAt != position)) {
        // Named as the user gave it, which is what they can find in their list.
        const QString given = m_addresses.value(position - 1);
        const int other = listedAt != position ? listedAt : copiedAt;
        m_note(pageKey(QUrl::fromUserInput(given)) == key
                   ? QStringLiteral("page %1 (%2) is page %3: not joined twice")
                         .arg(position)
                         .arg(given)
                         .arg(other)
                   : QStringLiteral("page %1 (%2) leads to %3, page %4: not joined twice")
                         .arg(position)
                         .arg(given, loaded.toString())
                         .arg(other));
        // Copied all the same as far as the site browser can tell: nothing else is copied for it.
        site.markCurrentPageCopied(bound);
        return {};
    }
    m_copied.insert(key, position);
    return m_copy.copyFrom(site, position, bound);
}

} // namespace join
