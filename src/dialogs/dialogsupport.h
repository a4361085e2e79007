#pragma once

// Small helpers the burn dialogs share: the program's "System" font and the
// two ways the dialogs place themselves on the main screen.
// Main thread only (they read the application's font and screens).

#include <QFont>
#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace Dialogs
{

// The application's default family at a size in pixels.
[[nodiscard]] QFont systemFont(int pixelSize, bool bold = false);

// Makes a one-line label's font smaller, a pixel at a time down to 9 pixels,
// until its text fits the label's width. The designed sizes were made for a
// narrower system font than most Linux desktops have; this keeps the designed
// bounds without cutting texts off.
void fitFontToWidth(QLabel* label);

// The main screen's bounds; a 1024 x 768 rectangle when there is no screen.
[[nodiscard]] QRect mainScreenGeometry();

// Centred on a screen of the given size: left = width / 2 - window width / 2,
// top = height / 2 - window height / 2, each division dropping the remainder.
[[nodiscard]] QPoint centredOnScreen(QSize screen, QSize window);

// Centred horizontally with the window's lower edge on the screen's
// horizontal centre line: top = height / 2 - window height.
[[nodiscard]] QPoint aboveScreenCentre(QSize screen, QSize window);

} // namespace Dialogs
