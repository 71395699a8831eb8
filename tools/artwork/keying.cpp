#include "keying.h"

#include <algorithm>

namespace ld::artwork {

namespace {

QRgb clampInside(int r, int g, int b) {
  return qRgb(std::min(r, kBrightest), std::min(g, kBrightest), std::min(b, kBrightest));
}

// Keeps the top 5 bits, repeated into the low bits so that 0 and 255 stay put.
int fiveBits(int v) { return (v & 0xF8) | (v >> 5); }

}  // namespace

QImage newCanvas(QSize size) {
  QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  return canvas;
}

QImage keyOnWhite(const QImage& drawing) {
  const QImage src = drawing.convertToFormat(QImage::Format_ARGB32);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x) {
      const QRgb p = in[x];
      line[x] = qAlpha(p) < 128 ? kWhiteKey : clampInside(qRed(p), qGreen(p), qBlue(p));
    }
  }
  return out;
}

QImage keyOnWhite(const QImage& drawing, const QImage& backdrop, QPoint at) {
  const QImage src = drawing.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage under = backdrop.convertToFormat(QImage::Format_RGB32);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x) {
      const QRgb p = in[x];
      const int a = qAlpha(p);
      if (a == 0) {
        line[x] = kWhiteKey;
        continue;
      }
      const QPoint b = at + QPoint(x, y);
      // Off the backdrop (or on its see-through part) there is nothing known to blend with.
      const QRgb u = under.rect().contains(b) ? under.pixel(b) : kWhiteKey;
      if ((u & 0xFFFFFF) == kWhiteKey) {
        line[x] =
            a < 128 ? kWhiteKey : clampInside(qRed(p) * 255 / a, qGreen(p) * 255 / a, qBlue(p) * 255 / a);
        continue;
      }
      const int rest = 255 - a;
      line[x] = clampInside(qRed(p) + qRed(u) * rest / 255, qGreen(p) + qGreen(u) * rest / 255,
                            qBlue(p) + qBlue(u) * rest / 255);
    }
  }
  return out;
}

QImage keyOnBlack(const QImage& drawing, int floor) {
  QImage out = drawing.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = line[x];
      if (std::max({qRed(p), qGreen(p), qBlue(p)}) < floor)
        line[x] = qRgb(0, 0, 0);
      else
        line[x] = qRgb(fiveBits(qRed(p)), fiveBits(qGreen(p)), fiveBits(qBlue(p)));
    }
  }
  return out;
}

}  // namespace ld::artwork
