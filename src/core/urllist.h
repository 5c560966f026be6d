#pragma once

#include <QPersistentModelIndex>
#include <QPoint>
#include <QString>
#include <QStringList>

// The ordered list of addresses, as the commands and the join see it. Positions count from 1 at
// the top; the list control behind it is the only store.
class UrlList
{
public:
    // Names one item for as long as it stays in the list; an item that is removed (or re-created
    // by a move) leaves the reference invalid rather than dangling.
    using ItemRef = QPersistentModelIndex;

    virtual ~UrlList() = default;

    virtual int count() const = 0;
    virtual void append(const QString& text) = 0;
    // Appends many items in one batch, for long list files.
    virtual void appendMany(const QStringList& texts) = 0;
    // Inserts before the item at position; count() + 1 appends.
    virtual void insertAt(int position, const QString& text) = 0;
    virtual void removeAt(int position) = 0;
    virtual void clear() = 0;
    virtual QString textAt(int position) const = 0;
    virtual void setTextAt(int position, const QString& text) = 0;
    // Position of the selected item, 0 when none is selected.
    virtual int selectedPosition() const = 0;
    // Selects the item at position and deselects any other.
    virtual void select(int position) = 0;
    virtual void scrollTo(int position) = 0;
    virtual void focus() = 0;
    // Position of the item under a point in the list's own (viewport) coordinates, 0 for none
    // (always so outside the viewport).
    virtual int positionAt(const QPoint& point) const = 0;

    virtual ItemRef itemAt(int position) const = 0;
    // Position of a referenced item, 0 when it is no longer in the list.
    virtual int positionOf(const ItemRef& item) const = 0;
};
