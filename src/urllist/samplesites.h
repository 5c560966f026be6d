#pragma once

class Dialogs;
class ErrorGuard;
class UrlList;

namespace urllist {

// Two pages of the product's own web site, in the order they are added.
inline constexpr char FirstSampleAddress[] = "http://www.vantrel.example/samples/news/";
inline constexpr char SecondSampleAddress[] = "http://www.vantrel.example/samples/docs/";

// "Load Sample/Example Sites": appends both sample addresses. Not refused while busy.
void loadSampleSites(UrlList& list, ErrorGuard& guard);

// "Help": explains the links feature in a plain message box.
void showLinksHelp(Dialogs& dialogs, ErrorGuard& guard);

} // namespace urllist
