// The photo shown for a participant without one: a friendly silhouette in the event's colours.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include "artwork.h"

namespace ld::artwork {

namespace {

void drawConfetti(QPainter& p, QSize size) {
  QRandomGenerator rng(8808);
  const QColor tones[] = {QColor(230, 170, 60, 90), QColor(210, 60, 60, 70), QColor(240, 200, 110, 80)};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 60; ++i) {
    const QPointF at(rng.bounded(size.width()), rng.bounded(size.height()));
    // Keep the middle clear for the figure.
    if (std::abs(at.x() - size.width() / 2.0) < 130) continue;
    p.save();
    p.translate(at);
    p.rotate(rng.bounded(180));
    p.setBrush(tones[rng.bounded(3)]);
    if (rng.bounded(2) == 0)
      p.drawRect(QRectF(-4, -2, 8, 4));
    else
      p.drawEllipse(QPointF(0, 0), 3, 3);
    p.restore();
  }
}

}  // namespace

QImage drawPlaceholderPhoto() {
  QImage photo(kPhotoSize, QImage::Format_RGB32);
  QPainter p(&photo);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = kPhotoSize.width();
  const qreal h = kPhotoSize.height();

  QRadialGradient back(QPointF(w / 2, h * 0.4), w * 0.7);
  back.setColorAt(0, QColor(252, 244, 230));
  back.setColorAt(1, QColor(232, 212, 190));
  p.fillRect(photo.rect(), back);
  drawConfetti(p, kPhotoSize);

  // Head and shoulders, softly shaded.
  QLinearGradient figure(0, h * 0.2, 0, h);
  figure.setColorAt(0, QColor(206, 150, 140));
  figure.setColorAt(1, QColor(170, 100, 96));
  p.setPen(Qt::NoPen);
  p.setBrush(figure);
  p.drawEllipse(QPointF(w / 2, h * 0.4), 62, 70);
  QPainterPath shoulders;
  shoulders.moveTo(w / 2 - 150, h + 2);
  shoulders.cubicTo(w / 2 - 148, h * 0.72, w / 2 - 90, h * 0.66, w / 2, h * 0.66);
  shoulders.cubicTo(w / 2 + 90, h * 0.66, w / 2 + 148, h * 0.72, w / 2 + 150, h + 2);
  shoulders.closeSubpath();
  p.drawPath(shoulders);

  // A gold ribbon along the foot, as on the event's screens.
  QLinearGradient ribbon(0, h - 26, 0, h);
  ribbon.setColorAt(0, QColor(236, 190, 90));
  ribbon.setColorAt(1, QColor(196, 134, 40));
  p.setBrush(ribbon);
  p.drawRect(QRectF(0, h - 22, w, 22));
  p.setBrush(QColor(180, 30, 36));
  p.drawRect(QRectF(0, h - 26, w, 4));
  p.end();
  return photo;
}

}  // namespace ld::artwork
