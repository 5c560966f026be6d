#include "joinrun.h"

#include "app/shared/apperror.h"
#include "app/shared/dialogs.h"
#include "app/shared/errorguard.h"
#include "app/shared/progressdisplay.h"
#include "app/shared/windowpointer.h"
#include "outputfiles.h"
#include "urllist/urllist.h"
#include "webbrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <memory>

namespace join {
namespace {

// The joined document lives in the result page as a document of its own with no window: nothing
// in it is ever laid out, painted, fetched or run, so appending stays cheap however much it holds,
// and copied markup cannot change it or reach a server.
const QString CreateJoinedDocument =
    QStringLiteral("window.vantrelJoined = document.implementation.createHTMLDocument(); true");
const QString SerialiseJoinedDocument =
    QStringLiteral("window.vantrelJoined.documentElement.outerHTML");

// Reads the body's markup once per document. A document that was copied before is marked, so a
// load that ended without giving a new document (a download, an aborted load) is not copied twice.
const QString MarkAsCopied = QStringLiteral("window.vantrelCopied = true");
const QString ReadBodyMarkup =
    QStringLiteral("(function () {"
                   "  if (window.vantrelCopied) return 'stale';"
                   "  window.vantrelCopied = true;"
                   "  return document.body ? { markup: document.body.innerHTML } : 'nobody';"
                   "})()");

QString insertScript(const QString& markup)
{
    // Markup travels as a JSON string literal, never as script text.
    const QByteArray literal = QJsonDocument(QJsonArray{markup}).toJson(QJsonDocument::Compact);
    return QStringLiteral("window.vantrelJoined.body.insertAdjacentHTML('beforeend', ") +
           QString::fromUtf8(literal.constData() + 1, literal.size() - 2) +
           QStringLiteral("); true");
}

QString readBodyMarkup(WebBrowser& site, std::chrono::milliseconds bound)
{
    const QVariant answer = site.evaluate(ReadBodyMarkup, bound);
    if (answer.toString() == QLatin1String("stale"))
        throw AppError(QStringLiteral("The address gave no new page to copy"));
    const QVariantMap page = answer.toMap();
    if (!page.contains(QStringLiteral("markup")))
        throw AppError(91, QStringLiteral("The page has no body to copy"));
    return page.value(QStringLiteral("markup")).toString();
}

// Replaces joined.html in one step: a crash or a kill never leaves half a file behind.
void writeJoinedFile(const QString& path, const QString& rootMarkup)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(75, QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
    const QByteArray content = rootMarkup.toUtf8() + QByteArrayLiteral("\r\n");
    if (file.write(content) != content.size() || !file.commit())
        throw AppError(75, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

class JoinRun
{
public:
    JoinRun(const JoinControls& controls, std::chrono::milliseconds pageBound)
        : c(controls), bound(pageBound),
          guard(std::make_shared<ErrorGuard>(controls.dialogs, QStringLiteral("PushButton2_Click")))
    {
    }

    void run(const QString& outputFolder);

private:
    bool refuse(const QString& outputFolder);
    void copyPage();

    const JoinControls& c;
    std::chrono::milliseconds bound;
    // Shared with insertions whose outcome arrives after the statement that sent them.
    std::shared_ptr<ErrorGuard> guard;
};

bool JoinRun::refuse(const QString& outputFolder)
{
    bool refused = false;
    guard->line(100, [&] {
        if (c.list.count() <= 0) {
            c.dialogs.plainMessage(QStringLiteral("No files added."));
            refused = true;
        }
    });
    if (refused)
        return true;
    guard->line(101, [&] {
        if (!FolderExists(outputFolder)) {
            c.dialogs.plainMessage(
                QStringLiteral("Folder does not exist. Please select another folder."));
            refused = true;
        }
    });
    return refused;
}

void JoinRun::copyPage()
{
    const QString markup = readBodyMarkup(c.site, bound);
    std::weak_ptr<ErrorGuard> reportTo = guard;
    c.result.evaluateLater(insertScript(markup), [reportTo](const QVariant& inserted) {
        if (inserted.toBool())
            return;
        if (auto g = reportTo.lock())
            g->fail(115, QStringLiteral("The page could not be added to the joined document"));
    });
}

void JoinRun::run(const QString& outputFolder)
{
    if (refuse(outputFolder))
        return;

    guard->line(102, [&] { c.pointer.setPointerShape(PointerShape::Hourglass); });
    QString outputPath;
    guard->line(103, [&] {
        outputPath =
            FixDoubleBackslashes(outputFolder + QDir::separator() + QStringLiteral("joined.html"));
    });
    guard->line(104, [&] { DeleteFileQuietly(outputPath); });
    guard->line(105, [&] { c.result.navigate(QStringLiteral("about:blank")); });
    guard->line(106, [&] {
        c.result.waitUntilComplete(bound);
        c.result.evaluate(CreateJoinedDocument, bound);
        // Whatever the site browser shows now (nothing yet, or the last run's page) is no page
        // of this run.
        c.site.evaluate(MarkAsCopied, bound);
    });

    int itemCount = 0;
    guard->line(107, [&] { itemCount = c.list.count(); });
    for (int position = 1; position <= itemCount; ++position) {
        QString address;
        guard->line(108, [&] { address = c.list.textAt(position); });
        guard->line(109, [&] {
            // The count now, not the loop bound: items added meanwhile keep the bar below 100.
            const int count = c.list.count();
            if (count == 0)
                throw AppError(11, QStringLiteral("Division by zero"));
            c.progress.setProgressValue(static_cast<double>(position) / count * 100.0);
        });
        guard->line(110, [&] {
            c.progress.setProgressText(QStringLiteral("Processing: ") + ShortDisplayName(address));
        });
        guard->line(111, [&] { QCoreApplication::processEvents(); });
        guard->line(112, [&] { c.pointer.setPointerShape(PointerShape::Hourglass); });
        guard->line(113, [&] { c.site.navigate(address); });
        guard->line(114, [&] { c.site.waitUntilComplete(bound); });
        guard->line(115, [&] { copyPage(); });
        guard->line(116, [&] { c.site.waitUntilComplete(bound); });
    }

    bool written = false;
    guard->line(117, [&] {
        // Queued behind every insertion, so it sees the whole joined document.
        const QVariant markup = c.result.evaluate(SerialiseJoinedDocument, bound);
        if (markup.typeId() != QMetaType::QString)
            throw AppError(QStringLiteral("The joined document is not available"));
        writeJoinedFile(outputPath, markup.toString());
        written = true;
    });
    guard->line(118, [&] { c.pointer.setPointerShape(PointerShape::Default); });
    guard->line(119, [&] {
        c.progress.setProgressValue(0);
        c.progress.setProgressText(QStringLiteral("Progress Bar"));
    });
    // A file that could not be written has had its report: "Done." would claim otherwise.
    if (written)
        guard->line(120, [&] { c.dialogs.plainMessage(QStringLiteral("Done.")); });
}

} // namespace

void StartJoining(const JoinControls& controls, bool& isJoining, const QString& outputFolder,
                  std::chrono::milliseconds pageBound)
{
    if (isJoining)
        return;
    isJoining = true;
    JoinRun(controls, pageBound).run(outputFolder);
    isJoining = false;
}

} // namespace join
