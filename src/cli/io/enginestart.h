#pragma once

#include <QByteArray>
#include <QList>

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

// The arguments to make the application object with: the program's name, then the browser
// engine's own switches, which it reads from them. Its log lines (a TLS handshake that failed,
// say) stay off standard error, where the command's own line says what a user needs; setting
// VANTREL_ENGINE_LOG lets them through for debugging.
QList<QByteArray> applicationArguments(const char* program);

} // namespace cli
