#include "draw/window_shape.h"

#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <utility>
#include <vector>

namespace ld {

QRegion regionOutsideKey(const QImage& rendering, QColor key) {
  if (rendering.isNull()) return {};
  const QImage rgb = rendering.convertToFormat(QImage::Format_RGB32);
  const QRgb keyPixel = key.rgb() | 0xff000000u;
  // Runs of kept pixels, row by row; a row with the same runs as the one above extends its band, so a
  // picture with large plain areas gives a small region.
  std::vector<QRect> rects;
  size_t bandStart = 0;
  std::vector<std::pair<int, int>> previous, runs;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    runs.clear();
    for (int x = 0; x < rgb.width();) {
      if ((line[x] | 0xff000000u) == keyPixel) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < rgb.width() && (line[x] | 0xff000000u) != keyPixel) ++x;
      runs.emplace_back(start, x - start);
    }
    if (y > 0 && runs == previous) {
      for (size_t i = bandStart; i < rects.size(); ++i) rects[i].setHeight(rects[i].height() + 1);
      continue;
    }
    bandStart = rects.size();
    for (const auto& [start, length] : runs) rects.emplace_back(start, y, length, 1);
    previous.swap(runs);
  }
  QRegion region;
  region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

QRegion shapeOutsideKey(const QImage& rendering, QColor key, int maxRects) {
  QRegion shape = regionOutsideKey(rendering, key);
  if (shape.rectCount() <= maxRects) return shape;
  const QImage rgb = rendering.convertToFormat(QImage::Format_RGB32);
  const QRgb keyPixel = key.rgb() | 0xff000000u;
  const QRgb kept = keyPixel ^ 0x00ffffffu;
  const QRect bounds = rgb.rect();
  // One block covers the whole picture at last, so the loop ends.
  for (int block = 2; shape.rectCount() > maxRects; block *= 2) {
    QImage cells((rgb.width() + block - 1) / block, (rgb.height() + block - 1) / block, QImage::Format_RGB32);
    cells.fill(keyPixel);
    for (int y = 0; y < rgb.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
      auto* cellLine = reinterpret_cast<QRgb*>(cells.scanLine(y / block));
      for (int x = 0; x < rgb.width(); ++x)
        if ((line[x] | 0xff000000u) != keyPixel) cellLine[x / block] = kept;
    }
    // Scaling keeps the bands of the cell region, so the rectangles stay a valid banded list.
    std::vector<QRect> rects;
    for (const QRect& r : regionOutsideKey(cells, key))
      rects.push_back(QRect(r.x() * block, r.y() * block, r.width() * block, r.height() * block) & bounds);
    shape = QRegion();
    shape.setRects(rects.data(), static_cast<int>(rects.size()));
  }
  return shape;
}

QRegion applyColourKey(QWidget& window, QColor key) {
  // A mask clips the rendering too, so the old one goes before the window is rendered again.
  window.clearMask();
  QImage rendering = window.grab().toImage();
  if (rendering.size() != window.size())  // a high-density screen renders more pixels than the window has
    rendering = rendering.scaled(window.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const QRegion shape = shapeOutsideKey(rendering, key);
  // An empty mask would mean no mask at all; whoever calls decides what a fully see-through window does.
  if (!shape.isEmpty()) window.setMask(shape);
  return shape;
}

QRegion roundedPanelRegion(QSize size, int ellipse) {
  QPainterPath path;
  const qreal radius = ellipse / 2.0;
  path.addRoundedRect(QRectF(0, 0, size.width() + 1, size.height() + 1), radius, radius);
  return QRegion(path.toFillPolygon().toPolygon());
}

QPoint centredTopLeft(const QRect& screen, QSize window) {
  // C++ division truncates toward zero, as the placement wants for negative overhangs.
  return {screen.x() + (screen.width() - window.width()) / 2,
          screen.y() + (screen.height() - window.height()) / 2};
}

}  // namespace ld
