#pragma once
// Window shaping: colour-key see-through windows, rounded panels and centred placement.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

class QWidget;

namespace ld {

// The pixels of `rendering` that are not exactly `key`: what stays of a window whose key colour is
// see-through. Empty when every pixel is the key colour.
QRegion regionOutsideKey(const QImage& rendering, QColor key);

// An X server given a window shape of more than 32765 rectangles (a request beyond 65535 words) sets an
// empty shape without any error: the window vanishes. Shapes stay at or below this many rectangles.
inline constexpr int kMaxShapeRects = 30000;

// regionOutsideKey, unless that takes more than maxRects rectangles: then the region of the smallest
// power-of-two blocks, each kept whole when any of its pixels is not `key`, that fits. Every pixel that is
// not `key` stays inside; only some key colour beside fine detail stops being see-through.
QRegion shapeOutsideKey(const QImage& rendering, QColor key, int maxRects = kMaxShapeRects);

// Renders `window` as it would paint now and cuts it to the pixels that are not `key` (shapeOutsideKey),
// so the key colour and the clicks on it belong to what lies behind. Needs no compositing window manager.
// Returns the region.
QRegion applyColourKey(QWidget& window, QColor key);

// A rounded rectangle from (0, 0) to (size + 1) with corner ellipses of ellipse x ellipse, as a window
// region.
QRegion roundedPanelRegion(QSize size, int ellipse);

// Top-left corner that centres `window` on `screen`, each half truncated toward zero (so a window larger
// than the screen sits at half its overhang to the left or above).
QPoint centredTopLeft(const QRect& screen, QSize window);

}  // namespace ld
