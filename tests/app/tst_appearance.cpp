#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "app/skinframework.h"
#include "formfixture.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

class TestAppearance : public QObject
{
    Q_OBJECT

private:
    static QColor background(const QWidget* widget)
    {
        return widget->palette().color(QPalette::Window);
    }
    static QColor buttonFace() { return QGuiApplication::palette().color(QPalette::Button); }

    static QString skinPath(const FormFixture& fixture)
    {
        QDir(fixture.programDir()).mkpath(QStringLiteral("x"));
        return QDir(fixture.programDir()).filePath(QStringLiteral("x/o.cjs"));
    }
    static void writeSkin(const FormFixture& fixture, const QByteArray& content)
    {
        QFile file(skinPath(fixture));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static Form1& shownForm(FormFixture& fixture)
    {
        Form1& form = fixture.create();
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qFatal("window not exposed");
        return form;
    }
    // The window's background between "Help" and the list.
    static void moveOverBackground(Form1& form) { QTest::mouseMove(&form, QPoint(4, 38)); }
    // Inside the output-folder frame, left of the box.
    static void moveOverFrame(Form1& form) { QTest::mouseMove(form.Frame4, QPoint(4, 30)); }

private slots:
    // ---- Skin

    void noSkinFile_windowKeepsItsLook()
    {
        FormFixture fixture;
        Form1& form = fixture.create();
        QCOMPARE(background(&form), QColor(Qt::white));
        QCOMPARE(background(form.Frame4), QColor(Qt::white));
        QVERIFY(form.styleSheet().isEmpty());
        QVERIFY(fixture.dialogs.shown.isEmpty());
    }

    void skinFile_buttonFaceThenStyleSheet()
    {
        FormFixture fixture;
        const QByteArray sheet = "QPushButton { color: rgb(200, 0, 0); }";
        writeSkin(fixture, sheet);
        Form1& form = fixture.create();
        QVERIFY(fixture.dialogs.shown.isEmpty());
        QCOMPARE(background(&form), buttonFace());
        QCOMPARE(background(form.Frame4), buttonFace());
        QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
        form.PushButton1->ensurePolished();
        QCOMPARE(form.PushButton1->palette().color(QPalette::ButtonText), QColor(200, 0, 0));
    }

    void exampleSkin_appliesWithoutReport()
    {
        FormFixture fixture;
        QFile example(QStringLiteral(VANTREL_RESOURCE_DIR "/skins/example.qss"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        writeSkin(fixture, example.readAll());
        Form1& form = fixture.create();
        QCOMPARE(fixture.dialogs.messages(), QStringList());
        QVERIFY(!form.styleSheet().isEmpty());
    }

    void entryThatIsNoFile_isNoSkin_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("named pipe") << "fifo";
    }

    void entryThatIsNoFile_isNoSkin()
    {
        // A hidden file cannot be named o.cjs here (only dot names are hidden); these stand for
        // the other entries that are not ordinary files. Reading a named pipe would never end.
        QFETCH(QString, kind);
        FormFixture fixture;
        const QString path = skinPath(fixture);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        Form1& form = fixture.create();
        QVERIFY(fixture.dialogs.shown.isEmpty());
        QCOMPARE(background(&form), QColor(Qt::white));
    }

    void brokenSkin_reportedAndStartupGoesOn_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("description");
        QTest::newRow("unparsable")
            << QByteArray("QPushButton { color: red; ") << "is not a valid style sheet";
        QTest::newRow("not text") << QByteArray("QPushButton { color: \xff\xfe; }")
                                  << "is not UTF-8 text";
    }

    void brokenSkin_reportedAndStartupGoesOn()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, description);
        FormFixture fixture;
        writeSkin(fixture, content);
        Form1& form = fixture.create();
        QCOMPARE(fixture.dialogs.shown.size(), 1);
        QCOMPARE(fixture.dialogs.shown[0].title, QStringLiteral("Application Error"));
        const QString text = fixture.dialogs.shown[0].text;
        QVERIFY2(text.contains(description), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Form1.Form_Load at line 100\r")), qPrintable(text));
        QCOMPARE(background(&form), buttonFace());
        QVERIFY(form.styleSheet().isEmpty());
        QCOMPARE(form.windowTitle(), QStringLiteral("Vantrel"));
    }

    void styleSheetParses_acceptsWhatQtAccepts()
    {
        QVERIFY(SkinFramework::styleSheetParses(QStringLiteral("QWidget { color: red; }")));
        QVERIFY(SkinFramework::styleSheetParses(QStringLiteral("color: red; background: white")));
        QVERIFY(SkinFramework::styleSheetParses(QString()));
        QVERIFY(!SkinFramework::styleSheetParses(QStringLiteral("QWidget { color: red;")));
        QVERIFY(!SkinFramework::styleSheetParses(QStringLiteral("}} QWidget {")));
    }

    // ---- Hover pointer

    void hand_overButtons_arrow_overBackgroundFrameAndList()
    {
        FormFixture fixture;
        QFile::copy(QStringLiteral(VANTREL_RESOURCE_DIR "/HAND-M.CUR"),
                    QDir(fixture.programDir()).filePath(QStringLiteral("HAND-M.CUR")));
        Form1& form = shownForm(fixture);

        QTest::mouseMove(form.PushButton1);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        moveOverBackground(form);
        QCOMPARE(form.pointerShape(), PointerShape::Default);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);

        QTest::mouseMove(form.PushButton10);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
        moveOverFrame(form);
        QCOMPARE(form.pointerShape(), PointerShape::Default);

        QTest::mouseMove(form.PushButton4);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
        QTest::mouseMove(form.ListView1->viewport());
        QCOMPARE(form.pointerShape(), PointerShape::Default);
    }

    void hand_staysOverTextBoxAndProgressBar()
    {
        FormFixture fixture;
        Form1& form = shownForm(fixture);
        QTest::mouseMove(form.PushButton2);
        QTest::mouseMove(form.ProgressBar1);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
        QTest::mouseMove(form.PushButton10);
        QTest::mouseMove(form.Text2);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
    }

    void hand_withoutCursorFile_showsArrow()
    {
        FormFixture fixture;
        Form1& form = shownForm(fixture);
        QTest::mouseMove(form.PushButton7);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }

    void hiddenButton_neverChangesPointer()
    {
        FormFixture fixture;
        Form1& form = shownForm(fixture);
        QTest::mouseMove(form.PushButton8);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5),
                         form.PushButton6->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(form.PushButton6, &move);
        QCOMPARE(form.pointerShape(), PointerShape::Custom);
    }

    void hourglass_staysEverywhere()
    {
        FormFixture fixture;
        Form1& form = shownForm(fixture);
        form.setPointerShape(PointerShape::Hourglass);
        QTest::mouseMove(form.PushButton9);
        QCOMPARE(form.pointerShape(), PointerShape::Hourglass);
        moveOverBackground(form);
        QCOMPARE(form.pointerShape(), PointerShape::Hourglass);
        moveOverFrame(form);
        QCOMPARE(form.pointerShape(), PointerShape::Hourglass);
        QTest::mouseMove(form.ListView1->viewport());
        QCOMPARE(form.pointerShape(), PointerShape::Hourglass);
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
