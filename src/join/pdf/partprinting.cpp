#include "partprinting.h"

#include "core/apperror.h"
#include "partsource.h"
#include "pdfprinter.h"

#include <QEventLoop>

#include <map>
#include <memory>
#include <utility>

namespace {

// Printed parts held back, for each printer, while an earlier part still prints: enough to keep
// the printers at work past a long part, few enough to bound what is held for the order's sake.
constexpr int HeldPerPrinter = 8;

} // namespace

struct PartPrinting::Queued
{
    QString what;
    QUrl address;
    std::unique_ptr<PdfPrinter> printer;
    bool ended = false; // printed or failed, its printer not yet let go
    std::optional<QByteArray> pdf;
    QString failure;
};

PartPrinting::PartPrinting(QWebEngineProfile& profile, PartSource& source,
                           const QPageLayout& layout, std::chrono::milliseconds loadBound,
                           int atOnce, std::function<void(const QString&)> warn)
    : m_profile(profile), m_source(source), m_layout(layout), m_loadBound(loadBound),
      m_atOnce(qMax(1, atOnce)), m_warn(std::move(warn))
{
}

void PartPrinting::start(Queued& queued, PrintPart part, QEventLoop& loop)
{
    queued.what = part.what;
    queued.address = m_source.offer(std::move(part.html));
    queued.printer = std::make_unique<PdfPrinter>(&m_profile);
    PdfPrinter* printer = queued.printer.get();
    // The entry stays put until it is handed on, after its printer is let go.
    QObject::connect(printer, &PdfPrinter::printed, &loop, [&queued, &loop](const QByteArray& pdf) {
        queued.pdf = pdf;
        queued.ended = true;
        loop.quit();
    });
    QObject::connect(printer, &PdfPrinter::failed, &loop, [&queued, &loop](const QString& why) {
        queued.failure = why;
        queued.ended = true;
        loop.quit();
    });
    QObject::connect(printer, &PdfPrinter::notReady, &loop, [this, what = part.what] {
        if (m_warn)
            m_warn(QStringLiteral("the fonts and images of %1 were not all ready for the PDF "
                                  "within %2 s; they are printed as they stood")
                       .arg(what)
                       .arg(m_loadBound.count() / 1000.0));
    });
    printer->start(queued.address, part.prepare, m_layout, m_loadBound);
}

void PartPrinting::print(const std::function<std::optional<PrintPart>()>& next,
                         const std::function<void(const QByteArray&)>& printed)
{
    std::map<int, Queued> queue; // by the parts' order; the first is the next to hand on
    int given = 0;
    int printing = 0;
    bool exhausted = false;
    QEventLoop loop;
    // Withdraws every part still offered, however this ends; the printers go with the queue.
    struct Withdraw
    {
        std::map<int, Queued>& queue;
        PartSource& source;
        ~Withdraw()
        {
            for (const auto& [order, queued] : queue)
                source.withdraw(queued.address);
        }
    } withdraw{queue, m_source};

    const auto startMore = [&] {
        while (!exhausted && printing < m_atOnce &&
               int(queue.size()) < m_atOnce * (1 + HeldPerPrinter)) {
            std::optional<PrintPart> part = next();
            exhausted = !part;
            if (part) {
                start(queue[given++], *std::move(part), loop);
                ++printing;
            }
        }
    };

    startMore();
    while (!queue.empty()) {
        // Once the application has been told to quit, exec() returns at once: nothing would
        // end the wait.
        if (loop.exec() < 0)
            throw AppError(QStringLiteral("cannot print %1 to PDF: the program is quitting")
                               .arg(queue.begin()->second.what));
        // Outside the printers' signals, so that they can be let go here.
        for (auto& [order, queued] : queue)
            if (queued.ended && queued.printer) {
                queued.printer.reset();
                --printing;
                if (!queued.pdf)
                    throw AppError(QStringLiteral("cannot print %1 to PDF: %2")
                                       .arg(queued.what, queued.failure));
            }
        while (!queue.empty() && queue.begin()->second.pdf) {
            const QByteArray pdf = *std::move(queue.begin()->second.pdf);
            m_source.withdraw(queue.begin()->second.address);
            queue.erase(queue.begin());
            printed(pdf);
        }
        startMore();
    }
}

QByteArray PartPrinting::printOne(PrintPart part)
{
    std::optional<PrintPart> next = std::move(part);
    QByteArray pdf;
    print([&next] { return std::exchange(next, std::nullopt); },
          [&pdf](const QByteArray& printed) { pdf = printed; });
    return pdf;
}
