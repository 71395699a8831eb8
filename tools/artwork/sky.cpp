#include "sky.h"

#include <QPen>
#include <QRadialGradient>
#include <cmath>

#include "keying.h"

namespace ld::artwork {

namespace {

// Light fainter than this would show as dark haze over the window behind.
constexpr int kFaintest = 56;
constexpr int kTrailSegments = 10;

QColor withAlpha(QColor c, int a) {
  c.setAlpha(std::clamp(a, 0, 255));
  return c;
}

}  // namespace

QColor mix(QColor a, QColor b, qreal f) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * f, a.greenF() + (b.greenF() - a.greenF()) * f,
                          a.blueF() + (b.blueF() - a.blueF()) * f);
}

QPointF Star::at(qreal t) const {
  const qreal drag = 1 - (1 - t) * (1 - t);
  return origin + velocity * drag + QPointF(0, gravity * t * t);
}

Sky::Sky(QSize size, quint32 seed)
    : canvas_(size, QImage::Format_ARGB32_Premultiplied), rng_(seed), size_(size) {
  canvas_.fill(Qt::black);
  painter_.begin(&canvas_);
  painter_.setRenderHint(QPainter::Antialiasing);
  painter_.setCompositionMode(QPainter::CompositionMode_Plus);
}

void Sky::drawStar(const Star& star, const TrailStyle& style) {
  painter_.setBrush(Qt::NoBrush);
  QPointF previous = star.at(style.from);
  for (int i = 1; i <= kTrailSegments; ++i) {
    const qreal f = qreal(i) / kTrailSegments;
    const QPointF next = star.at(style.from + (style.to - style.from) * f);
    const int a = style.tailAlpha + int((style.headAlpha - style.tailAlpha) * f);
    painter_.setPen(
        QPen(withAlpha(star.trail, a), star.width * (0.35 + 0.65 * f), Qt::SolidLine, Qt::FlatCap));
    painter_.drawLine(previous, next);
    previous = next;
  }
  if (style.headSize > 0) drawGlow(previous, star.head, style.headSize);
}

void Sky::drawGlow(QPointF at, QColor colour, qreal radius) {
  QRadialGradient glow(at, radius);
  glow.setColorAt(0, mix(colour, QColor(250, 250, 250), 0.6));
  glow.setColorAt(0.35, withAlpha(colour, 230));
  glow.setColorAt(1, withAlpha(colour, 0));
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(glow);
  painter_.drawEllipse(at, radius, radius);
}

void Sky::drawGlint(QPointF at, QColor colour, qreal length) {
  for (const auto& [dx, dy] : {std::pair{1.0, 0.0}, std::pair{0.0, 1.0}}) {
    QLinearGradient ray(at - QPointF(dx, dy) * length, at + QPointF(dx, dy) * length);
    ray.setColorAt(0, withAlpha(colour, 0));
    ray.setColorAt(0.5, colour);
    ray.setColorAt(1, withAlpha(colour, 0));
    painter_.setPen(QPen(QBrush(ray), 1.4));
    painter_.drawLine(at - QPointF(dx, dy) * length, at + QPointF(dx, dy) * length);
  }
  drawGlow(at, colour, length * 0.35);
}

void Sky::drawLaunch(QPointF burst, QColor colour) {
  Star rise;
  rise.origin = QPointF(burst.x() + random(-30, 30), size_.height() + 10);
  rise.velocity = burst - rise.origin;
  rise.trail = colour;
  rise.width = 2.4;
  drawStar(rise, {0.5, 0.94, 40, 200, 0});
}

std::vector<QPointF> Sky::sphere(int count) {
  std::vector<QPointF> directions;
  const qreal golden = M_PI * (3 - std::sqrt(5.0));
  const qreal twist = random(0, 2 * M_PI);
  for (int i = 0; i < count; ++i) {
    const qreal z = 1 - 2 * (i + 0.5) / count;
    const qreal r = std::sqrt(1 - z * z);
    const qreal a = golden * i + twist;
    directions.emplace_back(r * std::cos(a), r * std::sin(a));
  }
  return directions;
}

std::vector<QPointF> Sky::circle(int count, qreal phase) {
  std::vector<QPointF> directions;
  for (int i = 0; i < count; ++i) {
    const qreal a = phase + 2 * M_PI * i / count;
    directions.emplace_back(std::cos(a), std::sin(a));
  }
  return directions;
}

QImage Sky::finish() {
  painter_.end();
  return keyOnBlack(canvas_, kFaintest);
}

}  // namespace ld::artwork
