#pragma once

// The pictures several windows share, built once by the application at start
// (Globals::BuildPictures) and kept for the life of the program. Before
// BuildPictures runs every accessor answers a null image.
// Main thread only.

#include <QImage>

namespace Globals
{

// Sizes are logical pixels (deviceIndependentSize()): on a screen scaled by
// more than 1 the pictures carry twice the pixels with devicePixelRatio 2,
// so draw them at a point or into a rectangle, never by their size().
// The four 128 x 128 disc pictures, alpha taken from the disc's mask.
const QImage& CDIcon_normal();
const QImage& CDIcon_grey();
const QImage& CDIcon_red();
const QImage& CDIcon_green();
// 16 x 16 caution icon and blue folder, white made transparent.
const QImage& SmallAlertIcon();
const QImage& SmallBlueFolder();

// A copy of the image in which every pure white pixel is fully transparent.
QImage whiteTransparent(const QImage& source);

// Builds every picture above from the program's source pictures. Needs a
// QGuiApplication (the caution icon comes from the style).
void BuildPictures();

} // namespace Globals
