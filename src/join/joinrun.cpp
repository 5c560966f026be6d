#include "joinrun.h"

#include "core/apperror.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/outputfiles.h"
#include "core/progressdisplay.h"
#include "core/urllist.h"
#include "core/windowpointer.h"
#include "joineddocument.h"
#include "sitebrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <memory>

namespace join {
namespace {

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
    const QString markup = c.site.readBodyMarkup(bound);
    std::weak_ptr<ErrorGuard> reportTo = guard;
    c.result.append(markup, [reportTo] {
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
    guard->line(105, [&] { c.result.blank(); });
    guard->line(106, [&] {
        c.result.waitUntilComplete(bound);
        c.result.create(bound);
        // Whatever the site browser shows now (nothing yet, or the last run's page) is no page
        // of this run.
        c.site.markCurrentPageCopied(bound);
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
        writeJoinedFile(outputPath, c.result.serialise(bound));
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
