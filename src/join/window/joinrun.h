#pragma once

#include "join/run/joinengine.h"

#include <QString>

#include <chrono>

class Dialogs;
class ProgressDisplay;
class JoinedDocument;
class SiteBrowser;
class UrlList;
class WindowPointer;

namespace join {

// What the join works on: the window's list, pointer, progress bar, dialogs and its two browsers.
struct JoinControls
{
    UrlList& list;
    WindowPointer& pointer;
    ProgressDisplay& progress;
    Dialogs& dialogs;
    JoinedDocument& result; // holds the joined document
    SiteBrowser& site;      // loads each address in turn
};

// "Start Joining": loads every listed address in order, appends each page body's markup to one
// joined document and writes it to joined.html in the output folder. Does nothing while a run is
// already under way (isJoining).
void StartJoining(const JoinControls& controls, bool& isJoining, const QString& outputFolder,
                  std::chrono::milliseconds pageBound = PageLoadBound);

} // namespace join
