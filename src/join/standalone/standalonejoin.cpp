#include "standalonejoin.h"

#include "imagefetch.h"
#include "imagestore.h"
#include "standalonecopy.h"
#include "standalonedocument.h"
#include "standalonepages.h"

namespace join {

StandaloneJoin::StandaloneJoin(const QStringList& addresses, const StandaloneSettings& settings,
                               QFileDevice& out, std::function<void()> complete,
                               std::function<void(const QString&)> warn)
    : m_pages(std::make_unique<StandalonePages>(addresses)),
      m_images(std::make_unique<ImageStore>(settings.maxResourceBytes, std::move(warn))),
      m_fetch(std::make_unique<ImageFetch>(*m_images)),
      m_copy(
          std::make_unique<StandaloneCopy>(*m_pages, *m_images, *m_fetch, settings.outlineDepth)),
      m_document(std::make_unique<StandaloneDocument>(out, std::move(complete), *m_pages, *m_images,
                                                      settings.contents || settings.wholeAtTheEnd,
                                                      settings.contents))
{
}

StandaloneJoin::~StandaloneJoin() = default;

PageCopy& StandaloneJoin::copy()
{
    return *m_copy;
}

JoinResult& StandaloneJoin::result()
{
    return *m_document;
}

} // namespace join
