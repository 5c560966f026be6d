#include "dragreorder.h"

#include "core/cursorfile.h"
#include "core/programfolder.h"

#include <QAbstractItemView>

#include <exception>

namespace urllist {

void DragReorder::press()
{
    m_dragging = true;
}

void DragReorder::itemClicked()
{
    try {
        m_listControl.setCursor(
            loadCursorFile(shippedFile(m_programFolder, QStringLiteral("drag.ico"))));
    } catch (const std::exception&) {
        // A missing pointer image is no reason to spoil the drag: the ordinary pointer stays.
    }
    m_listControl.setDragEnabled(false);
    m_dragItem = m_list.itemAt(m_list.selectedPosition());
}

void DragReorder::move(const QPoint& point, int screenY, bool buttonHeld)
{
    if (!m_dragging)
        return;
    if (!buttonHeld) {
        release();
        return;
    }
    const int from = m_list.positionOf(m_dragItem);
    const int to = m_list.positionAt(point);
    if (from <= 0 || to <= 0)
        return;
    const QString dragged = m_list.textAt(from);
    if (m_list.textAt(to) == dragged)
        return;
    m_list.setTextAt(from, m_list.textAt(to));
    m_list.setTextAt(to, dragged);
    m_list.select(to);
    m_dragItem = m_list.itemAt(to);

    if (screenY < ScrollUpAboveScreenY) {
        if (to > 1)
            m_list.scrollTo(to - 1);
    } else if (screenY >= ScrollDownFromScreenY && m_list.count() >= to + 1) {
        m_list.scrollTo(to + 1);
    }
}

void DragReorder::release()
{
    m_dragging = false;
    m_listControl.setCursor(Qt::ArrowCursor);
}

} // namespace urllist
