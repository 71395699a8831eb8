#pragma once
// Turning antialiased drawings into pictures for colour-keyed windows: the key colour marks
// see-through pixels, so it must never appear inside, and edges must not fringe towards it.
#include <QImage>
#include <QPoint>

namespace ld::artwork {

inline constexpr QRgb kWhiteKey = 0xFFFFFF;
inline constexpr QRgb kBlackKey = 0x000000;
// Brightest channel value allowed inside a white-keyed picture.
inline constexpr int kBrightest = 250;

// A transparent ARGB32 premultiplied canvas.
QImage newCanvas(QSize size);

// Flattens a drawing whose surroundings will be see-through on an unknown background: pixels at
// least half covered keep their own colour, the rest become the white key (a hard but clean edge).
QImage keyOnWhite(const QImage& drawing);

// Flattens a drawing that will lie on `backdrop` at `at`: partly covered pixels blend with what lies
// beneath, so the edge is smooth there; uncovered pixels become the white key.
QImage keyOnWhite(const QImage& drawing, const QImage& backdrop, QPoint at);

// Turns every pixel darker than `floor` (brightest channel) into the black key, so faint glows end
// cleanly instead of showing as dark haze; returns an RGB32 image. The other pixels keep 5 bits per
// channel: finer steps do not survive the GIF palette anyway, and fewer distinct colours make the
// colour reduction of these big pictures several times quicker.
QImage keyOnBlack(const QImage& drawing, int floor);

}  // namespace ld::artwork
