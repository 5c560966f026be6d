#pragma once

class QWidget;

// Applies the optional skin file below the program folder to the main window.
void ApplySkin(QWidget& window);
