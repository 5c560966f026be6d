#include "epubjoin.h"

#include "join/engine/resourcetext.h"

namespace join {

EpubJoin::EpubJoin(const QStringList& addresses, const StandaloneSettings& standalone,
                   const BookSettings& book, QIODevice& out, std::function<void()> complete,
                   std::function<void(const QString&)> warn)
    : m_copying(addresses, standalone, warn,
                resourceText(QStringLiteral(":/join/copy/xhtml-body.js")),
                QStringLiteral("is left out of the book")),
      m_book(std::make_unique<EpubBook>(out, std::move(complete), m_copying.pages(),
                                        m_copying.images(), m_copying.looks(), book,
                                        std::move(warn)))
{
}

EpubJoin::~EpubJoin() = default;

} // namespace join
