#pragma once

#include "join/site/sitesetup.h"

#include <QByteArray>
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

// Reads a sitemap, gzip-compressed or not. Throws AppError saying why when it is not XML or no
// sitemap.
Sitemap readSitemap(const QByteArray& bytes);

// Fetches a sitemap as the pages would be (user agent, headers, cookies), following redirects,
// within the bound. Throws AppError saying why when it gives nothing.
QByteArray fetchSitemap(const QUrl& url, const SiteSetup& site, std::chrono::milliseconds bound);

} // namespace join
