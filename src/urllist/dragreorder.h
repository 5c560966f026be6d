#pragma once

#include "urllist.h"

class QAbstractItemView;

// Drag-to-reorder: while a button is held on the list, the dragged address and the one under the
// pointer change places, so the address travels through the list one exchange at a time.
namespace urllist {

// Screen rows (absolute, in pixels) above which and from which an exchange also scrolls the list
// by one item.
inline constexpr int ScrollUpAboveScreenY = 305;
inline constexpr int ScrollDownFromScreenY = 365;

// Item click: the list control shows the drag pointer "drag.ico" from the program folder (its
// ordinary pointer stays when the file is missing or unreadable) and starts no drag-and-drop of
// its own.
void prepareDrag(QAbstractItemView& listControl, const QString& programFolder);

// Pointer move over the list at point (the list's own coordinates), screenY being the pointer's
// row on the screen. Does nothing unless dragging; a dragItem no longer in the list, an empty spot
// or an equal text exchange nothing. After an exchange dragItem names the item under the pointer.
void dragOver(UrlList& list, bool isDragging, UrlList::ItemRef& dragItem,
              UrlList::ItemRef& dropItem, const QPoint& point, int screenY);

} // namespace urllist
