#include "listcommands.h"

#include "core/apptitle.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/urllist.h"
#include "core/windowpointer.h"

namespace urllist {

void addOneUrl(UrlList& list, Dialogs& dialogs, ErrorGuard& guard)
{
    QString address;
    guard.line(100, [&] {
        address = dialogs.prompt(appTitle(), QStringLiteral("Enter website address to add: "));
    });
    if (address.isEmpty())
        return;
    guard.line(101, [&] { list.append(address); });
}

void removeSelected(UrlList& list, const WindowPointer& pointer)
{
    if (pointer.isBusy() || list.count() == 0)
        return;
    // With items but no selection there is nothing to remove.
    const int position = list.selectedPosition();
    if (position > 0)
        list.removeAt(position);
}

void clearList(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard)
{
    if (pointer.isBusy())
        return;
    guard.line(100, [&] { list.clear(); });
}

namespace {
// Swaps the selected item with its neighbour one place up (step -1) or down (step +1). The moved
// address becomes a new item holding only its text, and stays selected.
void moveSelected(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard, int step)
{
    if (pointer.isBusy() || list.count() == 0)
        return;
    const int p = list.selectedPosition();
    if (p == 0)
        return;
    const bool atEnd = step < 0 ? p < 2 : p >= list.count();
    if (atEnd) {
        guard.line(100, [&] { list.focus(); });
        return;
    }
    // Up: the copy goes above the neighbour, which pushes the old item to p + 1.
    // Down: the copy goes below the neighbour, and the old item stays at p.
    const int copyAt = step < 0 ? p - 1 : p + 2;
    const int oldAt = step < 0 ? p + 1 : p;
    const int movedTo = p + step;
    guard.line(101, [&] { list.insertAt(copyAt, list.textAt(p)); });
    guard.line(102, [&] { list.removeAt(oldAt); });
    guard.line(103, [&] { list.select(movedTo); });
    guard.line(104, [&] { list.scrollTo(movedTo); });
    guard.line(105, [&] { list.focus(); });
}
} // namespace

void moveUp(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard)
{
    moveSelected(list, pointer, guard, -1);
}

void moveDown(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard)
{
    moveSelected(list, pointer, guard, +1);
}

} // namespace urllist
