#pragma once

#include <QString>

class QWidget;
class SkinFramework;

// Applies the skin file x/o.cjs below the program folder, when there is one, to the main window:
// the window and its frames, labels, check boxes and option buttons take the button-face colour,
// then the skin component loads the file and applies it. Failures throw AppError; colours already
// changed stay changed.
void ApplySkin(QWidget& window, const QString& programFolder, SkinFramework& skin);
