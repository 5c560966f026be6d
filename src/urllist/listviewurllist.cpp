#include "listviewurllist.h"

#include "core/apperror.h"

#include <QTreeWidget>

namespace {
QTreeWidgetItem* newItem(const QString& text)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    return item;
}

[[noreturn]] void throwBadPosition()
{
    throw AppError(35600, QStringLiteral("Index out of bounds"));
}
} // namespace

int ListViewUrlList::count() const
{
    return m_view->topLevelItemCount();
}

void ListViewUrlList::append(const QString& text)
{
    m_view->addTopLevelItem(newItem(text));
}

void ListViewUrlList::appendMany(const QStringList& texts)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(texts.size());
    for (const QString& text : texts)
        items.append(newItem(text));
    m_view->addTopLevelItems(items);
}

void ListViewUrlList::insertAt(int position, const QString& text)
{
    if (position < 1 || position > count() + 1)
        throwBadPosition();
    m_view->insertTopLevelItem(position - 1, newItem(text));
}

void ListViewUrlList::removeAt(int position)
{
    if (position < 1 || position > count())
        throwBadPosition();
    delete m_view->takeTopLevelItem(position - 1);
}

void ListViewUrlList::clear()
{
    m_view->clear();
}

QString ListViewUrlList::textAt(int position) const
{
    if (position < 1 || position > count())
        throwBadPosition();
    return m_view->topLevelItem(position - 1)->text(0);
}

void ListViewUrlList::setTextAt(int position, const QString& text)
{
    if (position < 1 || position > count())
        throwBadPosition();
    m_view->topLevelItem(position - 1)->setText(0, text);
}

int ListViewUrlList::selectedPosition() const
{
    QTreeWidgetItem* current = m_view->currentItem();
    if (!current || !current->isSelected())
        return 0;
    return m_view->indexOfTopLevelItem(current) + 1;
}

void ListViewUrlList::select(int position)
{
    if (position < 1 || position > count())
        throwBadPosition();
    m_view->setCurrentItem(m_view->topLevelItem(position - 1), 0,
                           QItemSelectionModel::ClearAndSelect);
}

void ListViewUrlList::scrollTo(int position)
{
    if (position < 1 || position > count())
        throwBadPosition();
    m_view->scrollToItem(m_view->topLevelItem(position - 1));
}

void ListViewUrlList::focus()
{
    m_view->setFocus(Qt::OtherFocusReason);
}

int ListViewUrlList::positionAt(const QPoint& point) const
{
    // The view also answers for points beyond its edges, with rows nobody can see there.
    if (!m_view->viewport()->rect().contains(point))
        return 0;
    QTreeWidgetItem* item = m_view->itemAt(point);
    return item ? m_view->indexOfTopLevelItem(item) + 1 : 0;
}

UrlList::ItemRef ListViewUrlList::itemAt(int position) const
{
    if (position < 1 || position > count())
        return {};
    return QPersistentModelIndex(m_view->model()->index(position - 1, 0));
}

int ListViewUrlList::positionOf(const ItemRef& item) const
{
    if (!item.isValid() || item.model() != m_view->model())
        return 0;
    return item.row() + 1;
}
