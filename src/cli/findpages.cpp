#include "findpages.h"

#include "core/apperror.h"
#include "join/content/contentrule.h"
#include "join/find/pagefinder.h"

#include <cstdio>

namespace cli {
namespace {

void printLine(std::FILE* stream, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The selectors the options give, each with the option that gives it.
QList<QPair<QString, QString>> selectorsOf(const Options& options)
{
    QList<QPair<QString, QString>> selectors;
    for (const FoundPagesAt& found : options.find.requests) {
        if (!found.request.selector.isEmpty())
            selectors.append({found.request.kind == join::FindRequest::Kind::Next
                                  ? QStringLiteral("--next")
                                  : QStringLiteral("--links-in"),
                              found.request.selector});
    }
    for (const QString& selector : options.content.select)
        selectors.append({QStringLiteral("--select"), selector});
    for (const QString& selector : options.content.exclude)
        selectors.append({QStringLiteral("--exclude"), selector});
    return selectors;
}

} // namespace

std::optional<int> findPages(Options& options, std::unique_ptr<join::PageFinder>& chain,
                             QWebEngineProfile* profile)
{
    if (const QList<QPair<QString, QString>> selectors = selectorsOf(options);
        !selectors.isEmpty()) {
        const QStringList invalid = join::invalidSelectors(selectors);
        if (!invalid.isEmpty()) {
            printLine(stderr, QStringLiteral("vantrel-join: not a selector: %1\nTry 'vantrel-join "
                                             "--help' for more information.")
                                  .arg(invalid.join(QStringLiteral(", "))));
            return UsageError;
        }
    }
    join::FindSettings settings = options.find.settings;
    settings.site = options.reader.site;
    settings.pageBound = options.timeout;
    settings.profile = profile;
    auto finder = std::make_unique<join::PageFinder>(settings, [](const QString& note) {
        printLine(stderr, QStringLiteral("vantrel-join: warning: ") + note);
    });
    // In command-line order, so that a page found by two sources joins where it was found first.
    qsizetype inserted = 0;
    for (const FoundPagesAt& found : std::as_const(options.find.requests)) {
        // A chain with nothing after it is walked as it joins: each page loads once.
        const bool last = &found == &options.find.requests.constLast() &&
                          found.index + inserted == options.addresses.size();
        try {
            if (found.request.kind == join::FindRequest::Kind::Next && last &&
                !options.find.listOnly) {
                options.addresses.append(finder->startChain(found.request));
                chain = std::move(finder);
                return std::nullopt;
            }
            const QStringList pages = finder->find(found.request);
            for (const QString& page : pages)
                options.addresses.insert(found.index + inserted++, page);
        } catch (const AppError& error) {
            printLine(stderr, QStringLiteral("vantrel-join: ") + error.description());
            return SomePagesFailed;
        }
    }
    if (options.find.listOnly) {
        for (const QString& address : std::as_const(options.addresses))
            printLine(stdout, address);
        return AllPagesJoined;
    }
    return std::nullopt;
}

} // namespace cli
