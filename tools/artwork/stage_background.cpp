// The audience screen's built-in background: deep crimson falling to ink at the edges, a soft gold light
// from above, lanterns hanging in the top corners, bokeh and a gold ribbon low down. The middle, where the
// names and photos go, stays calm; the pieces keep to the edges so that any 16:9 crop keeps them.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>

#include "artwork.h"

namespace ld::artwork {

namespace {

QColor alpha(QColor c, int a) {
  c.setAlpha(std::clamp(a, 0, 255));
  return c;
}

const QColor kGold(248, 197, 72);
const QColor kPaleGold(255, 226, 150);

void drawGround(QPainter& p, QSizeF s) {
  QRadialGradient ground(QPointF(s.width() * 0.5, s.height() * 0.42), s.width() * 0.72);
  ground.setColorAt(0, QColor(134, 17, 33));
  ground.setColorAt(0.45, QColor(112, 12, 28));
  ground.setColorAt(0.8, QColor(58, 6, 18));
  ground.setColorAt(1, QColor(26, 3, 10));
  p.fillRect(QRectF(QPointF(0, 0), s), ground);
}

// Light falling from above the screen, in a few soft beams.
void drawLight(QPainter& p, QSizeF s) {
  QRadialGradient glow(QPointF(s.width() * 0.5, -s.height() * 0.15), s.height() * 1.05);
  glow.setColorAt(0, alpha(kPaleGold, 70));
  glow.setColorAt(0.5, alpha(kGold, 22));
  glow.setColorAt(1, alpha(kGold, 0));
  p.fillRect(QRectF(QPointF(0, 0), s), glow);
  const QPointF source(s.width() * 0.5, -s.height() * 0.2);
  const qreal spread[] = {-0.62, -0.33, -0.12, 0.14, 0.36, 0.6};
  for (const qreal at : spread) {
    const qreal x = s.width() * (0.5 + at);
    QPainterPath beam;
    beam.moveTo(source);
    beam.lineTo(x - s.width() * 0.05, s.height() * 1.05);
    beam.lineTo(x + s.width() * 0.05, s.height() * 1.05);
    beam.closeSubpath();
    QLinearGradient fade(source, QPointF(x, s.height()));
    fade.setColorAt(0, alpha(kPaleGold, 26));
    fade.setColorAt(0.6, alpha(kGold, 8));
    fade.setColorAt(1, alpha(kGold, 0));
    p.fillPath(beam, fade);
  }
}

// How far a point lies from the calm middle: 0 at the centre, 1 at the middle of an edge.
qreal edgeness(QPointF at, QSizeF s) {
  const qreal dx = (at.x() / s.width() - 0.5) / 0.5;
  const qreal dy = (at.y() / s.height() - 0.5) / 0.5;
  return std::sqrt(dx * dx * 0.8 + dy * dy * 0.5);
}

void drawBokeh(QPainter& p, QSizeF s, QRandomGenerator& rng) {
  const QColor tones[] = {kGold, kPaleGold, QColor(255, 160, 80), QColor(240, 110, 90)};
  const qreal unit = s.height() / 1440;
  int placed = 0;
  for (int tries = 0; placed < 150 && tries < 5000; ++tries) {
    const QPointF at(rng.bounded(s.width()), rng.bounded(s.height()));
    const qreal e = edgeness(at, s);
    if (e < 0.72 || rng.bounded(1.0) > (e - 0.72) * 2.2) continue;
    ++placed;
    const qreal r = unit * (10 + rng.bounded(70.0) * rng.bounded(1.0));
    const QColor c = tones[rng.bounded(4)];
    const int a = 18 + rng.bounded(50);
    QRadialGradient disc(at, r);
    disc.setColorAt(0, alpha(c, a));
    disc.setColorAt(0.75, alpha(c, a * 3 / 4));
    disc.setColorAt(0.92, alpha(c, a));
    disc.setColorAt(1, alpha(c, 0));
    p.setBrush(disc);
    p.drawEllipse(at, r, r);
  }
}

void drawLantern(QPainter& p, QPointF top, qreal cord, qreal size) {
  const qreal w = size, h = size * 0.82;
  const QPointF centre = top + QPointF(0, cord + h / 2);
  p.setPen(QPen(alpha(kGold, 150), size * 0.02));
  p.drawLine(top, top + QPointF(0, cord));
  // The glow it throws around itself.
  QRadialGradient halo(centre, size * 1.2);
  halo.setColorAt(0, QColor(255, 120, 60, 70));
  halo.setColorAt(1, QColor(255, 90, 40, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(halo);
  p.drawEllipse(centre, size * 1.2, size * 1.2);
  QRadialGradient body(centre - QPointF(w * 0.15, h * 0.15), w * 0.7);
  body.setColorAt(0, QColor(255, 92, 60));
  body.setColorAt(0.55, QColor(214, 28, 30));
  body.setColorAt(1, QColor(120, 8, 16));
  p.setBrush(body);
  const QRectF shell(centre.x() - w / 2, centre.y() - h / 2, w, h);
  p.drawEllipse(shell);
  // Ribs, as the paper folds show them.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(150, 14, 20, 160), size * 0.018));
  for (const qreal f : {0.28, 0.62})
    p.drawEllipse(QRectF(centre.x() - w * f / 2, centre.y() - h / 2, w * f, h));
  p.setPen(Qt::NoPen);
  p.setBrush(kGold);
  const qreal capW = w * 0.42, capH = h * 0.1;
  p.drawRoundedRect(QRectF(centre.x() - capW / 2, centre.y() - h / 2 - capH * 0.6, capW, capH), 3, 3);
  p.drawRoundedRect(QRectF(centre.x() - capW / 2, centre.y() + h / 2 - capH * 0.4, capW, capH), 3, 3);
  // The tassel.
  p.setPen(QPen(alpha(kGold, 200), size * 0.03, Qt::SolidLine, Qt::RoundCap));
  const QPointF knot = centre + QPointF(0, h / 2 + capH * 0.6);
  p.drawLine(knot, knot + QPointF(0, size * 0.12));
  for (int i = -3; i <= 3; ++i)
    p.drawLine(knot + QPointF(0, size * 0.12), knot + QPointF(i * size * 0.025, size * 0.38));
}

void drawLanterns(QPainter& p, QSizeF s) {
  // Inside what a 16:10 screen, cropped to fill, still shows.
  const qreal unit = s.height() / 1440;
  struct Hanging {
    qreal x, cord, size;
  };
  const Hanging left[] = {{0.08, 60, 150}, {0.145, 190, 118}, {0.2, 40, 92}};
  for (const Hanging& h : left) {
    drawLantern(p, QPointF(s.width() * h.x, 0), h.cord * unit, h.size * unit);
    drawLantern(p, QPointF(s.width() * (1 - h.x), 0), h.cord * unit, h.size * unit);
  }
}

// Two gold ribbons sweeping across the foot of the screen.
void drawRibbons(QPainter& p, QSizeF s) {
  const qreal w = s.width(), h = s.height();
  const struct {
    qreal y0, y1, lift, thickness;
    int a;
  } ribbons[] = {{0.93, 0.86, 0.10, 0.018, 90}, {0.97, 0.91, 0.07, 0.01, 60}, {0.9, 0.99, 0.06, 0.006, 70}};
  for (const auto& r : ribbons) {
    QPainterPath band;
    const QPointF a(-0.02 * w, r.y0 * h), b(1.02 * w, r.y1 * h);
    const QPointF c1(0.35 * w, (r.y0 - r.lift) * h), c2(0.65 * w, (r.y1 + r.lift) * h);
    band.moveTo(a);
    band.cubicTo(c1, c2, b);
    const QPointF t(0, r.thickness * h);
    band.lineTo(b + t);
    band.cubicTo(c2 + t * 1.6, c1 + t * 0.4, a + t);
    band.closeSubpath();
    QLinearGradient shine(0, 0, w, 0);
    shine.setColorAt(0, alpha(kGold, 0));
    shine.setColorAt(0.2, alpha(kGold, r.a));
    shine.setColorAt(0.5, alpha(kPaleGold, r.a / 2));
    shine.setColorAt(0.8, alpha(kGold, r.a));
    shine.setColorAt(1, alpha(kGold, 0));
    p.fillPath(band, shine);
  }
}

void drawVignette(QPainter& p, QSizeF s) {
  QRadialGradient shade(QPointF(s.width() / 2, s.height() / 2), s.width() * 0.62);
  shade.setColorAt(0, QColor(0, 0, 0, 0));
  shade.setColorAt(0.7, QColor(0, 0, 0, 0));
  shade.setColorAt(1, QColor(10, 0, 4, 110));
  p.fillRect(QRectF(QPointF(0, 0), s), shade);
}

// A faint grain, so that the gradients do not band once stored as JPEG.
void addGrain(QImage& image, QRandomGenerator& rng) {
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int n = int(rng.bounded(5u)) - 2;
      const QRgb c = row[x];
      row[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                    std::clamp(qBlue(c) + n, 0, 255));
    }
  }
}

}  // namespace

QImage drawStageBackground() {
  QImage image(kStageBackgroundSize, QImage::Format_RGB32);
  const QSizeF s = kStageBackgroundSize;
  QRandomGenerator rng(20260128);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawGround(p, s);
    p.setPen(Qt::NoPen);
    drawLight(p, s);
    p.setPen(Qt::NoPen);
    drawBokeh(p, s, rng);
    drawRibbons(p, s);
    drawLanterns(p, s);
    drawVignette(p, s);
  }
  addGrain(image, rng);
  return image;
}

}  // namespace ld::artwork
