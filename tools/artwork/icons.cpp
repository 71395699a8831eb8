// App icons in one glossy style: rounded tile, two-tone gradient, light glyph, gloss over the top.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

#include "artwork.h"
#include "backdrop.h"
#include "keying.h"

namespace ld::artwork {

namespace {

const QColor kGlyph(250, 250, 248);

// The tile, its glyph and the gloss, in the tile's own coordinates (`tile` inside the painter's space).
void paintTile(QPainter& p, const QRectF& tile, QColor light, QColor dark,
               const std::function<void(QPainter&)>& glyph) {
  QLinearGradient fill(0, tile.top(), 0, tile.bottom());
  fill.setColorAt(0, light);
  fill.setColorAt(1, dark);
  p.setPen(QPen(QColor(0, 0, 0, 110), 1));
  p.setBrush(fill);
  p.drawRoundedRect(tile, 13, 13);

  p.save();
  glyph(p);
  p.restore();

  // The gloss: a bright cap over the top, bounded by a gentle curve.
  QPainterPath cap;
  cap.moveTo(tile.left() + 1, tile.top() + 12);
  cap.quadTo(tile.left() + 1, tile.top() + 1, tile.left() + 12, tile.top() + 1);
  cap.lineTo(tile.right() - 12, tile.top() + 1);
  cap.quadTo(tile.right() - 1, tile.top() + 1, tile.right() - 1, tile.top() + 12);
  cap.lineTo(tile.right() - 1, tile.top() + tile.height() * 0.42);
  cap.quadTo(tile.center().x(), tile.top() + tile.height() * 0.56, tile.left() + 1,
             tile.top() + tile.height() * 0.42);
  cap.closeSubpath();
  QLinearGradient shine(0, tile.top(), 0, tile.top() + tile.height() * 0.5);
  shine.setColorAt(0, QColor(255, 255, 255, 120));
  shine.setColorAt(1, QColor(255, 255, 255, 18));
  p.setPen(Qt::NoPen);
  p.setBrush(shine);
  p.drawPath(cap);
}

QImage drawIcon(QSize size, int top, QColor light, QColor dark, const std::function<void(QPainter&)>& glyph,
                qreal scale) {
  QImage canvas = newCanvas((QSizeF(size) * scale).toSize());
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  paintTile(p, QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1, 1, -1, -1), light, dark, glyph);
  p.end();
  return scale == 1 ? keyOnWhite(canvas, handsetBackdrop(), QPoint(kIconColumnX, top)) : canvas;
}

void drawSparkle(QPainter& p, QPointF c, qreal r) {
  QPainterPath star;
  star.moveTo(c + QPointF(0, -r));
  star.quadTo(c, c + QPointF(r, 0));
  star.quadTo(c, c + QPointF(0, r));
  star.quadTo(c, c + QPointF(-r, 0));
  star.quadTo(c, c + QPointF(0, -r));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 240, 170));
  p.drawPath(star);
}

void drawGiftBox(QPainter& p) {
  const QColor ribbon(210, 18, 32);
  const QPen rim(QColor(120, 60, 0, 170), 1);
  QLinearGradient gold(0, 24, 0, 53);
  gold.setColorAt(0, QColor(250, 228, 124));
  gold.setColorAt(1, QColor(212, 142, 26));
  p.setPen(rim);
  p.setBrush(gold);
  p.drawRect(QRectF(13.5, 32.5, 32, 20));  // box
  p.drawRect(QRectF(10.5, 25.5, 38, 8));   // lid
  p.setPen(Qt::NoPen);
  p.setBrush(ribbon);
  p.drawRect(QRectF(26.5, 26, 6, 26.5));
  p.drawRect(QRectF(14, 39, 31.5, 5));
  // Bow: two loops and a knot in the ribbon's red, rimmed in gold so they read on the red tile.
  p.setPen(QPen(QColor(250, 214, 110), 1.3));
  p.setBrush(ribbon);
  for (const qreal side : {-1.0, 1.0}) {
    p.save();
    p.translate(29.5 + side * 7.5, 19.5);
    p.rotate(side * 28);
    p.drawEllipse(QPointF(0, 0), 7.5, 4.8);
    p.restore();
  }
  p.drawEllipse(QPointF(29.5, 23), 3.4, 3.4);
  drawSparkle(p, QPointF(10, 12), 4.5);
  drawSparkle(p, QPointF(50, 12), 3.5);
  drawSparkle(p, QPointF(52, 31), 2.5);
}

