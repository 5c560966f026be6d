#include "app/pushbutton.h"
#include "core/errorguard.h"
#include "core/outputfiles.h"
#include "formfixture.h"
#include "urllist/listfiles.h"
#include "urllisttexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <QtTest>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
const QString TooManyFiles = QStringLiteral(
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");

// Remembers every pointer shape set, so a test can see the hourglass come and go.
struct RecordingPointer : WindowPointer
{
    PointerShape shape = PointerShape::Default;
    QList<PointerShape> history;
    PointerShape pointerShape() const override { return shape; }
    void setPointerShape(PointerShape s) override
    {
        shape = s;
        history.append(s);
    }
};
} // namespace

class TestListFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void splitListText_data();
    void splitListText();
    void loadListFile_invalidBytesBecomeReplacementCharacters();

    void load_oneFileAppendsItsLinesAfterExistingItems();
    void load_showsTheChooserWithTitleAndFilters();
    void load_severalFilesAppendInChosenOrder();
    void load_cancelAddsNothingAndShowsNothing();
    void load_missingFileReportedOnceEachAndOthersRead();
    void load_unreadableFileReportedBetweenTwoGoodOnes();
    void load_fileWithoutReadPermissionIsReported();
    void load_namedPipeAndDeviceReportedAndNextFileRead();
    void load_hourglassWhileReadingThenDefault();
    void load_duringJoinLeavesHourglassAndBusyRefusals();
    void load_severalFilesJoinFolderAndNameThroughCleanUp();
    void load_namesAtBufferLimitAreRead();
    void load_namesOverBufferLimitShowTooManyFilesAndAddNothing();
    void load_hundredThousandLinesQuicklyAndListStaysResponsive();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QStringList chosenNeeding(qsizetype length);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestListFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestListFiles::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a test file");
    file.write(bytes);
    return path;
}

void TestListFiles::splitListText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty file") << "" << QStringList();
    QTest::newRow("CR LF lines") << "a\r\nb\r\nc\r\n" << QStringList{"a", "b", "c"};
    QTest::newRow("LF lines, final LF") << "a\nb\nc\n" << QStringList{"a", "b", "c", ""};
    QTest::newRow("CR lines") << "a\rb\rc\r" << QStringList{"a", "b", "c"};
    QTest::newRow("no final line end") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("mixed") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF before CR LF") << "a\n\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("LF CR") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("blank line in the middle") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("only CR LF") << "\r\n" << QStringList{""};
    QTest::newRow("only LF") << "\n" << QStringList{"", ""};
    QTest::newRow("blanks kept") << "  a \r\n\tb\t\r\n" << QStringList{"  a ", "\tb\t"};
    QTest::newRow("duplicates kept") << "a\r\na\r\n" << QStringList{"a", "a"};
}

void TestListFiles::splitListText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(::splitListText(text), expected);
}

void TestListFiles::loadListFile_invalidBytesBecomeReplacementCharacters()
{
    FormFixture f;
    Form1& form = f.create();
    const QString path = writeFile("bytes.txt", "a\xff\xfe"
                                                "b\r\n\xc3\xbc\r\n");

    LoadListFile(form.urlList(), path, f.dialogs);

    QCOMPARE(urlListTexts(form.urlList()), (QStringList{QStringLiteral("a\uFFFD\uFFFDb"), "ü"}));
}

void TestListFiles::load_oneFileAppendsItsLinesAfterExistingItems()
{
    FormFixture f;
    Form1& form = f.create();
    form.urlList().append("first");
    f.dialogs.openFileAnswers.enqueue({writeFile("list one.txt", "a\r\nb\r\nc\r\n")});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"first", "a", "b", "c"}));
    QVERIFY(f.dialogs.messages().isEmpty());
    QCOMPARE(form.pointerShape(), PointerShape::Default);
}

void TestListFiles::load_showsTheChooserWithTitleAndFilters()
{
    FormFixture f;
    Form1& form = f.create();

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].kind, QStringLiteral("openFiles"));
    QCOMPARE(f.dialogs.shown[0].title,
             QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("Text Files (*.txt);;All Files (*)"));
}

