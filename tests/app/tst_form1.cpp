// The main window as the user meets it: its layout, start-up and shutdown.
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "core/apperror.h"
#include "core/apptitle.h"
#include "formfixture.h"
#include "join/site/sitebrowser.h"
#include "join/window/joineddocument.h"

#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init() { setAppTitle(QLatin1String(ProductTitle)); }

    void layout_placesEveryControlAtItsPixelPlace()
    {
        FormFixture f;
        Form1& form = f.create();
        QCOMPARE(form.size(), QSize(536, 414));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);

        const QList<QPair<QWidget*, QRect>> expected = {
            {form.PushButton7, QRect(8, 8, 520, 27)},
            {form.ListView1, QRect(8, 42, 456, 169)},
            {form.PushButton4, QRect(472, 42, 56, 80)},
            {form.PushButton5, QRect(472, 130, 56, 80)},
            {form.PushButton1, QRect(8, 217, 256, 27)},
            {form.PushButton3, QRect(272, 217, 256, 27)},
            {form.PushButton8, QRect(8, 251, 256, 27)},
            {form.PushButton9, QRect(272, 251, 256, 27)},
            {form.Frame4, QRect(8, 282, 520, 54)},
            {form.Text2, QRect(16, 20, 442, 23)},
            {form.PushButton10, QRect(464, 20, 40, 23)},
            {form.PushButton2, QRect(8, 344, 520, 27)},
            {form.ProgressBar1, QRect(8, 379, 520, 27)},
            // Out of sight below the client area.
            {form.WebBrowser1, QRect(264, 448, 33, 81)},
            {form.WebBrowser2, QRect(224, 448, 33, 81)},
            {form.PushButton6, QRect(8, 450, 208, 27)},
        };
        for (const auto& [widget, rect] : expected) {
            QVERIFY2(widget->objectName().size() > 0, "controls carry their names");
            QCOMPARE(form.findChild<QWidget*>(widget->objectName()), widget);
            QCOMPARE(widget->geometry(), rect);
        }
        QCOMPARE(form.PushButton4->text(), QStringLiteral("Move Up"));
        QCOMPARE(form.Frame4->title(), QStringLiteral("Save Results To This Folder"));
        QCOMPARE(form.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(form.PushButton2->font().pointSizeF(), 11.25);
        QVERIFY(form.PushButton2->font().bold());
    }

    void tab_entersTheUnseenBrowsersBeforeMoveUp()
    {
        FormFixture f;
        Form1& form = f.create();
        const QList<QWidget*> chain = {form.ListView1,   form.WebBrowser1,  form.WebBrowser2,
                                       form.PushButton4, form.PushButton5,  form.PushButton1,
                                       form.PushButton3, form.PushButton6,  form.PushButton2,
                                       form.PushButton7, form.PushButton8,  form.PushButton9,
                                       form.Text2,       form.PushButton10, form.ListView1};
        for (qsizetype i = 1; i < chain.size(); ++i)
            QCOMPARE(nextFocusable(chain[i - 1]), chain[i]);
    }

    void startup_setsCaptionTitleColumnAndNoItems()
    {
        FormFixture f;
        Form1& form = f.create();
        QCOMPARE(form.windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(appTitle(), QStringLiteral("Vantrel"));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(form.ListView1->headerItem()->text(0), QStringLiteral("URL(s)"));
        QCOMPARE(form.ListView1->columnCount(), 1);
        QCOMPARE(form.ListView1->columnWidth(0), 433);
        QVERIFY(!form.ListView1->isHeaderHidden());
        QCOMPARE(form.ListView1->topLevelItemCount(), 0);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void firstStart_showsDesktopFolderAndStoresIt()
    {
        FormFixture f;
        Form1& form = f.create();
        const QString desktop = f.services.desktopFolder();
        QVERIFY(desktop.endsWith(QDir::separator()));
        QCOMPARE(form.Text2->text(), desktop);
        QCOMPARE(f.settings->read(QStringLiteral("Text2"), QStringLiteral("absent")), desktop);
    }

    void storedEmptyFolder_winsOverDesktopDefault()
    {
        FormFixture f;
        f.settings->write(QStringLiteral("Text2"), QString());
        QCOMPARE(f.create().Text2->text(), QString());
    }

    void folderBox_survivesRestart()
    {
        FormFixture f;
        f.create().Text2->setText(QStringLiteral("/srv/out/"));
        f.form.reset();
        QCOMPARE(f.create().Text2->text(), QStringLiteral("/srv/out/"));
    }

    void unresolvedDesktop_reportsStepAndLeavesBoxEmpty()
    {
        FormFixture f;
        f.settings->write(QStringLiteral("Text2"), QStringLiteral("/stored/"));
        f.services.desktopFolder = []() -> QString {
            throw AppError(5, QStringLiteral("No desktop"));
        };
        Form1& form = f.create();
        QCOMPARE(form.Text2->text(), QString());
        QCOMPARE(f.dialogs.messages().size(), 1);
        QVERIFY(f.dialogs.messages()[0].startsWith(QStringLiteral(
            "No desktop\r\nin Quillmere2021/08/31.Form1.Form_Load at line 108\r\r")));
    }

    void failingSteps_areReportedAndStartupGoesOn()
    {
        FormFixture f;
        // A cursor file that is no cursor, and a home page that cannot be opened.
        QFile bad(QDir(f.programDir()).filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a cursor");
        bad.close();
        f.services.drawHomePageNumber = [] { return 7; };
        f.services.openUrl = [](const QUrl&) { return false; };
        Form1& form = f.create();

        const QStringList messages = f.dialogs.messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].contains(QStringLiteral("Form_Load at line 105\r\r")));
        QVERIFY(messages[1].contains(QStringLiteral("Form_Load at line 106\r\r")));
        // Later steps still ran.
        QCOMPARE(form.ListView1->headerItem()->text(0), QStringLiteral("URL(s)"));
        QCOMPARE(form.Text2->text(), f.services.desktopFolder());
    }

    void homePage_opensOnlyOnSeven()
    {
        for (int draw : {1, 6, 8, 100}) {
            FormFixture f;
            f.services.drawHomePageNumber = [draw] { return draw; };
            f.create();
            QVERIFY(f.openedUrls.isEmpty());
        }
        FormFixture f;
        f.services.drawHomePageNumber = [] { return 7; };
        f.create();
        QCOMPARE(f.openedUrls, QList<QUrl>{QUrl(QStringLiteral("http://www.vantrel.example/"))});
    }

    void productionDraw_coversOneToAHundredOnly()
    {
        // Drawing opens nothing: only the draw is called.
        const std::function<int()> draw = StartupServices::production().drawHomePageNumber;
        bool sawOne = false, sawHundred = false;
        for (int i = 0; i < 100000 && !(sawOne && sawHundred); ++i) {
            const int n = draw();
            QVERIFY2(n >= 1 && n <= 100, qPrintable(QString::number(n)));
            sawOne = sawOne || n == 1;
            sawHundred = sawHundred || n == 100;
        }
        QVERIFY(sawOne && sawHundred);
    }

    void productionFolders_giveDesktopAndProgramFiles()
    {
        // A home of its own, with no folder names configured in it, keeps the user's desktop out.
        QTemporaryDir home;
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", savedHome);
            qputenv("XDG_CONFIG_HOME", savedConfig);
        });
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        const StartupServices production = StartupServices::production();
        FormFixture f;
        f.services.programFolder = production.programFolder;
        f.services.desktopFolder = production.desktopFolder;
        Form1& form = f.create();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QCOMPARE(form.Text2->text(), home.path() + QStringLiteral("/Desktop/"));
        // The hand pointer is read from beside the program, where the build puts HAND-M.CUR.
        QTest::mouseMove(form.PushButton1);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void showCentred_centresTheWindowWithItsFrame()
    {
        FormFixture f;
        Form1& form = f.create();
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.frameGeometry() != form.geometry());
        QTRY_COMPARE(form.frameGeometry().center(), form.screen()->availableGeometry().center());
    }

    void closing_endsTheProcess()
    {
        FormFixture f;
        Form1& form = f.create();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.close();
        QCOMPARE(f.endProcessCalls, 1);
    }

private:
    static QWidget* nextFocusable(QWidget* from)
    {
        QWidget* next = from->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
