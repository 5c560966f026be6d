#pragma once

#include "core/urllist.h"

#include <QPoint>
#include <QString>

#include <utility>

class QAbstractItemView;

namespace urllist {

// Screen rows (absolute, in pixels) above which and from which an exchange also scrolls the list
// by one item.
inline constexpr int ScrollUpAboveScreenY = 305;
inline constexpr int ScrollDownFromScreenY = 365;

// Drag-to-reorder: while a button is held on the list, the dragged address and the one under the
// pointer change places, so the address travels through the list one exchange at a time. The
// window's four list-pointer handlers each call one step.
class DragReorder
{
public:
    DragReorder(UrlList& list, QAbstractItemView& listControl, QString programFolder)
        : m_list(list), m_listControl(listControl), m_programFolder(std::move(programFolder))
    {
    }

    // Button pressed on the list: a drag starts, with or without an item under the pointer.
    void press();
    // Item clicked: the list control shows the drag pointer "drag.ico" from the program folder
    // (its ordinary pointer stays when the file is missing or unreadable) and the selected item
    // becomes the dragged one.
    void itemClicked();
    // Pointer moved to point (the list's own coordinates), screenY being the pointer's row on the
    // screen. Does nothing unless dragging; a dragged item no longer in the list, an empty spot
    // (any point outside the list's viewport included) or an equal text exchange nothing. After
    // an exchange the dragged item is the one under the pointer. A move without a button held
    // ends the drag as release() does: the release went elsewhere (a message box that opened
    // while the button was down takes it).
    void move(const QPoint& point, int screenY, bool buttonHeld);
    // Button released: the drag ends and the ordinary pointer returns.
    void release();

    bool isDragging() const { return m_dragging; }
    const UrlList::ItemRef& dragItem() const { return m_dragItem; }

private:
    UrlList& m_list;
    QAbstractItemView& m_listControl;
    QString m_programFolder;
    bool m_dragging = false;
    UrlList::ItemRef m_dragItem;
};

} // namespace urllist
