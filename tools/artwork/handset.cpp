// The handset lying on its side: dark glossy body, festive screen behind the draw panel, icon dock,
// clock strip and the seat of the home key.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>

#include "artwork.h"
#include "keying.h"

namespace ld::artwork {

namespace {

const QRectF kBody(4, 7, 1008, 474);
const QRectF kScreen(140, 28, 742, 432);
// The centre of the ring of photo tiles and its radii through the tile centres.
const QPointF kRingCentre(383, 242);
constexpr qreal kRingRx = 140;
constexpr qreal kRingRy = 163;

QColor alpha(QColor c, int a) {
  c.setAlpha(a);
  return c;
}

void drawSideButtons(QPainter& p) {
  QLinearGradient metal(0, 1, 0, 9);
  metal.setColorAt(0, QColor(150, 152, 160));
  metal.setColorAt(1, QColor(45, 46, 52));
  p.setPen(Qt::NoPen);
  p.setBrush(metal);
  for (const qreal x : {210.0, 290.0, 800.0}) p.drawRoundedRect(QRectF(x, 2, x > 700 ? 90 : 62, 10), 3, 3);
}

void drawBody(QPainter& p) {
  QPainterPath body;
  body.addRoundedRect(kBody, 66, 66);
  QLinearGradient rim(0, kBody.top(), 0, kBody.bottom());
  rim.setColorAt(0.0, QColor(168, 170, 178));
  rim.setColorAt(0.08, QColor(92, 94, 102));
  rim.setColorAt(0.5, QColor(38, 39, 44));
  rim.setColorAt(0.92, QColor(70, 72, 80));
  rim.setColorAt(1.0, QColor(130, 132, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(rim);
  p.drawPath(body);

  QPainterPath glass;
  glass.addRoundedRect(kBody.adjusted(4, 4, -4, -4), 62, 62);
  QLinearGradient front(0, kBody.top(), kBody.width() * 0.3, kBody.bottom());
  front.setColorAt(0.0, QColor(46, 46, 54));
  front.setColorAt(0.45, QColor(16, 16, 20));
  front.setColorAt(1.0, QColor(28, 28, 34));
  p.setBrush(front);
  p.drawPath(glass);
  // The bezel catches a little light along its inner edge.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 38), 1.2));
  p.drawRoundedRect(kBody.adjusted(5.5, 5.5, -5.5, -5.5), 60, 60);
}

void drawEarpieceAndCamera(QPainter& p) {
  p.setPen(QPen(QColor(80, 80, 90), 1));
  p.setBrush(QColor(6, 6, 8));
  p.drawRoundedRect(QRectF(68, 204, 9, 80), 4.5, 4.5);
  // Camera lens with a blue coating reflection.
  QRadialGradient lens(QPointF(70, 156), 9);
  lens.setColorAt(0, QColor(60, 90, 150));
  lens.setColorAt(0.5, QColor(16, 22, 44));
  lens.setColorAt(1, QColor(4, 4, 8));
  p.setPen(QPen(QColor(70, 70, 80), 1.5));
  p.setBrush(lens);
  p.drawEllipse(QPointF(72.5, 158), 7.5, 7.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 220, 250, 150));
  p.drawEllipse(QPointF(70, 155.5), 1.8, 1.8);
  p.setBrush(QColor(30, 30, 36));
  p.drawEllipse(QPointF(72.5, 330), 3, 3);
}

void drawHomeKeySeat(QPainter& p) {
  const QPointF c = QPointF(kPowerKeyAt) + QPointF(kPowerKeySize.width(), kPowerKeySize.height()) / 2;
  QLinearGradient chrome(c.x(), c.y() - 48, c.x(), c.y() + 48);
  chrome.setColorAt(0, QColor(30, 30, 34));
  chrome.setColorAt(1, QColor(150, 152, 160));
  p.setPen(Qt::NoPen);
  p.setBrush(chrome);
  p.drawEllipse(c, 48.5, 48.5);
  p.setBrush(QColor(8, 8, 10));
  p.drawEllipse(c, 46, 46);
}

void drawBackground(QPainter& p) {
  QRadialGradient base(kRingCentre, 560, kRingCentre + QPointF(0, -30));
  base.setColorAt(0.0, QColor(186, 26, 32));
  base.setColorAt(0.35, QColor(140, 12, 22));
  base.setColorAt(0.75, QColor(88, 4, 14));
  base.setColorAt(1.0, QColor(58, 2, 10));
  p.fillRect(kScreen, base);

  // A calm sunburst behind the ring of tiles.
  p.save();
  p.translate(kRingCentre);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 36; i += 2) {
    QPainterPath ray;
    ray.moveTo(0, 0);
    ray.arcTo(QRectF(-900, -900, 1800, 1800), i * 10.0, 10.0);
    ray.closeSubpath();
    QRadialGradient fade(QPointF(0, 0), 600);
    fade.setColorAt(0, QColor(255, 200, 90, 22));
    fade.setColorAt(1, QColor(255, 200, 90, 0));
    p.setBrush(fade);
    p.drawPath(ray);
  }
  p.restore();
}

void drawBokeh(QPainter& p) {
  QRandomGenerator rng(20260101);
  const QColor tones[] = {QColor(255, 206, 96), QColor(255, 150, 70), QColor(255, 120, 140),
                          QColor(255, 230, 150)};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 46; ++i) {
    const QPointF c(kScreen.left() + rng.bounded(kScreen.width()),
                    kScreen.top() + rng.bounded(kScreen.height()));
    const qreal r = 6 + rng.bounded(24.0);
    const QColor tone = tones[rng.bounded(4)];
    const int a = 24 + rng.bounded(40);
    QRadialGradient disc(c, r);
    disc.setColorAt(0.0, alpha(tone, a / 2));
    disc.setColorAt(0.8, alpha(tone, a));
    disc.setColorAt(1.0, alpha(tone, 0));
    p.setBrush(disc);
    p.drawEllipse(c, r, r);
  }
}

void drawTileRing(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 200, 90, 40), 9));
  p.drawEllipse(kRingCentre, kRingRx, kRingRy);
  p.setPen(QPen(QColor(255, 214, 110, 150), 2.2));
  p.drawEllipse(kRingCentre, kRingRx, kRingRy);
  // Beads between the tiles.
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 8; ++i) {
    const qreal a = (22.5 + 45.0 * i) * M_PI / 180.0;
    const QPointF bead = kRingCentre + QPointF(std::cos(a) * kRingRx, std::sin(a) * kRingRy);
    QRadialGradient shine(bead - QPointF(1.5, 1.5), 6);
    shine.setColorAt(0, QColor(250, 236, 170));
    shine.setColorAt(1, QColor(200, 130, 30));
    p.setBrush(shine);
    p.drawEllipse(bead, 5, 5);
  }
}

