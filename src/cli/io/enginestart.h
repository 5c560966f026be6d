#pragma once

#include <QByteArray>
#include <QList>

namespace cli {

// A command that shows no window runs on the offscreen platform whatever the environment names
// (desktops set QT_QPA_PLATFORM too), and the engine's processes it starts see no display: on
// one, they took twice the memory, growing with the run, for nothing shown. One that opens a
// window (--login) gets the platform Qt would choose (Wayland, X11), with the offscreen one after
// it, unless QT_QPA_PLATFORM names one. Call before the application object exists.
void chooseGuiPlatform(bool opensWindow);

// From now until pagesStarted(), a fatal error of Qt or of the browser engine's start (no
// platform, no engine process or resources) ends the command with one line on standard error
// and EngineError, instead of an abort and a core dump.
void endFatalStartErrorsWithOneLine();
void pagesStarted();

// The arguments to make the application object with: the program's name, then the browser
// engine's own switches, which it reads from them. Its log lines (a TLS handshake that failed,
// say) stay off standard error, where the command's own line says what a user needs; setting
// VANTREL_ENGINE_LOG lets them through for debugging.
QList<QByteArray> applicationArguments(const char* program);

} // namespace cli