void TestListFiles::load_severalFilesAppendInChosenOrder()
{
    FormFixture f;
    Form1& form = f.create();
    const QString second = writeFile("b.txt", "b1\nb2");
    const QString first = writeFile("ä.txt", "a1\r\na2\r\n");
    f.dialogs.openFileAnswers.enqueue({second, first});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"b1", "b2", "a1", "a2"}));
}

void TestListFiles::load_cancelAddsNothingAndShowsNothing()
{
    FormFixture f;
    Form1& form = f.create();

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(form.urlList().count(), 0);
    QVERIFY(f.dialogs.messages().isEmpty());
    QCOMPARE(form.pointerShape(), PointerShape::Default);
}

void TestListFiles::load_missingFileReportedOnceEachAndOthersRead()
{
    FormFixture f;
    Form1& form = f.create();
    f.dialogs.openFileAnswers.enqueue(
        {m_dir->filePath("gone 1.txt"), writeFile("ok.txt", "x"), m_dir->filePath("gone 2.txt")});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(f.dialogs.messages(), (QStringList{"File not found", "File not found"}));
    QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Vantrel"));
    QCOMPARE(urlListTexts(form.urlList()), QStringList{"x"});
}

void TestListFiles::load_unreadableFileReportedBetweenTwoGoodOnes()
{
    FormFixture f;
    Form1& form = f.create();
    QVERIFY(QDir(m_dir->path()).mkdir("folder.txt"));
    f.dialogs.openFileAnswers.enqueue(
        {writeFile("1.txt", "one"), m_dir->filePath("folder.txt"), writeFile("3.txt", "three")});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"one", "three"}));
    QCOMPARE(f.dialogs.messages(), QStringList{ErrorGuard::reportText("Path/File access error",
                                                                      "PushButton3_Click", 103)});
    QCOMPARE(form.pointerShape(), PointerShape::Default);
}

void TestListFiles::load_fileWithoutReadPermissionIsReported()
{
    FormFixture f;
    Form1& form = f.create();
    const QString locked = writeFile("locked.txt", "secret");
    QVERIFY(QFile::setPermissions(locked, QFile::WriteOwner));
    if (QFile(locked).open(QIODevice::ReadOnly))
        QSKIP("This user reads every file (root)");
    f.dialogs.openFileAnswers.enqueue({locked});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(form.urlList().count(), 0);
    QCOMPARE(f.dialogs.messages(),
             QStringList{ErrorGuard::reportText("Permission denied", "PushButton3_Click", 102)});
}

void TestListFiles::load_namedPipeAndDeviceReportedAndNextFileRead()
{
    FormFixture f;
    Form1& form = f.create();
    const QString pipe = m_dir->filePath("pipe.txt");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    f.dialogs.openFileAnswers.enqueue({pipe, "/dev/null", writeFile("list.txt", "a")});
    // Should the load open the pipe after all, a writer that comes and goes ends its wait.
    std::promise<void> loaded;
    std::thread writer([&pipe, done = loaded.get_future()] {
        if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout)
            ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    });

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);
    loaded.set_value();
    writer.join();

    const QString report =
        ErrorGuard::reportText("Path/File access error", "PushButton3_Click", 103);
    QCOMPARE(f.dialogs.messages(), (QStringList{report, report}));
    QCOMPARE(urlListTexts(form.urlList()), QStringList{"a"});
}

void TestListFiles::load_hourglassWhileReadingThenDefault()
{
    FormFixture f;
    Form1& form = f.create();
    RecordingPointer pointer;
    ErrorGuard guard(f.dialogs, "PushButton3_Click");
    f.dialogs.openFileAnswers.enqueue({writeFile("a.txt", "a")});

    urllist::loadFromTextFiles(form.urlList(), pointer, f.dialogs, guard);

    QCOMPARE(pointer.history,
             (QList<PointerShape>{PointerShape::Hourglass, PointerShape::Default}));
}

void TestListFiles::load_duringJoinLeavesHourglassAndBusyRefusals()
{
    FormFixture f;
    Form1& form = f.create();
    form.setPointerShape(PointerShape::Hourglass);
    f.dialogs.openFileAnswers.enqueue({writeFile("a.txt", "a\r\nb")});

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);
    QTest::mouseClick(form.PushButton8, Qt::LeftButton); // "Clear List"

    QCOMPARE(form.pointerShape(), PointerShape::Hourglass);
    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"a", "b"}));
}

