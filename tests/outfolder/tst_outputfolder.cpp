#include "app/pushbutton.h"
#include "formfixture.h"
#include "outfolder/outputfolder.h"

#include <QDir>
#include <QLineEdit>
#include <QtTest>

namespace {
const QString Absent = QStringLiteral("<absent>");

QString stored(const FormFixture& f, const QString& key)
{
    return SettingsStore(f.settingsFile()).read(key, Absent);
}

void clickBrowse(Form1& form)
{
    QTest::mouseClick(form.PushButton10, Qt::LeftButton);
}
} // namespace

class TestOutputFolder : public QObject
{
    Q_OBJECT

private slots:
    void browse_choiceFillsBoxWithOneSeparatorAndStoresBothKeys_data();
    void browse_choiceFillsBoxWithOneSeparatorAndStoresBothKeys();
    void browse_opensAtTopOfTreeWhateverTheBoxHolds();
    void browse_cancelChangesNothing();
    void browse_unwritableStoreIsReportedAndBoxStillFilled();
    void browseForFolder_opensAtGivenInitialFolder();

    void box_survivesRestart();
    void box_clearedStaysEmptyAfterRestart();
    void box_keepsTypedTextWhenStoreCannotBeWritten();
};

void TestOutputFolder::browse_choiceFillsBoxWithOneSeparatorAndStoresBothKeys_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expectedFolder");
    QTest::newRow("plain") << "/tmp/out"
                           << "/tmp/out";
    QTest::newRow("chooser adds a separator") << "/tmp/out/"
                                              << "/tmp/out";
    QTest::newRow("unicode and blanks") << "/home/ü ñ/日本 語"
                                        << "/home/ü ñ/日本 語";
    QTest::newRow("root") << "/"
                          << "/";
}

void TestOutputFolder::browse_choiceFillsBoxWithOneSeparatorAndStoresBothKeys()
{
    QFETCH(QString, answer);
    QFETCH(QString, expectedFolder);
    FormFixture f;
    f.dialogs.directoryAnswers.enqueue(answer);
    Form1& form = f.create();

    clickBrowse(form);

    const QString folder = QDir::toNativeSeparators(expectedFolder);
    const QString inBox = folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
    QCOMPARE(form.Text2->text(), inBox);
    QCOMPARE(stored(f, QStringLiteral("Text2")), inBox);
    QCOMPARE(stored(f, QStringLiteral("LastFolderDot")), folder);
    QVERIFY(f.dialogs.messages().isEmpty());
}

void TestOutputFolder::browse_opensAtTopOfTreeWhateverTheBoxHolds()
{
    FormFixture f;
    Form1& form = f.create();
    form.Text2->setText(f.dir.path());

    clickBrowse(form);

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].kind, QStringLiteral("directory"));
    QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Save To This Folder"));
    QCOMPARE(f.dialogs.shown[0].text, QDir::rootPath());
}

void TestOutputFolder::browse_cancelChangesNothing()
{
    FormFixture f;
    Form1& form = f.create();
    const QString before = form.Text2->text();

    clickBrowse(form);

    QCOMPARE(form.Text2->text(), before);
    QCOMPARE(stored(f, QStringLiteral("Text2")), before);
    QCOMPARE(stored(f, QStringLiteral("LastFolderDot")), Absent);
    QVERIFY(f.dialogs.messages().isEmpty());
}

void TestOutputFolder::browse_unwritableStoreIsReportedAndBoxStillFilled()
{
    FormFixture f;
    // A folder where the settings file should be: nothing can be written there.
    f.settings = std::make_unique<SettingsStore>(f.dir.path());
    f.dialogs.directoryAnswers.enqueue(QStringLiteral("/tmp/out"));
    Form1& form = f.create();

    clickBrowse(form);

    QCOMPARE(form.Text2->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/out/")));
    const QStringList messages = f.dialogs.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(QStringLiteral("Form1.PushButton10_Click at line 101")));
}

void TestOutputFolder::browseForFolder_opensAtGivenInitialFolder()
{
    ScriptedDialogs dialogs;
    dialogs.directoryAnswers.enqueue(QStringLiteral("/srv/a//b/"));

    QCOMPARE(BrowseForFolder(dialogs, QStringLiteral("T"), QStringLiteral("/srv/a")),
             QDir::toNativeSeparators(QStringLiteral("/srv/a/b")));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("/srv/a"));
    QCOMPARE(BrowseForFolder(dialogs, QStringLiteral("T"), QString()), QString());
}

void TestOutputFolder::box_survivesRestart()
{
    FormFixture f;
    const QString folder = QDir::toNativeSeparators(f.dir.filePath(QStringLiteral("ü out"))) + "/";
    f.create().Text2->setText(folder);
    f.form.reset();

    QCOMPARE(f.create().Text2->text(), folder);
}

void TestOutputFolder::box_clearedStaysEmptyAfterRestart()
{
    FormFixture f;
    Form1& first = f.create();
    QVERIFY(!first.Text2->text().isEmpty());
    first.show();
    first.Text2->selectAll();
    QTest::keyClick(first.Text2, Qt::Key_Delete);
    QCOMPARE(stored(f, QStringLiteral("Text2")), QString());
    f.form.reset();

    QCOMPARE(f.create().Text2->text(), QString());
}

void TestOutputFolder::box_keepsTypedTextWhenStoreCannotBeWritten()
{
    FormFixture f;
    f.settings = std::make_unique<SettingsStore>(f.dir.path());
    Form1& form = f.create();
    form.show();
    form.Text2->clear();

    QTest::keyClicks(form.Text2, QStringLiteral("/x"));

    QCOMPARE(form.Text2->text(), QStringLiteral("/x"));
}

QTEST_MAIN(TestOutputFolder)
#include "tst_outputfolder.moc"
