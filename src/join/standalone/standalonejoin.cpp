#include "standalonejoin.h"

#include "imagefetch.h"
#include "imagestore.h"
#include "looksheet.h"
#include "standalonecopy.h"
#include "standalonedocument.h"
#include "standalonepages.h"

namespace join {

StandaloneCopying::StandaloneCopying(const QStringList& addresses,
                                     const StandaloneSettings& settings,
                                     std::function<void(const QString&)> warn, QString serialiser,
                                     QString fate)
    : m_pages(std::make_unique<StandalonePages>(addresses)),
      m_images(std::make_unique<ImageStore>(settings.maxResourceBytes, std::move(warn),
                                            std::move(fate))),
      m_looks(std::make_unique<LookSheet>()), m_fetch(std::make_unique<ImageFetch>(*m_images)),
      m_copy(std::make_unique<StandaloneCopy>(*m_pages, *m_images, *m_looks, *m_fetch,
                                              settings.outlineDepth, std::move(serialiser),
                                              settings.fetchImages))
{
}

StandaloneCopying::~StandaloneCopying() = default;

PageCopy& StandaloneCopying::copy()
{
    return *m_copy;
}

StandaloneJoin::StandaloneJoin(const QStringList& addresses, const StandaloneSettings& settings,
                               QFileDevice& out, std::function<void()> complete,
                               std::function<void(const QString&)> warn)
    : m_copying(addresses, settings, std::move(warn)),
      m_document(std::make_unique<StandaloneDocument>(
          out, std::move(complete), m_copying.pages(), m_copying.images(), m_copying.looks(),
          settings.contents || settings.wholeAtTheEnd, settings.contents))
{
}

StandaloneJoin::~StandaloneJoin() = default;

JoinResult& StandaloneJoin::result()
{
    return *m_document;
}

} // namespace join
