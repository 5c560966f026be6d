#pragma once

#include <QString>

// The product title: the main window's caption and the settings section.
inline constexpr char ProductTitle[] = "Vantrel";

// Title of every message box and text prompt that names no title of its own. It holds the
// product title until start-up shortens it.
QString appTitle();
void setAppTitle(const QString& title);

// The product title less its last word, cut again while longer than 40 characters.
// A title without a blank has nowhere to cut and stays whole.
QString shortenedTitle(const QString& title);
