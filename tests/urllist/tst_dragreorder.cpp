#include "formfixture.h"
#include "urllist/dragreorder.h"
#include "urllisttexts.h"

#include <QApplication>
#include <QFile>
#include <QTreeWidget>
#include <QtTest>

namespace {
// A screen row between the two scroll limits: exchanges there never scroll.
constexpr int QuietScreenY = 330;

// The window's list, with the scroll requests it receives written down.
struct ScrollRecorder : ListViewUrlList
{
    using ListViewUrlList::ListViewUrlList;
    QList<int> scrolled;
    void scrollTo(int position) override
    {
        scrolled.append(position);
        ListViewUrlList::scrollTo(position);
    }
};

// "1" to "40": more items than the list shows at once.
QStringList manyItems()
{
    QStringList items;
    for (int i = 1; i <= 40; ++i)
        items.append(QString::number(i));
    return items;
}

struct DragFixture
{
    explicit DragFixture(const QStringList& items, bool withDragIcon = false)
    {
        if (withDragIcon)
            QFile::copy(QCoreApplication::applicationDirPath() + "/drag.ico",
                        f.programDir() + "/drag.ico");
        form = &f.create();
        for (const QString& item : items)
            form->urlList().append(item);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }

    QWidget* viewport() const { return form->ListView1->viewport(); }
    QPoint centre(int position) const
    {
        return form->ListView1->visualItemRect(form->ListView1->topLevelItem(position - 1))
            .center();
    }
    void press(const QPoint& point) { QTest::mousePress(viewport(), Qt::LeftButton, {}, point); }
    void press(int position) { press(centre(position)); }
    void release() { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centre(1)); }
    void moveTo(const QPoint& point, int screenY = QuietScreenY,
                Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, point, QPoint(point.x(), screenY), Qt::NoButton,
                         buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }
    void moveTo(int position, int screenY = QuietScreenY) { moveTo(centre(position), screenY); }

    void showFromTop(int position)
    {
        form->ListView1->scrollToItem(form->ListView1->topLevelItem(position - 1),
                                      QAbstractItemView::PositionAtTop);
    }

    QStringList texts() const { return urlListTexts(form->urlList()); }
    int selected() const { return form->urlList().selectedPosition(); }
    int topVisible() const { return form->urlList().positionAt(QPoint(5, 2)); }

    FormFixture f;
    Form1* form = nullptr;
};
} // namespace

class TestDragReorder : public QObject
{
    Q_OBJECT

private slots:
    void drag_passesThroughEachItemDownwards();
    void drag_skippedItemExchangesOnlyTheTwo();
    void drag_overEqualTextChangesNothing();
    void drag_overEmptyAreaChangesNothing();
    void drag_pastTheListsEdgeChangesNothing();
    void drag_worksWhileBusyAndLeavesHourglass();
    void move_withoutPressChangesNothing();
    void move_withoutButtonEndsTheDrag();
    void release_endsDragAndShowsArrow();
    void drag_withStaleDragItemChangesNothing();

    void itemClick_showsDragPointer();
    void itemClick_withoutUsableDragIconKeepsOrdinaryPointer_data();
    void itemClick_withoutUsableDragIconKeepsOrdinaryPointer();

    void edgeScroll_data();
    void edgeScroll();
    void edgeScroll_usesPointerScreenPosition();
};

void TestDragReorder::drag_passesThroughEachItemDownwards()
{
    DragFixture d({"A", "B", "C", "D"});
    d.press(1);
    d.moveTo(2);
    QCOMPARE(d.texts(), (QStringList{"B", "A", "C", "D"}));
    QCOMPARE(d.selected(), 2);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"B", "C", "A", "D"}));
    QCOMPARE(d.selected(), 3);
    d.moveTo(4);
    QCOMPARE(d.texts(), (QStringList{"B", "C", "D", "A"}));
    QCOMPARE(d.selected(), 4);
}

void TestDragReorder::drag_skippedItemExchangesOnlyTheTwo()
{
    DragFixture d({"A", "B", "C", "D"});
    d.press(1);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"C", "B", "A", "D"}));
    QCOMPARE(d.selected(), 3);
}

void TestDragReorder::drag_overEqualTextChangesNothing()
{
    DragFixture d({"A", "B", "A"});
    d.press(1);
    d.moveTo(1);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"A", "B", "A"}));
    QCOMPARE(d.selected(), 1);
}

void TestDragReorder::drag_overEmptyAreaChangesNothing()
{
    DragFixture d({"A", "B"});
    d.press(1);
    d.moveTo(QPoint(5, d.viewport()->height() - 2));
    d.moveTo(QPoint(-20, d.centre(2).y()));
    QCOMPARE(d.texts(), (QStringList{"A", "B"}));
    QCOMPARE(d.selected(), 1);
}

void TestDragReorder::drag_pastTheListsEdgeChangesNothing()
{
    // With the button held, moves beyond the list still arrive; rows hidden there must not trade.
    const QStringList items = manyItems();
    DragFixture d(items);
    d.showFromTop(10);
    d.press(12);
    for (const QPoint& beyond : {QPoint(5, d.viewport()->height() + 20), QPoint(5, -10)}) {
        d.moveTo(beyond);
        QCOMPARE(d.texts(), items);
    }
    QCOMPARE(d.selected(), 12);
}

