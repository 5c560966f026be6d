#pragma once

#include "join/engine/eventwait.h"
#include "join/run/pagecopy.h"

#include <QJsonObject>
#include <QSet>
#include <QUrl>

#include <memory>

class QWebChannel;

namespace join {

class ImageFetch;
class ImageStore;
class LookSheet;
class ResourceSink;
class StandalonePages;

// The copy of a page for a joined file that stands on its own (copy/standalone-body.js says what
// it does to the page's markup), with the classes of its look noted in a sheet of the run's. Then
// it fetches the images the page shows that the run has not fetched yet, all within the page's
// bound: those of the page's own origin from its renderer, as the page would (with its cache and
// cookies), and those of other origins, which the page may not read, at once from outside with the
// page's user agent.
class StandaloneCopy : public PageCopy
{
public:
    // Notes each page's headings down to outlineDepth in pages (0: none). serialiser, when given,
    // is a script function that takes the finished copy of the body and answers its markup, for
    // an output that wants it written otherwise than as HTML. Without fetchImages, images stay
    // as their addresses.
    StandaloneCopy(StandalonePages& pages, ImageStore& images, LookSheet& looks, ImageFetch& fetch,
                   int outlineDepth = 0, QString serialiser = {}, bool fetchImages = true);
    ~StandaloneCopy() override;

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override;

private:
    // Notes a web font's face the copy drew text in; answers its address where it is to be
    // fetched.
    QString noteFont(QJsonObject face);
    // Fetches the images of the page at address that the store does not hold yet.
    void fetchImages(SiteBrowser& site, const QStringList& images, const QUrl& address,
                     const QByteArray& userAgent, Clock::time_point deadline);
    // Fetches addresses in the page; answers those the page may not read.
    QStringList fetchInPage(SiteBrowser& site, const QStringList& addresses,
                            std::chrono::milliseconds bound);

    StandalonePages& m_pages;
    ImageStore& m_images;
    LookSheet& m_looks;
    ImageFetch& m_fetch;
    int m_outlineDepth;
    QString m_serialiser;
    bool m_fetchImages;
    QString m_fetchScript;
    std::unique_ptr<ResourceSink> m_sink;
    std::unique_ptr<QWebChannel> m_channel;
    QSet<SiteBrowser*> m_attached;
};

} // namespace join
