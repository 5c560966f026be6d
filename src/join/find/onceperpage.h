#pragma once

#include "join/run/pagecopy.h"

#include <QHash>
#include <QStringList>

#include <functional>

namespace join {

// A page's copy that joins each page once: an address whose load ended at a page listed at
// another position, or copied already, gives nothing (told through note()), and the page joins
// at its own place in the list. Addresses are compared as pageKey() has them.
class OncePerPage : public PageCopy
{
public:
    OncePerPage(PageCopy& copy, const QStringList& addresses,
                std::function<void(const QString&)> note);

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override;
    // An address found as the join goes, after the others.
    void add(const QString& address);

private:
    PageCopy& m_copy;
    QStringList m_addresses;
    QHash<QString, int> m_listed; // the first position of each page in the list
    QHash<QString, int> m_copied;
    std::function<void(const QString&)> m_note;
};

} // namespace join
