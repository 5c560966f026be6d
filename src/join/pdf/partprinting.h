#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class PartSource;
class QEventLoop;
class QWebEngineProfile;

// One part of a document to print: its HTML, the script that readies it for print, and what a
// failure calls it ("page 3 (https://…)").
struct PrintPart
{
    QByteArray html;
    QString prepare;
    QString what;
};

// Prints parts each in a printer of its own, which is let go with its renderer once the part is
// printed, up to a number of printers at once; the PDFs are handed on in the order of the parts.
class PartPrinting
{
public:
    PartPrinting(QWebEngineProfile& profile, PartSource& source, const QPageLayout& layout,
                 std::chrono::milliseconds loadBound, int atOnce,
                 std::function<void(const QString&)> warn);

    // Prints the parts next() gives until it gives none, handing each one's PDF to printed().
    // Throws AppError naming the first part that could not be printed; those still printing are
    // let go then. What next() or printed() throws comes out the same way.
    void print(const std::function<std::optional<PrintPart>()>& next,
               const std::function<void(const QByteArray&)>& printed);
    // Prints one part alone: its PDF.
    QByteArray printOne(PrintPart part);

private:
    struct Queued;
    // Offers the part and starts its printer, which tells queued and quits loop when it ends.
    void start(Queued& queued, PrintPart part, QEventLoop& loop);

    QWebEngineProfile& m_profile;
    PartSource& m_source;
    const QPageLayout m_layout;
    const std::chrono::milliseconds m_loadBound;
    const int m_atOnce;
    const std::function<void(const QString&)> m_warn;
};
