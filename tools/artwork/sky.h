#pragma once
// A night sky to set off fireworks in: stars fly out of a burst along dragged, falling paths and
// leave light that adds up where it overlaps.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRandomGenerator>
#include <vector>

namespace ld::artwork {

struct Star {
  QPointF origin;
  QPointF velocity;   // distance covered by the end of the flight, before gravity
  qreal gravity = 0;  // drop by the end of the flight
  QColor trail;
  QColor head;
  qreal width = 2;

  QPointF at(qreal t) const;
};

struct TrailStyle {
  qreal from = 0;      // flight time where the trail starts
  qreal to = 1;        // flight time of the head
  int tailAlpha = 60;  // the trail brightens towards the head
  int headAlpha = 255;
  qreal headSize = 3;  // 0: no glowing head
};

class Sky {
 public:
  Sky(QSize size, quint32 seed);

  QPainter& painter() { return painter_; }
  QRandomGenerator& rng() { return rng_; }
  QSizeF size() const { return size_; }
  qreal random(qreal low, qreal high) { return low + rng_.bounded(high - low); }

  void drawStar(const Star& star, const TrailStyle& style);
  void drawGlow(QPointF at, QColor colour, qreal radius);
  // A four-pointed glint, as of a glittering star.
  void drawGlint(QPointF at, QColor colour, qreal length);
  // The faint streak of a shell rising to where it bursts.
  void drawLaunch(QPointF burst, QColor colour);

  // Directions spread evenly over a sphere, seen from the front (dense in the middle like a real shell).
  std::vector<QPointF> sphere(int count);
  // Directions spread evenly round a circle.
  std::vector<QPointF> circle(int count, qreal phase = 0);

  // Finishes the picture: faint light becomes the see-through black.
  QImage finish();

 private:
  QImage canvas_;
  QPainter painter_;
  QRandomGenerator rng_;
  QSizeF size_;
};

QColor mix(QColor a, QColor b, qreal f);

}  // namespace ld::artwork
