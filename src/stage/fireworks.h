#pragma once
// Fireworks drawn live at the screen's own resolution: rockets rise, burst into sparks that slow down,
// fall and fade. A plain simulation, stepped by its owner and painted where it is told.
#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <random>
#include <vector>

class QPainter;

namespace ld::stage {

class Fireworks {
 public:
  explicit Fireworks(quint32 seed = std::random_device{}());

  // A show over `area` (the screen): rockets go up for about two seconds; the last sparks are gone
  // a second or so later. A show started while one runs adds its rockets to it. Rockets burst away from
  // `avoid` where the screen leaves room for it.
  void start(QSizeF area, QRectF avoid = {});
  // One burst at once, at `centre`.
  void burstAt(QPointF centre);
  // Advances by `seconds`; long steps are taken in small ones, so a slow frame cannot throw sparks away.
  void step(double seconds);
  bool running() const { return !particles_.empty() || launchesLeft_ > 0; }

  // The cells of `cell` pixels that the sparks cover now, to be repainted.
  QRegion footprint(int cell) const;
  // Every spark and rocket, in the painter's clip.
  void paint(QPainter& painter) const;

  int particles() const { return int(particles_.size()); }
  // Where the particles are, for tests.
  QList<QPointF> positions() const;

 private:
  struct Particle {
    QPointF position;
    QPointF velocity;
    QPointF previous;  // a moment ago, for the trail
    float age = 0;
    float life = 1;
    int colour = 0;
    bool rocket = false;
    bool glitter = false;
    bool flash = false;  // the light of a burst, for a moment
  };
  void launch();
  void advance(double dt);
  const QImage& sprite(int colour) const;

  std::mt19937 random_;
  QSizeF area_;
  QRectF avoid_;
  double unit_ = 1;  // a thousandth of the screen's height
  std::vector<Particle> particles_;
  int launchesLeft_ = 0;
  double untilLaunch_ = 0;
  QList<QColor> palette_;
  mutable QList<QImage> sprites_;
  mutable double spriteUnit_ = 0;
};

}  // namespace ld::stage
