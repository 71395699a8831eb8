// The round home key that serves as the power button.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "artwork.h"
#include "backdrop.h"
#include "keying.h"

namespace ld::artwork {

QImage drawPowerKey(qreal scale) {
  QImage canvas = newCanvas((QSizeF(kPowerKeySize) * scale).toSize());
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  const QPointF c(kPowerKeySize.width() / 2.0, kPowerKeySize.height() / 2.0);

  QLinearGradient bezel(0, 0, kPowerKeySize.width(), kPowerKeySize.height());
  bezel.setColorAt(0, QColor(226, 228, 234));
  bezel.setColorAt(0.5, QColor(130, 132, 140));
  bezel.setColorAt(1, QColor(70, 72, 80));
  p.setPen(Qt::NoPen);
  p.setBrush(bezel);
  p.drawEllipse(c, 43.5, 43.5);

  QRadialGradient face(c + QPointF(0, -14), 46);
  face.setColorAt(0, QColor(70, 70, 80));
  face.setColorAt(0.6, QColor(24, 24, 30));
  face.setColorAt(1, QColor(8, 8, 10));
  p.setBrush(face);
  p.drawEllipse(c, 39, 39);

  // Power symbol: an open ring with a bar through its gap, gold with a soft glow.
  QPainterPath symbol;
  const QRectF ring(c.x() - 16, c.y() - 14, 32, 32);
  symbol.arcMoveTo(ring, 125);
  symbol.arcTo(ring, 125, 290);
  symbol.moveTo(c.x(), c.y() - 22);
  symbol.lineTo(c.x(), c.y());
  p.setBrush(Qt::NoBrush);
  for (const auto& [width, a] : {std::pair{13.0, 40}, std::pair{9.0, 70}}) {
    p.setPen(QPen(QColor(255, 190, 60, a), width, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(symbol);
  }
  p.setPen(QPen(QColor(250, 206, 90), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(symbol);

  // Gloss over the upper half of the face.
  QLinearGradient gloss(0, c.y() - 38, 0, c.y() + 2);
  gloss.setColorAt(0, QColor(255, 255, 255, 110));
  gloss.setColorAt(1, QColor(255, 255, 255, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(gloss);
  p.drawEllipse(QRectF(c.x() - 28, c.y() - 37, 56, 34));
  p.end();
  return scale == 1 ? keyOnWhite(canvas, handsetBackdrop(), kPowerKeyAt) : canvas;
}

}  // namespace ld::artwork
