#include "listcommands.h"

#include "app/shared/apptitle.h"
#include "app/shared/dialogs.h"
#include "app/shared/errorguard.h"
#include "app/shared/windowpointer.h"
#include "urllist.h"

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

void moveUp(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard)
{
    if (pointer.isBusy() || list.count() == 0)
        return;
    const int p = list.selectedPosition();
    if (p == 0)
        return;
    if (p < 2) {
        guard.line(100, [&] { list.focus(); });
        return;
    }
    guard.line(101, [&] { list.insertAt(p - 1, list.textAt(p)); });
    guard.line(102, [&] { list.removeAt(p + 1); });
    guard.line(103, [&] { list.select(p - 1); });
    guard.line(104, [&] { list.scrollTo(p - 1); });
    guard.line(105, [&] { list.focus(); });
}

void moveDown(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard)
{
    if (pointer.isBusy() || list.count() == 0)
        return;
    const int p = list.selectedPosition();
    if (p == 0)
        return;
    if (p >= list.count()) {
        guard.line(100, [&] { list.focus(); });
        return;
    }
    guard.line(101, [&] { list.insertAt(p + 2, list.textAt(p)); });
    guard.line(102, [&] { list.removeAt(p); });
    guard.line(103, [&] { list.select(p + 1); });
    guard.line(104, [&] { list.scrollTo(p + 1); });
    guard.line(105, [&] { list.focus(); });
}

} // namespace urllist
