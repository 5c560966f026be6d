#pragma once

namespace cli {

// Chooses the platform Qt would (Wayland, X11) with the offscreen one after it, unless
// QT_QPA_PLATFORM names one: a display that does not answer (a stale DISPLAY) or none at all
// is the headless case. Call before the application object exists.
void chooseGuiPlatform();

// From now until pagesStarted(), a fatal error of Qt or of the browser engine's start (no
// platform, no engine process or resources) ends the command with one line on standard error
// and EngineError, instead of an abort and a core dump.
void endFatalStartErrorsWithOneLine();
void pagesStarted();

} // namespace cli
