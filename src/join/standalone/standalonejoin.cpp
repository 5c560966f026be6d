#include "standalonejoin.h"

#include "resourcecache.h"
#include "standalonecopy.h"
#include "standalonedocument.h"
#include "standalonepages.h"

namespace join {

StandaloneJoin::StandaloneJoin(const QStringList& addresses, const StandaloneSettings& settings,
                               QFileDevice& out, std::function<void()> complete,
                               std::function<void(const QString&)> warn)
    : m_pages(std::make_unique<StandalonePages>(addresses)),
      m_resources(std::make_unique<ResourceCache>(settings.maxResourceBytes, std::move(warn))),
      m_copy(std::make_unique<StandaloneCopy>(*m_pages, *m_resources, settings.outlineDepth)),
      m_document(std::make_unique<StandaloneDocument>(out, std::move(complete), *m_pages,
                                                      *m_resources, settings.contents))
{
}

StandaloneJoin::~StandaloneJoin() = default;

const PageCopy& StandaloneJoin::copy() const
{
    return *m_copy;
}

JoinResult& StandaloneJoin::result()
{
    return *m_document;
}

} // namespace join