void drawLantern(QPainter& p, QPointF top, qreal cordLength, qreal size) {
  const QPointF c = top + QPointF(0, cordLength + size * 0.45);
  p.setPen(QPen(QColor(230, 180, 80), 1.5));
  p.drawLine(top, c - QPointF(0, size * 0.45));
  // Cap, body, ribs, tassel.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(214, 160, 50));
  p.drawRoundedRect(QRectF(c.x() - size * 0.25, c.y() - size * 0.5, size * 0.5, size * 0.1), 1.5, 1.5);
  p.drawRoundedRect(QRectF(c.x() - size * 0.25, c.y() + size * 0.4, size * 0.5, size * 0.1), 1.5, 1.5);
  QRadialGradient glow(c, size * 0.62, c - QPointF(size * 0.12, size * 0.12));
  glow.setColorAt(0, QColor(255, 120, 70));
  glow.setColorAt(0.6, QColor(220, 30, 30));
  glow.setColorAt(1, QColor(150, 10, 16));
  p.setBrush(glow);
  p.drawEllipse(c, size * 0.6, size * 0.42);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(250, 190, 80, 150), 1));
  for (const qreal f : {0.2, 0.42}) p.drawEllipse(c, size * f, size * 0.42);
  p.drawLine(c - QPointF(0, size * 0.42), c + QPointF(0, size * 0.42));
  p.setPen(QPen(QColor(240, 180, 60), 2));
  p.drawLine(c + QPointF(0, size * 0.5), c + QPointF(0, size * 0.85));
  p.setPen(QPen(QColor(220, 40, 30), 1.4));
  for (int i = -2; i <= 2; ++i)
    p.drawLine(c + QPointF(0, size * 0.85), c + QPointF(i * size * 0.04, size * 1.15));
}

