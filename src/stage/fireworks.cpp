#include "stage/fireworks.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace ld::stage {

namespace {

constexpr double kGravity = 260;    // units per second², a unit being a thousandth of the height
constexpr double kDrag = 1.6;       // sparks lose most of their speed within a second
constexpr double kStep = 1.0 / 60;  // the longest step the simulation takes at once
constexpr int kRockets = 6;

double uniform(std::mt19937& random, double from, double to) {
  return std::uniform_real_distribution<double>(from, to)(random);
}

}  // namespace

Fireworks::Fireworks(quint32 seed) : random_(seed) {
  palette_ = {QColor(255, 214, 90),  QColor(255, 80, 70),   QColor(255, 250, 235), QColor(255, 120, 200),
              QColor(120, 230, 170), QColor(150, 170, 255), QColor(255, 160, 60)};
}

void Fireworks::start(QSizeF area, QRectF avoid) {
  area_ = area;
  avoid_ = avoid;
  unit_ = std::max(0.1, area.height() / 1000.0);
  launchesLeft_ = std::max(launchesLeft_, kRockets + int(area.width() / area.height()));
  untilLaunch_ = 0;
}

void Fireworks::launch() {
  Particle p;
  p.rocket = true;
  // Where it bursts: in the upper half, and not where a burst would reach into what is to be avoided, if a
  // few tries find such a place.
  QPointF burst;
  const double reach = 110 * unit_;
  const QRectF keepOff = avoid_.adjusted(-reach, -reach, reach, reach);
  for (int attempt = 0; attempt < 12; ++attempt) {
    burst =
        QPointF(area_.width() * uniform(random_, 0.08, 0.92), area_.height() * uniform(random_, 0.07, 0.5));
    if (avoid_.isEmpty() || !keepOff.contains(burst)) break;
  }
  p.position = QPointF(burst.x(), area_.height() + 4 * unit_);
  p.previous = p.position;
  const double rise = area_.height() - burst.y();
  p.life = float(uniform(random_, 0.8, 1.0));
  const double vy = -(rise / p.life + 0.5 * kGravity * unit_ * p.life);
  p.velocity = QPointF(0, vy);
  p.colour = int(random_() % palette_.size());
  particles_.push_back(p);
}

void Fireworks::burstAt(QPointF centre) {
  const int colour = int(random_() % palette_.size());
  const int second = int(random_() % palette_.size());
  const int count = 110 + int(random_() % 50);
  const double speed = uniform(random_, 280, 400) * unit_;
  Particle light;
  light.position = light.previous = centre;
  light.life = 0.22f;
  light.colour = colour;
  light.flash = true;
  particles_.push_back(light);
  for (int i = 0; i < count; ++i) {
    Particle p;
    const double angle = uniform(random_, 0, 2 * std::numbers::pi);
    // Mostly on a shell, some inside, so the burst reads as a sphere.
    const double v = speed * (i % 4 == 0 ? uniform(random_, 0.3, 0.9) : uniform(random_, 0.9, 1.05));
    p.position = p.previous = centre;
    p.velocity = QPointF(std::cos(angle) * v, std::sin(angle) * v);
    p.life = float(uniform(random_, 0.9, 1.4));
    p.colour = i % 5 == 0 ? second : colour;
    p.glitter = i % 3 == 0;
    particles_.push_back(p);
  }
}

void Fireworks::step(double seconds) {
  while (seconds > 1e-9) {
    const double dt = std::min(seconds, kStep);
    advance(dt);
    seconds -= dt;
  }
}

void Fireworks::advance(double dt) {
  if (launchesLeft_ > 0 && (untilLaunch_ -= dt) <= 0) {
    launch();
    --launchesLeft_;
    untilLaunch_ = uniform(random_, 0.08, 0.22);
  }
  std::vector<QPointF> bursts;
  const double drag = std::exp(-kDrag * dt);
  for (Particle& p : particles_) {
    p.previous = p.position;
    p.age += float(dt);
    if (p.flash) continue;
    if (!p.rocket) p.velocity *= drag;
    p.velocity.ry() += kGravity * unit_ * dt * (p.rocket ? 1.0 : 0.45);
    p.position += p.velocity * dt;
    if (p.rocket && p.age >= p.life) bursts.push_back(p.position);
  }
  std::erase_if(particles_, [](const Particle& p) { return p.age >= p.life; });
  for (const QPointF& at : bursts) burstAt(at);
}

