#include "joinrun.h"

#include "core/apperror.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/outputfiles.h"
#include "core/progressdisplay.h"
#include "core/urllist.h"
#include "core/windowpointer.h"
#include "join/engine/enginecheck.h"
#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "join/site/sitesetup.h"
#include "joineddocument.h"

#include <QDir>
#include <QSaveFile>

#include <memory>

namespace join {
namespace {

// The window's list as the join reads it.
class ListItems : public JoinItems
{
public:
    explicit ListItems(const UrlList& list) : m_list(list) {}
    int count() const override { return m_list.count(); }
    QString textAt(int position) const override { return m_list.textAt(position); }

private:
    const UrlList& m_list;
};

// The window reports a failed statement in its error box and copies a failed load's page without
// a word, as a browser shows it.
class ErrorBoxReport : public JoinReport
{
public:
    explicit ErrorBoxReport(Dialogs& dialogs) : guard(dialogs, QStringLiteral("PushButton2_Click"))
    {
    }
    void fail(int line, int /*position*/, const QString& description) override
    {
        guard.fail(line, description);
    }
    void pageDone(const PageOutcome&) override {}

    ErrorGuard guard;
};

// Replaces the file at path in one step: a crash or a kill never leaves half a file behind.
void writeFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(75, QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
    if (file.write(content) != content.size() || !file.commit())
        throw AppError(75, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

// The window's joined document: built in its result browser, where it stays after the run, and
// written to joined.html at the end.
class ResultBrowserDocument : public JoinResult
{
public:
    ResultBrowserDocument(JoinedDocument& document, const QString& path,
                          std::weak_ptr<JoinReport> report)
        : m_document(document), m_path(path), m_report(std::move(report))
    {
    }

    void begin(std::chrono::milliseconds bound) override
    {
        m_document.blank();
        m_document.waitUntilComplete(bound);
        m_document.create(bound);
    }
    void append(int position, const QString& markup) override
    {
        // The insertion runs later; its failure is reported with the page's statement.
        m_document.append(markup, [report = m_report, position] {
            if (auto r = report.lock())
                r->fail(AppendStatement, position,
                        QStringLiteral("The page could not be added to the joined document"));
        });
    }
    void finish(std::chrono::milliseconds bound) override
    {
        writeFileAtomically(m_path,
                            m_document.serialise(bound).toUtf8() + QByteArrayLiteral("\r\n"));
    }

private:
    JoinedDocument& m_document;
    QString m_path;
    std::weak_ptr<JoinReport> m_report;
};

class JoinRun
{
public:
    JoinRun(const JoinControls& controls, std::chrono::milliseconds pageBound)
        : window(controls), bound(pageBound),
          report(std::make_shared<ErrorBoxReport>(controls.dialogs)), guard(report->guard)
    {
    }

    void run(const QString& outputFolder);

private:
    bool refuse(const QString& outputFolder);
    bool engineCanStart();

    const JoinControls& window; // what the run reads and shows
    std::chrono::milliseconds bound;
    std::shared_ptr<ErrorBoxReport> report;
    ErrorGuard& guard;
};

bool JoinRun::refuse(const QString& outputFolder)
{
    bool refused = false;
    guard.line(100, [&] {
        if (window.list.count() <= 0) {
            window.dialogs.plainMessage(QStringLiteral("No files added."));
            refused = true;
        }
    });
    if (refused)
        return true;
    guard.line(101, [&] {
        if (!FolderExists(outputFolder)) {
            window.dialogs.plainMessage(
                QStringLiteral("Folder does not exist. Please select another folder."));
            refused = true;
        }
    });
    return refused;
}

// An engine that refuses to start ends the whole process, the list and the window with it.
bool JoinRun::engineCanStart()
{
    return guard.line(102, [] {
        const QString problem = browserEngineStartProblem();
        if (!problem.isEmpty())
            throw AppError(problem);
    });
}

void JoinRun::run(const QString& outputFolder)
{
    if (refuse(outputFolder) || !engineCanStart())
        return;

    guard.line(102, [&] { window.pointer.setPointerShape(PointerShape::Hourglass); });
    QString outputPath;
    guard.line(103, [&] {
        outputPath =
            FixDoubleBackslashes(outputFolder + QDir::separator() + QStringLiteral("joined.html"));
    });
    guard.line(104, [&] { DeleteFileQuietly(outputPath); });

    // Statements 105 to 117: the join itself, one page after another in the window's site
    // browser.
    const ListItems items(window.list);
    // Pages are copied as a browser tab shows them, within their bound.
    window.site.setReadiness(Readiness{}, bound);
    ResultBrowserDocument result(window.result, outputPath, report);
    const bool written = runJoin({items,
                                  report,
                                  window.pointer,
                                  window.progress,
                                  result,
                                  PageCopy::bodyMarkup(),
                                  {&window.site},
                                  bound});

    guard.line(118, [&] { window.pointer.setPointerShape(PointerShape::Default); });
    guard.line(119, [&] {
        window.progress.setProgressValue(0);
        window.progress.setProgressText(QStringLiteral("Progress Bar"));
    });
    // A file that could not be written has had its report: "Done." would claim otherwise.
    if (written)
        guard.line(120, [&] { window.dialogs.plainMessage(QStringLiteral("Done.")); });
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