// Darker, framed backing for the winners board so that red text with a white glow stands out.
void drawBoardBacking(QPainter& p) {
  const QRectF board(606, 42, 200, 404);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(50, 0, 6, 120));
  p.drawRoundedRect(board, 12, 12);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 206, 100, 150), 1.6));
  p.drawRoundedRect(board.adjusted(1, 1, -1, -1), 11, 11);
  p.setPen(QPen(QColor(255, 206, 100, 60), 1));
  p.drawRoundedRect(board.adjusted(5, 5, -5, -5), 8, 8);
}

void drawIconDock(QPainter& p) {
  const QRectF dock(802, 50, 74, 378);
  p.setPen(QPen(QColor(255, 206, 100, 70), 1));
  p.setBrush(QColor(20, 0, 4, 110));
  p.drawRoundedRect(dock, 16, 16);
  p.setPen(Qt::NoPen);
  for (const int y : {kClockIconY, kMusicIconY, kDrawIconY, kMessagesIconY, kTelephoneIconY}) {
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(QRectF(kIconColumnX - 2, y - 1, 64, 64), 15, 15);
  }
}

void drawClockStrip(QPainter& p) {
  const QRectF strip(145, 219, 32, 170);
  p.setPen(QPen(QColor(200, 200, 210, 70), 1));
  p.setBrush(QColor(26, 6, 10, 215));
  p.drawRoundedRect(strip, 10, 10);
}

void drawScreenEdge(QPainter& p) {
  // Inner shadow where the glass meets the display.
  for (int i = 0; i < 6; ++i) {
    p.setPen(QPen(QColor(0, 0, 0, 60 - i * 10), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(kScreen.adjusted(i + 0.5, i + 0.5, -i - 0.5, -i - 0.5), 9, 9);
  }
  p.setPen(QPen(QColor(2, 2, 3), 2));
  p.drawRoundedRect(kScreen.adjusted(-1, -1, 1, 1), 10, 10);
}

void drawScreen(QPainter& p) {
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(kScreen, 9, 9);
  p.setClipPath(clip);
  drawBackground(p);
  drawBokeh(p);
  drawTileRing(p);
  drawLantern(p, QPointF(482, kScreen.top()), 22, 40);
  drawLantern(p, QPointF(550, kScreen.top()), 44, 30);
  drawBoardBacking(p);
  drawIconDock(p);
  drawClockStrip(p);
  p.restore();
  drawScreenEdge(p);
}

void drawGloss(QPainter& p) {
  QPainterPath body;
  body.addRoundedRect(kBody.adjusted(4, 4, -4, -4), 62, 62);
  // A broad sheen across the upper left, fading out down the glass.
  QPainterPath sheen;
  sheen.moveTo(kBody.left(), kBody.top());
  sheen.lineTo(640, kBody.top());
  sheen.cubicTo(460, 150, 260, 250, kBody.left(), 300);
  sheen.closeSubpath();
  QPainterPath screen;
  screen.addRoundedRect(kScreen, 9, 9);
  QLinearGradient fade(0, kBody.top(), 200, 300);
  fade.setColorAt(0, QColor(255, 255, 255, 46));
  fade.setColorAt(1, QColor(255, 255, 255, 4));
  p.setPen(Qt::NoPen);
  p.setBrush(fade);
  p.drawPath(sheen.intersected(body).subtracted(screen));
  // Only a breath of it on the display, so the draw stays readable.
  QLinearGradient faint(0, kBody.top(), 200, 300);
  faint.setColorAt(0, QColor(255, 255, 255, 16));
  faint.setColorAt(1, QColor(255, 255, 255, 0));
  p.setBrush(faint);
  p.drawPath(sheen.intersected(screen));
}

}  // namespace

QImage drawHandset(qreal scale) {
  QImage canvas = newCanvas((QSizeF(kHandsetSize) * scale).toSize());
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  drawSideButtons(p);
  drawBody(p);
  drawEarpieceAndCamera(p);
  drawHomeKeySeat(p);
  drawScreen(p);
  drawGloss(p);
  p.end();
  return scale == 1 ? keyOnWhite(canvas) : canvas;
}

}  // namespace ld::artwork
