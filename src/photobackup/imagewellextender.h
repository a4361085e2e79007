#pragma once

// Showing a picture in an image well: scaled down to fit the well less a
// 10-pixel margin on every side, never enlarged, centred. Main thread only
// (AddScaledImage); the computations are pure.

#include <QImage>
#include <QRect>
#include <QSize>

class QLabel;

namespace ImagewellExtender {

// Where a picture of `picture` size is drawn inside an area of `area` size:
// scaled by the smaller of the two ratios (area / picture) when it is wider
// or taller than the area, each side truncated to whole pixels; at its own
// size otherwise; centred with integer halves (area / 2 - drawn / 2).
[[nodiscard]] QRect ScaledBounds(QSize area, QSize picture);

// A new transparent picture of `area` size with `picture` drawn at
// ScaledBounds. A null picture gives a transparent picture.
[[nodiscard]] QImage ScaledImage(QSize area, const QImage& picture);

// Makes ScaledImage(well size less 20 by 20, picture) the well's picture;
// a null picture empties the well.
void AddScaledImage(QLabel* well, const QImage& picture);

} // namespace ImagewellExtender
