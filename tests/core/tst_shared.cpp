// The shared pieces every handler relies on: the error report box, the application title,
// the settings store, the file-presence test, cursor files, where shipped files are found and the
// real dialogs.
#include "core/apperror.h"
#include "core/apptitle.h"
#include "core/cursorfile.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/fileexists.h"
#include "core/programfolder.h"
#include "core/settingsstore.h"
#include "scripteddialogs.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
// Hands the next modal dialog to answer as soon as it shows, so that nothing waits on screen.
template <class Answer> void answerNextDialog(Answer answer)
{
    QTimer::singleShot(0, [answer] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            answer(*dialog);
    });
}
} // namespace

class TestShared : public QObject
{
    Q_OBJECT

private slots:
    void errorReport_hasExactText()
    {
        QCOMPARE(ErrorGuard::reportText(QStringLiteral("Overflow"),
                                        QStringLiteral("PushButton2_Click"), 113),
                 QStringLiteral("Overflow\r\nin Quillmere2021/08/31.Form1.PushButton2_Click at "
                                "line 113\r\rPlease email screenshot of this message to "
                                "support@vantrel.example"));
    }

    void errorGuard_reportsFailureAndGoesOnWithNextStatement()
    {
        ScriptedDialogs dialogs;
        ErrorGuard guard(dialogs, QStringLiteral("PushButton8_Click"));
        QStringList ran;
        QVERIFY(guard.line(100, [&] { ran << "100"; }));
        QVERIFY(!guard.line(101, [&] { throw AppError(5, QStringLiteral("Bad call")); }));
        QVERIFY(!guard.line(102, [&] { throw std::runtime_error("plain failure"); }));
        QVERIFY(guard.line(103, [&] { ran << "103"; }));

        QCOMPARE(ran, QStringList({"100", "103"}));
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::Warning);
        QVERIFY(dialogs.shown[0].text.startsWith(QStringLiteral(
            "Bad call\r\nin Quillmere2021/08/31.Form1.PushButton8_Click at line 101\r\r")));
        QVERIFY(dialogs.shown[1].text.startsWith(QStringLiteral("plain failure\r\n")));
        QVERIFY(dialogs.shown[1].text.contains(QStringLiteral(" at line 102\r\r")));
    }

    void shortenedTitle_dropsLastWordOnlyWhereThereIsOne()
    {
        QCOMPARE(shortenedTitle(QStringLiteral("Vantrel")), QStringLiteral("Vantrel"));
        QCOMPARE(shortenedTitle(QStringLiteral("Vantrel Page Joiner")),
                 QStringLiteral("Vantrel Page"));
        // Cut again while longer than 40 characters.
        QCOMPARE(shortenedTitle(QStringLiteral("Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Dddddddddd "
                                               "Eeeeeeeeee Ffff")),
                 QStringLiteral("Aaaaaaaaaa Bbbbbbbbbb Cccccccccc"));
        QCOMPARE(shortenedTitle(QString()), QString());
    }

    void settings_absentKeyGivesDefaultButStoredEmptyWins()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
        QCOMPARE(store.read(QStringLiteral("Text2"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        QVERIFY(store.write(QStringLiteral("Text2"), QString()));
        QCOMPARE(store.read(QStringLiteral("Text2"), QStringLiteral("dflt")), QString());
    }

    void settings_keepAnyTextExactly()
    {
        QTemporaryDir dir;
        const QString text =
            QStringLiteral("  /tmp/Ünïcödé 目录/; x=\"y\"\\ \t%1 ").arg(QString(3000, 'z'));
        QVERIFY(SettingsStore(dir.filePath(QStringLiteral("s.ini")))
                    .write(QStringLiteral("Text2"), text));
        // A second store on the same file sees it: it reached the disk.
        QCOMPARE(
            SettingsStore(dir.filePath(QStringLiteral("s.ini"))).read(QStringLiteral("Text2"), {}),
            text);
    }

    void settings_corruptFileGivesDefaults()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\xff\xfe[[[Vantrel\nText2=\x80\x81\n=\n", 24));
        file.close();
        SettingsStore store(path);
        QCOMPARE(store.read(QStringLiteral("Missing"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
    }

    void settings_unwritableStoreReportsFalseWithoutThrowing()
    {
        QTemporaryDir dir;
        // A folder where the settings file should be: nothing can be written there.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("s.ini")));
        SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
        QVERIFY(!store.write(QStringLiteral("Text2"), QStringLiteral("x")));
        QCOMPARE(store.read(QStringLiteral("Text2"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
    }

    void fileExists_onlyForWhatTheFileSystemCanDate()
    {
        QTemporaryDir dir;
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing.txt"))));
        QFile file(dir.filePath(QStringLiteral("here.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(FileExists(file.fileName()));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("here.txt/below"))));
    }

    void prompt_keepsTextBeyondLineEditLimit()
    {
        const QString typed(40000, QLatin1Char('x'));
        answerNextDialog([&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>()->setText(typed);
            dialog.accept();
        });
        QCOMPARE(QtDialogs().prompt(QStringLiteral("Vantrel"), QStringLiteral("Address:")), typed);
    }

    void message_beforeWindowShows_centredOnScreen()
    {
        QWidget window;
        window.resize(536, 414);
        QtDialogs dialogs;
        dialogs.setParentWindow(&window);
        QRect box;
        answerNextDialog([&](QDialog& dialog) {
            box = dialog.frameGeometry();
            dialog.accept();
        });
        dialogs.message(QStringLiteral("Vantrel"), QStringLiteral("Offline"), Dialogs::Icon::None);
        // Qt lifts a dialog by room it keeps for a title bar that it cannot know yet.
        const QPoint offCentre = box.center() - window.screen()->availableGeometry().center();
        QVERIFY2(qAbs(offCentre.x()) <= 10 && qAbs(offCentre.y()) <= 40,
                 qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    }

    void cursorFile_takesHotspotFromHeader()
    {
        const QCursor cursor =
            loadCursorFile(QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR"));
        QCOMPARE(cursor.hotSpot(), QPoint(6, 0));
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    }

    void cursorFile_rejectsWhatIsNoCursor()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(64, 'x'));
        file.close();
        QVERIFY_THROWS_EXCEPTION(AppError, loadCursorFile(file.fileName()));
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 loadCursorFile(dir.filePath(QStringLiteral("none.cur"))));
    }

    void shippedFile_besideProgramFirstThenInstalledDataFolder()
    {
        QTemporaryDir prefix;
        const auto place = [&](const char* relative) {
            return QDir::toNativeSeparators(prefix.filePath(QLatin1String(relative)));
        };
        const auto put = [&](const char* relative) {
            QVERIFY(QDir(prefix.path()).mkpath(QFileInfo(place(relative)).path()));
            QFile file(place(relative));
            QVERIFY(file.open(QIODevice::WriteOnly));
        };
        const QString skin = QStringLiteral("x/o.cjs");
        QCOMPARE(shippedFile(place("bin"), skin), place("bin/x/o.cjs"));
        put("share/vantrel/x/o.cjs");
        QCOMPARE(shippedFile(place("bin"), skin), place("share/vantrel/x/o.cjs"));
        put("bin/x/o.cjs");
        QCOMPARE(shippedFile(place("bin"), skin), place("bin/x/o.cjs"));
    }
};

QTEST_MAIN(TestShared)
#include "tst_shared.moc"