void TestDragReorder::drag_worksWhileBusyAndLeavesHourglass()
{
    DragFixture d({"A", "B"});
    d.form->setPointerShape(PointerShape::Hourglass);
    d.press(1);
    d.moveTo(2);
    QCOMPARE(d.texts(), (QStringList{"B", "A"}));
    QCOMPARE(d.form->pointerShape(), PointerShape::Hourglass);
}

void TestDragReorder::move_withoutPressChangesNothing()
{
    DragFixture d({"A", "B", "C"});
    d.press(1);
    d.release();
    d.moveTo(d.centre(2), QuietScreenY, Qt::NoButton);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"A", "B", "C"}));
}

void TestDragReorder::move_withoutButtonEndsTheDrag()
{
    // The release went to a message box that opened while the button was down.
    DragFixture d({"A", "B", "C"}, true);
    d.press(1);
    d.moveTo(d.centre(2), QuietScreenY, Qt::NoButton);
    QVERIFY(!d.form->dragReorder().isDragging());
    QCOMPARE(d.form->ListView1->cursor().shape(), Qt::ArrowCursor);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"A", "B", "C"}));
}

void TestDragReorder::release_endsDragAndShowsArrow()
{
    DragFixture d({"A", "B"}, true);
    d.press(1);
    d.moveTo(2);
    d.release();
    QVERIFY(!d.form->dragReorder().isDragging());
    QCOMPARE(d.form->ListView1->cursor().shape(), Qt::ArrowCursor);
}

void TestDragReorder::drag_withStaleDragItemChangesNothing()
{
    DragFixture d({"A", "B", "C"});
    d.press(2);
    d.release();
    QVERIFY(d.form->dragReorder().dragItem().isValid());
    QTest::mouseClick(d.form->findChild<QWidget*>("PushButton4"), Qt::LeftButton);
    QCOMPARE(d.texts(), (QStringList{"B", "A", "C"}));

    // A press outside every item starts a drag without choosing a new item.
    d.press(QPoint(5, d.viewport()->height() - 2));
    d.moveTo(1);
    d.moveTo(3);
    QCOMPARE(d.texts(), (QStringList{"B", "A", "C"}));
}

void TestDragReorder::itemClick_showsDragPointer()
{
    DragFixture d({"A"}, true);
    d.press(1);
    QCOMPARE(d.form->ListView1->cursor().shape(), Qt::BitmapCursor);
}

void TestDragReorder::itemClick_withoutUsableDragIconKeepsOrdinaryPointer_data()
{
    QTest::addColumn<QByteArray>("iconBytes");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not an icon") << QByteArray("plain text, not a picture");
}

void TestDragReorder::itemClick_withoutUsableDragIconKeepsOrdinaryPointer()
{
    QFETCH(QByteArray, iconBytes);
    DragFixture d({"A", "B"});
    if (!iconBytes.isEmpty()) {
        QFile icon(d.f.programDir() + "/drag.ico");
        QVERIFY(icon.open(QIODevice::WriteOnly));
        icon.write(iconBytes);
    }
    d.press(1);
    d.moveTo(2);
    QCOMPARE(d.form->ListView1->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(d.texts(), (QStringList{"B", "A"}));
}

void TestDragReorder::edgeScroll_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("screenY");
    QTest::addColumn<QList<int>>("scrolled");
    QTest::newRow("above 305 shows the item above") << 3 << 2 << 304 << QList<int>{1};
    QTest::newRow("at 305 nothing") << 3 << 2 << 305 << QList<int>{};
    QTest::newRow("at 364 nothing") << 1 << 2 << 364 << QList<int>{};
    QTest::newRow("at 365 shows the item below") << 1 << 2 << 365 << QList<int>{3};
    QTest::newRow("top item, nothing above") << 2 << 1 << 0 << QList<int>{};
    QTest::newRow("bottom item, nothing below") << 2 << 3 << 900 << QList<int>{};
    QTest::newRow("no exchange, no scroll") << 2 << 2 << 0 << QList<int>{};
}

void TestDragReorder::edgeScroll()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, screenY);
    QFETCH(QList<int>, scrolled);
    DragFixture d({"A", "B", "C"});
    ScrollRecorder list(d.form->ListView1);
    urllist::DragReorder drag(list, *d.form->ListView1, d.f.programDir());
    list.select(from);
    drag.press();
    drag.itemClicked();

    drag.move(d.centre(to), screenY, true);

    QCOMPARE(list.scrolled, scrolled);
    QCOMPARE(list.positionOf(drag.dragItem()), to);
}

void TestDragReorder::edgeScroll_usesPointerScreenPosition()
{
    DragFixture d(manyItems());
    d.showFromTop(10);
    QCOMPARE(d.topVisible(), 10);

    d.press(12);
    d.moveTo(10, 100);

    QCOMPARE(d.form->urlList().textAt(10), QStringLiteral("12"));
    QCOMPARE(d.topVisible(), 9);
}

QTEST_MAIN(TestDragReorder)
#include "tst_dragreorder.moc"
