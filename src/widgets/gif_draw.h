#pragma once
// The transparent stretch (shared with the picture control).
#include <QImage>
#include <QPainter>
#include <QRect>

namespace ld {

// Stretches srcRect of src into dst on the painter with nearest-neighbour sampling (destination pixel
// (x, y) takes source pixel (sx + (x - dx) * sw / dw, sy + (y - dy) * sh / dh)), leaving out the pixels
// whose colour is the key: they leave the destination unchanged.
// - A destination width or height below 1 means the source bitmap's; a source width or height below 1
//   means the whole bitmap.
// - key kColorNone: a plain opaque stretch copy.
// - key kColorDefault (0x20000000): the colour of the bitmap's bottom-left pixel.
// - Every bitmap, monochrome ones included, is keyed on the RGB value of key (alpha ignored; for indexed
//   bitmaps through their colour table, so every index of the key colour is left out). A monochrome
//   bitmap is not keyed on white, as a monochrome mask blit would do: that would turn a 1-bit picture whose
//   transparent index is 0 inside out. Key-coloured pixels always leave the destination unchanged.
// Source alpha is ignored: pixels that are not keyed are drawn opaque.
void transparentStretch(QPainter& painter, QRect dst, const QImage& src, QRect srcRect, QRgb key);

// The stretched, keyed picture that transparentStretch draws: ARGB32 of dst's size, keyed pixels alpha 0.
QImage stretchKeyed(const QImage& src, QRect srcRect, QSize dstSize, QRgb key);

}  // namespace ld
