#pragma once

#include "join/site/sitesetup.h"

#include <QStringList>
#include <QUrl>

#include <chrono>

namespace join {

// What a sitemap lists, in the order it is written: pages (<urlset>), or the sitemaps of a
// sitemap index (<sitemapindex>).
struct Sitemap
{
    bool isIndex = false;
    QStringList locations;
};

// The sitemap protocol's own limits for one file, which a sitemap is held to: what it may be,
// packed and unpacked, and how many addresses it may list.
constexpr qint64 SitemapMaxBytes = 50 * 1024 * 1024;
constexpr qsizetype SitemapMaxLocations = 50000;

// Fetches a sitemap as the pages would be (user agent, headers, cookies), following redirects,
// and reads it, gzip-compressed or not, as it arrives: within the bound for the whole of it and
// the protocol's limits. Throws AppError saying why when it gives nothing, is not XML or no
// sitemap, or passes a limit (saying which).
Sitemap loadSitemap(const QUrl& url, const SiteSetup& site, std::chrono::milliseconds bound);

} // namespace join
