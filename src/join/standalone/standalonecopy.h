#pragma once

#include "join/run/pagecopy.h"

#include <QSet>
#include <QWebChannel>

#include <memory>

namespace join {

class ResourceCache;
class ResourceSink;
class StandalonePages;

// The copy of a page for a joined file that stands on its own (copy/standalone-body.js says what
// it does to the page's markup). Then it fetches the images the page shows that the run has not
// fetched yet: from the page's renderer, as the page would, where the page may read them, and
// otherwise from outside with the page's user agent, all within the page's bound.
class StandaloneCopy : public PageCopy
{
public:
    // Notes each page's headings down to outlineDepth in pages (0: none). serialiser, when given,
    // is a script function that takes the finished copy of the body and answers its markup, for
    // an output that wants it written otherwise than as HTML.
    StandaloneCopy(StandalonePages& pages, ResourceCache& resources, int outlineDepth = 0,
                   QString serialiser = {});
    ~StandaloneCopy() override;

    QString copyFrom(SiteBrowser& site, int position,
                     std::chrono::milliseconds bound) const override;

private:
    // Fetches addresses in the page; answers those the page may not read.
    QStringList fetchInPage(SiteBrowser& site, const QStringList& addresses,
                            std::chrono::milliseconds bound) const;

    StandalonePages& m_pages;
    ResourceCache& m_resources;
    int m_outlineDepth;
    QString m_serialiser;
    QString m_fetchScript;
    std::unique_ptr<ResourceSink> m_sink;
    std::unique_ptr<QWebChannel> m_channel;
    mutable QSet<SiteBrowser*> m_attached;
};

} // namespace join