const QImage& Fireworks::sprite(int colour) const {
  if (spriteUnit_ != unit_ || sprites_.size() != palette_.size()) {
    sprites_.clear();
    spriteUnit_ = unit_;
    const int size = std::max(4, int(std::lround(20 * unit_)));
    for (const QColor& c : palette_) {
      QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter p(&image);
      QRadialGradient glow(size / 2.0, size / 2.0, size / 2.0);
      glow.setColorAt(0, Qt::white);
      glow.setColorAt(0.25, c);
      QColor edge = c;
      edge.setAlpha(0);
      glow.setColorAt(1, edge);
      p.fillRect(image.rect(), glow);
      p.end();
      sprites_ << image;
    }
  }
  return sprites_[colour];
}

void Fireworks::paint(QPainter& painter) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const Particle& p : particles_) {
    const double left = 1.0 - p.age / p.life;
    double opacity = p.rocket ? 1.0 : std::pow(left, 1.4);
    // Glitter twinkles as it fades.
    if (p.glitter && left < 0.6 && (int(p.age * 30) + int(p.position.x())) % 3 == 0) opacity *= 0.25;
    if (opacity < 0.02) continue;
    const QImage& image = sprite(p.colour);
    if (p.flash) {
      const double w = image.width() * (5 + 4 * (1 - left));
      painter.setOpacity(0.55 * left);
      painter.drawImage(QRectF(p.position.x() - w / 2, p.position.y() - w / 2, w, w), image);
      painter.setOpacity(1);
      continue;
    }
    const double scale = p.rocket ? 0.7 : 0.55 + 0.45 * left;
    const QColor c = palette_[p.colour];
    // The trail: where it was a few frames ago.
    const QPointF tail = p.position - (p.position - p.previous) * 4;
    QColor trail = c;
    trail.setAlphaF(float(opacity * 0.55));
    painter.setPen(QPen(trail, std::max(1.0, 2 * unit_ * scale)));
    painter.drawLine(tail, p.position);
    painter.setOpacity(opacity);
    const double w = image.width() * scale;
    painter.drawImage(QRectF(p.position.x() - w / 2, p.position.y() - w / 2, w, w), image);
    painter.setOpacity(1);
  }
  painter.restore();
}

QRegion Fireworks::footprint(int cell) const {
  const int columns = int(area_.width()) / cell + 1, rows = int(area_.height()) / cell + 1;
  std::vector<char> marked(size_t(columns) * size_t(rows), 0);
  const double reach = 10 * unit_;
  for (const Particle& p : particles_) {
    const QPointF tail = p.position - (p.position - p.previous) * 4;
    const double around = p.flash ? 20 * 9 * unit_ / 2 + 2 : reach;
    const QRectF r = QRectF(p.position, tail).normalized().adjusted(-around, -around, around, around);
    const int x0 = std::max(0, int(r.left()) / cell), x1 = std::min(columns - 1, int(r.right()) / cell);
    const int y0 = std::max(0, int(r.top()) / cell), y1 = std::min(rows - 1, int(r.bottom()) / cell);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) marked[size_t(y) * size_t(columns) + size_t(x)] = 1;
  }
  // Runs of cells along each row, one rectangle each.
  QRegion region;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns;) {
      if (!marked[size_t(y) * size_t(columns) + size_t(x)]) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < columns && marked[size_t(y) * size_t(columns) + size_t(x)]) ++x;
      region += QRect(start * cell, y * cell, (x - start) * cell, cell);
    }
  }
  return region;
}

QList<QPointF> Fireworks::positions() const {
  QList<QPointF> out;
  for (const Particle& p : particles_) out << p.position;
  return out;
}

}  // namespace ld::stage
