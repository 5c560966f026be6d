// The list's editing commands, driven through the real window: what they do and what they refuse.
#include "app/pushbutton.h"
#include "formfixture.h"
#include "urllisttexts.h"

#include <QTreeWidget>
#include <QtTest>

namespace {
QStringList items(Form1& form)
{
    return urlListTexts(form.urlList());
}

void fill(Form1& form, const QStringList& texts, int selected = 0)
{
    form.urlList().appendMany(texts);
    if (selected > 0)
        form.urlList().select(selected);
}

// The events of a user's double-click on the list: a click, then the second press, which arrives
// as a double-click, and its release.
void doubleClick(Form1& form, const QPoint& point)
{
    QWidget* viewport = form.ListView1->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, point);
}

void doubleClick(Form1& form, int position)
{
    doubleClick(
        form, form.ListView1->visualItemRect(form.ListView1->topLevelItem(position - 1)).center());
}

// A point of the list below every item.
QPoint belowItems(Form1& form)
{
    return QPoint(5, form.ListView1->viewport()->height() - 2);
}
} // namespace

class TestListCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<FormFixture>();
        form = &f->create();
    }
    void cleanup() { f.reset(); }

    // ---- Add One URL

    void add_appendsTextExactlyAsTyped()
    {
        const QString veryLong(100000, QLatin1Char('x'));
        for (const QString& typed : {QStringLiteral("example.com"), QStringLiteral("   "),
                                     QStringLiteral("http://例え.テスト/ü?a=%20#x"), veryLong,
                                     QStringLiteral("example.com")})
            f->dialogs.promptAnswers.enqueue(typed);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(form->PushButton1, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"example.com", "   ", "http://例え.テスト/ü?a=%20#x",
                                            veryLong, "example.com"}));
        QCOMPARE(f->dialogs.shown[0].kind, QStringLiteral("prompt"));
        QCOMPARE(f->dialogs.shown[0].title, QStringLiteral("Vantrel"));
        QCOMPARE(f->dialogs.shown[0].text, QStringLiteral("Enter website address to add: "));
    }

    void add_cancelledOrEmptyChangesNothing()
    {
        fill(*form, {"a"}, 1);
        f->dialogs.promptAnswers.enqueue(QString());
        QTest::mouseClick(form->PushButton1, Qt::LeftButton); // OK on an empty field
        QTest::mouseClick(form->PushButton1, Qt::LeftButton); // Cancel
        QCOMPARE(items(*form), QStringList({"a"}));
    }

    void add_worksWhileBusyAndKeepsSelection()
    {
        fill(*form, {"a", "b"}, 1);
        form->setPointerShape(PointerShape::Hourglass);
        f->dialogs.promptAnswers.enqueue(QStringLiteral("c"));
        QTest::mouseClick(form->PushButton1, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"a", "b", "c"}));
        QCOMPARE(form->urlList().selectedPosition(), 1);
    }

    // ---- Remove selected

    void doubleClickAndDelete_removeTheSelectedItem()
    {
        fill(*form, {"a", "b", "c", "d"}, 1);
        doubleClick(*form, 2);
        QCOMPARE(items(*form), QStringList({"a", "c", "d"}));
        for (auto modifiers : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
            form->urlList().select(1);
            QTest::keyClick(form->ListView1, Qt::Key_Delete, modifiers);
        }
        QCOMPARE(items(*form), QStringList());
    }

    void otherKeys_removeNothing()
    {
        fill(*form, {"a", "b"}, 1);
        QTest::keyClick(form->ListView1, Qt::Key_Backspace);
        QTest::keyClick(form->ListView1, Qt::Key_X);
        QCOMPARE(form->urlList().count(), 2);
    }

    void remove_refusedWhileBusyOrWithoutSelection()
    {
        fill(*form, {"a", "b"}, 1);
        form->setPointerShape(PointerShape::Hourglass);
        doubleClick(*form, 1);
        QTest::keyClick(form->ListView1, Qt::Key_Delete);
        QCOMPARE(form->urlList().count(), 2);

        form->setPointerShape(PointerShape::Default);
        form->ListView1->clearSelection();
        doubleClick(*form, belowItems(*form));
        QCOMPARE(form->urlList().count(), 2);
        form->urlList().clear();
        doubleClick(*form, belowItems(*form)); // empty list
        QVERIFY(f->dialogs.shown.isEmpty());
    }

    // ---- Clear List

    void clear_removesAllUnlessBusy()
    {
        fill(*form, {"a", "b"});
        form->setPointerShape(PointerShape::Hourglass);
        QTest::mouseClick(form->PushButton8, Qt::LeftButton);
        QCOMPARE(form->urlList().count(), 2);
        form->setPointerShape(PointerShape::Default);
        QTest::mouseClick(form->PushButton8, Qt::LeftButton);
        QCOMPARE(form->urlList().count(), 0);
        QVERIFY(f->dialogs.shown.isEmpty());
    }

    // ---- Move Up / Move Down

    void moves_swapWithNeighbourAndKeepSelection_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected");
        QTest::newRow("up") << "PushButton4" << QStringList({"B", "A", "C"}) << 1;
        QTest::newRow("down") << "PushButton5" << QStringList({"A", "C", "B"}) << 3;
    }

    void moves_swapWithNeighbourAndKeepSelection()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        fill(*form, {"A", "B", "C"}, 2);
        QTest::mouseClick(form->findChild<PushButton*>(button), Qt::LeftButton);
        QCOMPARE(items(*form), expected);
        QCOMPARE(form->urlList().selectedPosition(), selected);
        QCOMPARE(form->ListView1->selectedItems().size(), 1);
    }

    void moves_keepDuplicatesAndEmptyTexts()
    {
        fill(*form, {"x", "", "x"}, 2);
        QTest::mouseClick(form->PushButton5, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"x", "x", ""}));
        QTest::mouseClick(form->PushButton4, Qt::LeftButton);
        QTest::mouseClick(form->PushButton4, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"", "x", "x"}));
        QCOMPARE(form->urlList().selectedPosition(), 1);
    }

    void moves_atTheEndsChangeNothingButFocusTheList()
    {
        fill(*form, {"A", "B"}, 1);
        form->PushButton7->setFocus();
        QTest::mouseClick(form->PushButton4, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"A", "B"}));
        QCOMPARE(form->focusWidget(), form->ListView1);

        form->urlList().select(2);
        form->PushButton7->setFocus();
        QTest::mouseClick(form->PushButton5, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"A", "B"}));
        QCOMPARE(form->focusWidget(), form->ListView1);
    }

    void moves_refusedWhileBusyOrWithoutSelection()
    {
        fill(*form, {"A", "B", "C"}, 2);
        form->setPointerShape(PointerShape::Hourglass);
        QTest::mouseClick(form->PushButton4, Qt::LeftButton);
        QTest::mouseClick(form->PushButton5, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"A", "B", "C"}));

        form->setPointerShape(PointerShape::Default);
        form->ListView1->clearSelection();
        QTest::mouseClick(form->PushButton4, Qt::LeftButton);
        QTest::mouseClick(form->PushButton5, Qt::LeftButton);
        QCOMPARE(items(*form), QStringList({"A", "B", "C"}));
        QVERIFY(f->dialogs.shown.isEmpty());
    }

    void moveDown_scrollsTheMovedItemIntoView()
    {
        QStringList many;
        for (int i = 1; i <= 200; ++i)
            many << QString::number(i);
        fill(*form, many, 1);
        for (int i = 0; i < 150; ++i)
            QTest::mouseClick(form->PushButton5, Qt::LeftButton);
        QCOMPARE(form->urlList().textAt(151), QStringLiteral("1"));
        const QRect visible = form->ListView1->viewport()->rect();
        const QRect itemRect = form->ListView1->visualItemRect(form->ListView1->topLevelItem(150));
        QVERIFY(visible.contains(itemRect.center()));
    }

private:
    std::unique_ptr<FormFixture> f;
    Form1* form = nullptr;
};

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
