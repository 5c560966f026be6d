#include "epubjoin.h"

#include "join/engine/resourcetext.h"
#include "join/standalone/imagefetch.h"
#include "join/standalone/imagestore.h"
#include "join/standalone/standalonecopy.h"
#include "join/standalone/standalonepages.h"

namespace join {
namespace {

// The cache names an image it could not have as left as an address; in a book it is left out.
std::function<void(const QString&)> bookWarnings(std::function<void(const QString&)> warn)
{
    return [warn = std::move(warn)](const QString& warning) {
        if (!warn)
            return;
        QString text = warning;
        warn(text.replace(QLatin1String(" is left as an address: "),
                          QLatin1String(" is left out of the book: ")));
    };
}

} // namespace

EpubJoin::EpubJoin(const QStringList& addresses, const StandaloneSettings& standalone,
                   const BookSettings& book, QIODevice& out, std::function<void()> complete,
                   std::function<void(const QString&)> warn)
    : m_pages(std::make_unique<StandalonePages>(addresses)),
      m_resources(std::make_unique<ImageStore>(standalone.maxResourceBytes, bookWarnings(warn))),
      m_fetch(std::make_unique<ImageFetch>(*m_resources)),
      m_copy(std::make_unique<StandaloneCopy>(
          *m_pages, *m_resources, *m_fetch, standalone.outlineDepth,
          resourceText(QStringLiteral(":/join/copy/xhtml-body.js")))),
      m_book(std::make_unique<EpubBook>(out, std::move(complete), *m_pages, *m_resources, book,
                                        bookWarnings(warn)))
{
}

EpubJoin::~EpubJoin() = default;

PageCopy& EpubJoin::copy()
{
    return *m_copy;
}

} // namespace join
