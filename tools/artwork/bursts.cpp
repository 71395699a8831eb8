#include "bursts.h"

#include <cmath>

namespace ld::artwork::bursts {

namespace {

Star starFrom(QPointF c, QPointF direction, qreal speed, qreal gravity, QColor trail, QColor head,
              qreal width) {
  Star s;
  s.origin = c;
  s.velocity = direction * speed;
  s.gravity = gravity;
  s.trail = trail;
  s.head = head;
  s.width = width;
  return s;
}

QPointF turned(QPointF v, qreal radians) {
  return {v.x() * std::cos(radians) - v.y() * std::sin(radians),
          v.x() * std::sin(radians) + v.y() * std::cos(radians)};
}

}  // namespace

void peony(Sky& sky, QPointF c, qreal r, QColor trail, QColor head, int count) {
  sky.drawLaunch(c, trail);
  for (const QPointF d : sky.sphere(count)) {
    const Star s = starFrom(c, d, r * sky.random(0.92, 1.05), r * 0.14, trail, head, 3.0);
    sky.drawStar(s, {0.45, 1.0, 50, 240, 4.6});
  }
}

void pistil(Sky& sky, QPointF c, qreal r, QColor shell, QColor core) {
  peony(sky, c, r, shell, mix(shell, QColor(250, 250, 250), 0.3), 120);
  for (const QPointF d : sky.sphere(50)) {
    const Star s = starFrom(c, d, r * 0.38, r * 0.05, core, core, 2.0);
    sky.drawStar(s, {0.5, 1.0, 60, 230, 3.0});
  }
}

void chrysanthemum(Sky& sky, QPointF c, qreal r, QColor trail, QColor head) {
  sky.drawLaunch(c, trail);
  for (const QPointF d : sky.sphere(130)) {
    const Star s = starFrom(c, d, r * sky.random(0.9, 1.04), r * 0.16, trail, head, 2.3);
    sky.drawStar(s, {0.08, 1.0, 50, 230, 3.8});
    if (sky.rng().bounded(3) == 0)
      sky.drawGlint(s.at(sky.random(0.45, 0.9)), mix(trail, QColor(250, 250, 240), 0.5), 4);
  }
}

void willow(Sky& sky, QPointF c, qreal r, QColor colour) {
  sky.drawLaunch(c, colour);
  for (const QPointF d : sky.sphere(90)) {
    const Star s = starFrom(c, d, r * sky.random(0.8, 0.9), r * 0.75, colour, colour, 2.2);
    sky.drawStar(s, {0.04, 1.0, 50, 190, 2.8});
  }
}

void ring(Sky& sky, QPointF c, qreal r, QColor colour, qreal tilt, qreal turnDegrees) {
  sky.drawLaunch(c, colour);
  const qreal turn = turnDegrees * M_PI / 180;
  for (const QPointF d : sky.circle(60, sky.random(0, 1))) {
    const Star s = starFrom(c, turned(QPointF(d.x(), d.y() * tilt), turn), r, r * 0.06, colour, colour, 3.0);
    sky.drawStar(s, {0.62, 1.0, 50, 240, 5.0});
  }
  sky.drawGlow(c, colour, 6);
}

void palm(Sky& sky, QPointF c, qreal r, QColor colour) {
  Star trunk;
  trunk.origin = QPointF(c.x(), sky.size().height() + 10);
  trunk.velocity = c - trunk.origin;
  trunk.trail = colour;
  trunk.width = 3.2;
  sky.drawStar(trunk, {0.45, 0.97, 0, 200, 0});
  const int branches = 9;
  for (const QPointF d : sky.circle(branches, -M_PI / 2 + 0.2)) {
    const Star s = starFrom(c, d, r * sky.random(0.85, 1.0), r * 0.55, colour, QColor(250, 240, 200), 4.2);
    sky.drawStar(s, {0.02, 1.0, 70, 250, 5.0});
    for (int k = 0; k < 6; ++k)
      sky.drawGlint(s.at(sky.random(0.3, 0.95)), mix(colour, QColor(250, 250, 240), 0.6), 3.5);
  }
}

void crossette(Sky& sky, QPointF c, qreal r, QColor colour, QColor split) {
  sky.drawLaunch(c, colour);
  for (const QPointF d : sky.circle(14, sky.random(0, 1))) {
    const Star s = starFrom(c, d, r * 0.62, r * 0.08, colour, colour, 2.4);
    sky.drawStar(s, {0.1, 1.0, 40, 230, 3.2});
    const QPointF end = s.at(1.0);
    const qreal a = sky.random(0, M_PI / 2);
    for (const QPointF e : sky.circle(4, a)) {
      const Star piece = starFrom(end, e, r * 0.36, r * 0.1, split, split, 2.0);
      sky.drawStar(piece, {0.05, 1.0, 60, 240, 3.2});
    }
  }
}

void glitter(Sky& sky, QPointF c, qreal r, QColor colour, int count) {
  for (int i = 0; i < count; ++i) {
    const qreal a = sky.random(0, 2 * M_PI);
    const qreal d = r * std::sqrt(sky.random(0, 1));
    const QPointF at = c + QPointF(std::cos(a), std::sin(a)) * d + QPointF(0, d * 0.15);
    const QColor tone = mix(colour, QColor(250, 250, 240), sky.random(0, 0.7));
    if (sky.rng().bounded(3) == 0)
      sky.drawGlint(at, tone, sky.random(7, 15));
    else
      sky.drawGlow(at, tone, sky.random(2.4, 4.2));
  }
}

void heart(Sky& sky, QPointF c, qreal r, QColor colour) {
  sky.drawLaunch(c, colour);
  const int count = 84;
  for (int i = 0; i < count; ++i) {
    const qreal t = 2 * M_PI * i / count;
    const qreal x = 16 * std::pow(std::sin(t), 3);
    const qreal y = -(13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t));
    const Star s =
        starFrom(c, QPointF(x, y) / 17.0, r, r * 0.05, colour, mix(colour, QColor(250, 250, 250), 0.4), 2.4);
    sky.drawStar(s, {0.66, 1.0, 50, 240, 4.8});
  }
}

