#include "app/pushbutton.h"
#include "formfixture.h"
#include "urllisttexts.h"

#include <QtTest>

namespace {
const QString First = QStringLiteral("http://www.vantrel.example/samples/news/");
const QString Second = QStringLiteral("http://www.vantrel.example/samples/docs/");

} // namespace

class TestSampleSites : public QObject
{
    Q_OBJECT

private slots:
    void samples_appendBothAfterExistingItemsTwiceOver();
    void samples_appendWhileBusyAndLeaveSelection();
    void help_showsLinksTextOnly();
};

void TestSampleSites::samples_appendBothAfterExistingItemsTwiceOver()
{
    FormFixture f;
    Form1& form = f.create();
    form.urlList().append("A");
    form.urlList().append("B");

    QTest::mouseClick(form.PushButton9, Qt::LeftButton);
    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"A", "B", First, Second}));
    QTest::mouseClick(form.PushButton9, Qt::LeftButton);
    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"A", "B", First, Second, First, Second}));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestSampleSites::samples_appendWhileBusyAndLeaveSelection()
{
    FormFixture f;
    Form1& form = f.create();
    form.urlList().append("A");
    form.urlList().select(1);
    form.setPointerShape(PointerShape::Hourglass);

    QTest::mouseClick(form.PushButton9, Qt::LeftButton);

    QCOMPARE(urlListTexts(form.urlList()), (QStringList{"A", First, Second}));
    QCOMPARE(form.urlList().selectedPosition(), 1);
}

void TestSampleSites::help_showsLinksTextOnly()
{
    FormFixture f;
    Form1& form = f.create();

    QTest::mouseClick(form.PushButton7, Qt::LeftButton);

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text,
             QStringLiteral("Get Links Within URL - This feature will discover other links "
                            "within a web site by looking at the HTML source code."));
    QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Vantrel"));
    QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::None);
    QCOMPARE(form.urlList().count(), 0);
}

QTEST_MAIN(TestSampleSites)
#include "tst_samplesites.moc"