void drawSpeechBubble(QPainter& p) {
  QPainterPath bubble;
  bubble.addEllipse(QRectF(10, 13, 39, 30));
  QPainterPath tail;
  tail.moveTo(17, 36);
  tail.quadTo(16, 45, 10, 49);
  tail.quadTo(22, 48, 28, 41);
  tail.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kGlyph);
  p.drawPath(bubble.united(tail));
  p.setBrush(QColor(40, 160, 50));
  for (const qreal x : {20.5, 29.5, 38.5}) p.drawEllipse(QPointF(x, 28), 2.6, 2.6);
}

void drawClockFace(QPainter& p) {
  const QPointF c(29.5, 30);
  QRadialGradient face(c + QPointF(-4, -5), 24);
  face.setColorAt(0, QColor(250, 250, 246));
  face.setColorAt(1, QColor(214, 214, 208));
  p.setPen(QPen(QColor(150, 150, 156), 1.5));
  p.setBrush(face);
  p.drawEllipse(c, 20, 20);
  p.translate(c);
  for (int i = 0; i < 12; ++i) {
    p.setPen(QPen(QColor(40, 40, 46), i % 3 == 0 ? 2.0 : 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, -17), QPointF(0, i % 3 == 0 ? -13.5 : -15));
    p.rotate(30);
  }
  auto hand = [&p](qreal degrees, qreal length, qreal width, QColor colour) {
    p.save();
    p.rotate(degrees);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 3), QPointF(0, -length));
    p.restore();
  };
  hand(305, 10, 3, QColor(30, 30, 34));  // ten past ten
  hand(60, 14.5, 2.2, QColor(30, 30, 34));
  hand(200, 15.5, 1, QColor(220, 40, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 40, 40));
  p.drawEllipse(QPointF(0, 0), 1.8, 1.8);
}

void drawHandsetGlyph(QPainter& p) {
  // A classic receiver, tilted: two rounded caps joined by a curved grip.
  p.translate(29.5, 31);
  p.rotate(-40);
  QPainterPath grip;
  grip.moveTo(-15, -4);
  grip.quadTo(0, -13, 15, -4);
  p.setPen(QPen(kGlyph, 7.5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(grip);
  p.setPen(Qt::NoPen);
  p.setBrush(kGlyph);
  for (const qreal side : {-1.0, 1.0}) {
    p.save();
    p.translate(side * 15, 0);
    p.rotate(side * 20);
    p.drawRoundedRect(QRectF(-5.5, -6, 11, 13), 4, 4);
    p.restore();
  }
}

void drawNotes(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kGlyph);
  for (const QPointF head : {QPointF(21, 43), QPointF(39, 39)}) {
    p.save();
    p.translate(head);
    p.rotate(-22);
    p.drawEllipse(QPointF(0, 0), 6.2, 4.6);
    p.restore();
  }
  p.setPen(QPen(kGlyph, 2.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(26, 42), QPointF(26, 18));
  p.drawLine(QPointF(44, 38), QPointF(44, 14));
  QPainterPath beam;
  beam.moveTo(24.7, 16);
  beam.lineTo(45.3, 11.5);
  beam.lineTo(45.3, 18);
  beam.lineTo(24.7, 22.5);
  beam.closeSubpath();
  p.setPen(Qt::NoPen);
  p.drawPath(beam);
}

}  // namespace

const QColor kDrawLight(246, 70, 50);
const QColor kDrawDark(150, 0, 14);

QImage drawDrawIcon(qreal scale) {
  return drawIcon(kIconSize, kDrawIconY, kDrawLight, kDrawDark, drawGiftBox, scale);
}

QImage drawProgramIcon(int pixels) {
  // The draw icon's tile drawn square at any size, on real transparency: desktops put it on any background.
  QImage canvas = newCanvas(QSize(pixels, pixels));
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(pixels / 60.0, pixels / 60.0);
  paintTile(p, QRectF(1, 1, 58, 58), kDrawLight, kDrawDark, [](QPainter& glyph) {
    glyph.translate(0.5, 0);
    drawGiftBox(glyph);
  });
  p.end();
  return canvas.convertToFormat(QImage::Format_ARGB32);
}

QImage drawMessagesIcon(qreal scale) {
  return drawIcon(kIconSize, kMessagesIconY, QColor(130, 226, 100), QColor(26, 140, 40), drawSpeechBubble,
                  scale);
}

QImage drawClockIcon(qreal scale) {
  return drawIcon(kIconSize, kClockIconY, QColor(96, 96, 106), QColor(18, 18, 22), drawClockFace, scale);
}

QImage drawTelephoneIcon(qreal scale) {
  return drawIcon(kIconSize, kTelephoneIconY, QColor(100, 190, 255), QColor(18, 84, 196), drawHandsetGlyph,
                  scale);
}

QImage drawMusicIcon(qreal scale) {
  return drawIcon(kMusicIconSize, kMusicIconY, QColor(255, 140, 90), QColor(200, 30, 110), drawNotes, scale);
}

}  // namespace ld::artwork