void saturn(Sky& sky, QPointF c, qreal r, QColor sphere, QColor band) {
  peony(sky, c, r * 0.62, sphere, sphere, 90);
  for (const QPointF d : sky.circle(56)) {
    const Star s = starFrom(c, turned(QPointF(d.x(), d.y() * 0.22), -0.3), r, 0, band, band, 2.2);
    sky.drawStar(s, {0.8, 1.0, 60, 240, 3.6});
  }
}

void pinwheel(Sky& sky, QPointF c, qreal r, QColor colour, QColor head, int arms) {
  sky.drawLaunch(c, colour);
  const qreal phase = sky.random(0, 1);
  for (int arm = 0; arm < arms; ++arm) {
    for (int k = 0; k < 7; ++k) {
      // Each star of an arm leaves later and curls further, so the arm bends into a spiral.
      const qreal a = phase + 2 * M_PI * arm / arms;
      const qreal reach = r * (0.35 + 0.1 * k);
      std::vector<QPointF> path;
      for (int i = 0; i <= 16; ++i) {
        const qreal t = i / 16.0;
        const qreal angle = a + 1.6 * t * (0.5 + 0.1 * k);
        path.push_back(c + QPointF(std::cos(angle), std::sin(angle)) * reach * t);
      }
      for (std::size_t i = 1; i < path.size(); ++i) {
        const qreal f = qreal(i) / (path.size() - 1);
        QColor tone = colour;
        tone.setAlpha(int(40 + 200 * f * f));
        sky.painter().setPen(QPen(tone, 2.2, Qt::SolidLine, Qt::FlatCap));
        sky.painter().drawLine(path[i - 1], path[i]);
      }
      sky.drawGlow(path.back(), head, 3.6);
    }
  }
}

void starShape(Sky& sky, QPointF c, qreal r, QColor colour) {
  sky.drawLaunch(c, colour);
  const int count = 90;
  for (int i = 0; i < count; ++i) {
    // Walk the outline of a five-pointed star: points and inner corners alternate.
    const qreal u = 10.0 * i / count;
    const int edge = int(u);
    const qreal f = u - edge;
    auto corner = [](int k) {
      const qreal a = -M_PI / 2 + k * M_PI / 5;
      const qreal radius = k % 2 == 0 ? 1.0 : 0.42;
      return QPointF(std::cos(a), std::sin(a)) * radius;
    };
    const QPointF d = corner(edge) + (corner(edge + 1) - corner(edge)) * f;
    const Star s = starFrom(c, d, r, r * 0.04, colour, mix(colour, QColor(250, 250, 250), 0.4), 2.2);
    sky.drawStar(s, {0.7, 1.0, 40, 240, 3.8});
  }
}

void dahlia(Sky& sky, QPointF c, qreal r, QColor a, QColor b) {
  sky.drawLaunch(c, a);
  int i = 0;
  for (const QPointF d : sky.sphere(70)) {
    const QColor tone = (i++ % 2) ? a : b;
    const Star s = starFrom(c, d, r * sky.random(0.9, 1.0), r * 0.1, tone, tone, 5.5);
    sky.drawStar(s, {0.55, 1.0, 60, 220, 5.5});
  }
}

void horsetail(Sky& sky, QPointF c, qreal r, QColor colour) {
  sky.drawLaunch(c, colour);
  for (int i = 0; i < 60; ++i) {
    const QPointF d(sky.random(-0.6, 0.6), sky.random(-1.0, -0.4));
    const Star s = starFrom(c, d, r * 0.7, r * 2.6, colour, colour, 1.4);
    sky.drawStar(s, {0.0, 1.0, 20, 190, 2.0});
  }
}

}  // namespace ld::artwork::bursts
