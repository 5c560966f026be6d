#pragma once

class Dialogs;
class ErrorGuard;
class UrlList;
class WindowPointer;

// The list's editing commands. Those that take a guard run their steps as its numbered
// statements; the others belong to unguarded list events.
namespace urllist {

// "Add One URL": prompts for an address and appends it as typed. Not refused while busy.
void addOneUrl(UrlList& list, Dialogs& dialogs, ErrorGuard& guard);
// Double-click or Delete on the list: removes the selected item unless busy.
void removeSelected(UrlList& list, const WindowPointer& pointer);
// "Clear List": removes every item unless busy.
void clearList(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard);
// "Move Up" / "Move Down": swaps the selected item with its neighbour, keeping it selected.
void moveUp(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard);
void moveDown(UrlList& list, const WindowPointer& pointer, ErrorGuard& guard);

} // namespace urllist