void TestListFiles::load_severalFilesJoinFolderAndNameThroughCleanUp()
{
    // A root folder already ends in its separator, and the clean-up takes the doubled one out
    // (on Windows a leading pair stays, as for a network path); a single file is used as chosen.
    const QString root = QDir::toNativeSeparators("/");
    const QString cleanedRoot = nativePathFlavour() == PathFlavour::Windows ? "\\\\" : "/";
    QCOMPARE(urllist::listFilePathsToRead({"/vantrel-a.txt", "/vantrel-b.txt"}),
             (QStringList{cleanedRoot + "vantrel-a.txt", cleanedRoot + "vantrel-b.txt"}));
    QCOMPARE(urllist::listFilePathsToRead({"/vantrel-c.txt"}), QStringList{root + "vantrel-c.txt"});
}

// One real list file and names of files that cannot exist, together needing exactly `length`
// characters of the name buffer.
QStringList TestListFiles::chosenNeeding(qsizetype length)
{
    QStringList paths{writeFile("real.txt", "r")};
    const QString folder = m_dir->path();
    qsizetype left = length - (QDir::toNativeSeparators(folder).size() + 2) - 9;
    while (left > 0) {
        const qsizetype cost = left > 400 ? 200 : left; // a name and its NUL
        const QString prefix = QString::number(paths.size()) + QLatin1Char('-');
        paths.append(folder + "/" + prefix + QString(cost - 1 - prefix.size(), QLatin1Char('n')));
        left -= cost;
    }
    return paths;
}

void TestListFiles::load_namesAtBufferLimitAreRead()
{
    FormFixture f;
    Form1& form = f.create();
    const QStringList paths = chosenNeeding(30000);
    QCOMPARE(urllist::nameBufferLength(paths), 30000);
    QCOMPARE(urllist::nameBufferLength({"/" + QString(29998, QLatin1Char('n'))}), 30000);
    f.dialogs.openFileAnswers.enqueue(paths);

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(urlListTexts(form.urlList()), QStringList{"r"});
    QCOMPARE(f.dialogs.messages().size(), paths.size() - 1);
    QVERIFY(!f.dialogs.messages().contains(TooManyFiles));
}

void TestListFiles::load_namesOverBufferLimitShowTooManyFilesAndAddNothing()
{
    FormFixture f;
    Form1& form = f.create();
    const QStringList paths = chosenNeeding(30001);
    QCOMPARE(urllist::nameBufferLength(paths), 30001);
    f.dialogs.openFileAnswers.enqueue(paths);

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(form.urlList().count(), 0);
    QCOMPARE(f.dialogs.messages(), QStringList{TooManyFiles});
    QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Vantrel"));
    QCOMPARE(f.dialogs.shown.last().icon, Dialogs::Icon::None);
}

void TestListFiles::load_hundredThousandLinesQuicklyAndListStaysResponsive()
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "http://www.vantrel.example/page/" + QByteArray::number(i) + "/\r\n";
    const QString path = writeFile("long list.txt", bytes);
    FormFixture f;
    Form1& form = f.create();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    f.dialogs.openFileAnswers.enqueue({path});

    QElapsedTimer load;
    load.start();
    QTest::mouseClick(form.PushButton3, Qt::LeftButton);
    const qint64 loadMs = load.elapsed();

    QElapsedTimer scroll;
    scroll.start();
    form.ListView1->scrollToBottom();
    form.ListView1->viewport()->repaint();
    form.ListView1->scrollToTop();
    form.ListView1->viewport()->repaint();
    const qint64 scrollMs = scroll.elapsed();

    qInfo("100000 lines loaded in %lld ms; scrolled and repainted twice in %lld ms", loadMs,
          scrollMs);
    QCOMPARE(form.urlList().count(), 100000);
    QCOMPARE(form.urlList().textAt(100000),
             QStringLiteral("http://www.vantrel.example/page/99999/"));
    QVERIFY2(loadMs < 5000, "a long list file loads in well under a second on a desktop");
    QVERIFY(scrollMs < 2000);
}

QTEST_MAIN(TestListFiles)
#include "tst_listfiles.moc"
