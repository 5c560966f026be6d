#include "dragreorder.h"

#include "app/shared/cursorfile.h"
#include "app/shared/programfolder.h"

#include <QAbstractItemView>

#include <exception>

namespace urllist {

void prepareDrag(QAbstractItemView& listControl, const QString& programFolder)
{
    try {
        listControl.setCursor(
            loadCursorFile(pathInFolder(programFolder, QStringLiteral("drag.ico"))));
    } catch (const std::exception&) {
        // A missing pointer image is no reason to spoil the drag: the ordinary pointer stays.
    }
    listControl.setDragEnabled(false);
}

void dragOver(UrlList& list, bool isDragging, UrlList::ItemRef& dragItem,
              UrlList::ItemRef& dropItem, const QPoint& point, int screenY)
{
    if (!isDragging)
        return;
    dropItem = list.itemAt(list.positionAt(point));
    const int from = list.positionOf(dragItem);
    const int to = list.positionOf(dropItem);
    if (from > 0 && to > 0) {
        const QString dragged = list.textAt(from);
        if (list.textAt(to) != dragged) {
            list.setTextAt(from, list.textAt(to));
            list.setTextAt(to, dragged);
            list.select(to);
            dragItem = list.itemAt(to);

            if (screenY < ScrollUpAboveScreenY) {
                if (to > 1)
                    list.scrollTo(to - 1);
            } else if (screenY >= ScrollDownFromScreenY && list.count() >= to + 1) {
                list.scrollTo(to + 1);
            }
        }
    }
    dropItem = UrlList::ItemRef();
}

} // namespace urllist
