#include "textjoin.h"

#include "join/engine/resourcetext.h"

namespace join {
namespace {

// Every heading is noted, so that a link to any of them lands on its anchor.
constexpr int AllHeadings = 6;

StandaloneSettings textSettings(StandaloneSettings settings)
{
    settings.outlineDepth = AllHeadings;
    settings.fetchImages = false;
    return settings;
}

// The copy's serialiser: the script of the format's own with what it needs of a library ahead of
// it, inside a function of its own so that nothing is left behind in the page's world.
QString serialiser(TextFormat format)
{
    if (format == TextFormat::Plain)
        return resourceText(QStringLiteral(":/join/text/plain-body.js")) + QStringLiteral("()");
    // The converter's browser build is a module that hands itself to module.exports where there
    // is one.
    return QStringLiteral("(function () {\nconst module = { exports: {} };\nconst exports = "
                          "module.exports;\n") +
           resourceText(QStringLiteral(":/join/text/turndown.js")) +
           QStringLiteral("\nreturn (\n") +
           resourceText(QStringLiteral(":/join/text/markdown-body.js")) +
           QStringLiteral(")(module.exports);\n})()");
}

} // namespace

TextJoin::TextJoin(const QStringList& addresses, const StandaloneSettings& standalone,
                   TextFormat format, QFileDevice& out, std::function<void()> complete,
                   std::function<void(const QString&)> warn)
    : m_copying(addresses, textSettings(standalone), std::move(warn), serialiser(format)),
      m_document(std::make_unique<TextDocument>(out, std::move(complete), m_copying.pages(), format,
                                                standalone.contents || standalone.wholeAtTheEnd,
                                                standalone.contents))
{
}

TextJoin::~TextJoin() = default;

} // namespace join
