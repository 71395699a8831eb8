// The fireworks pictures: each one its own pattern and colours, on the see-through black.
#include <array>
#include <functional>

#include "artwork.h"
#include "bursts.h"
#include "sky.h"

namespace ld::artwork {

namespace {

using namespace bursts;
using namespace bursts::colour;

// Scenes are laid out in fractions of the picture, radii in fractions of its height.
struct Frame {
  Sky& sky;
  QPointF at(qreal x, qreal y) const { return {x * sky.size().width(), y * sky.size().height()}; }
  qreal r(qreal f) const { return f * sky.size().height(); }
};

using Scene = std::function<void(Frame)>;

const std::array<Scene, kFireworksFileCount> kScenes = {
    [](Frame f) {  // peonies: red with gold tips, green, blue
      peony(f.sky, f.at(0.5, 0.4), f.r(0.3), kRed, kGold, 130);
      peony(f.sky, f.at(0.2, 0.3), f.r(0.16), kGreen, kGreen);
      peony(f.sky, f.at(0.8, 0.28), f.r(0.17), kBlue, kCyan);
    },
    [](Frame f) {  // chrysanthemums, gold and silver
      chrysanthemum(f.sky, f.at(0.42, 0.42), f.r(0.34), kGold, kOrange);
      chrysanthemum(f.sky, f.at(0.78, 0.3), f.r(0.2), kSilver, kCyan);
    },
    [](Frame f) {  // a golden willow over a small red peony
      willow(f.sky, f.at(0.5, 0.3), f.r(0.4), kGold);
      peony(f.sky, f.at(0.22, 0.55), f.r(0.12), kRed, kPink, 70);
    },
    [](Frame f) {  // rings at different tilts
      ring(f.sky, f.at(0.3, 0.35), f.r(0.22), kCyan, 0.45, -20);
      ring(f.sky, f.at(0.68, 0.3), f.r(0.25), kPink, 0.6, 25);
      ring(f.sky, f.at(0.5, 0.62), f.r(0.15), kGold, 1.0, 0);
    },
    [](Frame f) {  // palms
      palm(f.sky, f.at(0.5, 0.38), f.r(0.36), kGold);
      palm(f.sky, f.at(0.18, 0.5), f.r(0.18), kOrange);
      palm(f.sky, f.at(0.83, 0.45), f.r(0.2), kLemon);
    },
    [](Frame f) {  // crossettes
      crossette(f.sky, f.at(0.35, 0.38), f.r(0.36), kGreen, kLemon);
      crossette(f.sky, f.at(0.74, 0.32), f.r(0.28), kOrange, kRed);
    },
    [](Frame f) {  // many small bursts of every colour
      const std::array<QColor, 7> tones = {kRed, kGold, kGreen, kBlue, kPurple, kPink, kCyan};
      const std::array<QPointF, 7> spots = {QPointF(0.15, 0.3), QPointF(0.32, 0.55), QPointF(0.45, 0.25),
                                            QPointF(0.6, 0.5),  QPointF(0.75, 0.22), QPointF(0.88, 0.5),
                                            QPointF(0.25, 0.12)};
      for (std::size_t i = 0; i < tones.size(); ++i)
        peony(f.sky, f.at(spots[i].x(), spots[i].y()), f.r(0.11), tones[i], tones[(i + 1) % tones.size()],
              60);
    },
    [](Frame f) {  // glitter clouds
      glitter(f.sky, f.at(0.5, 0.4), f.r(0.36), kSilver, 420);
      glitter(f.sky, f.at(0.18, 0.3), f.r(0.16), kGold, 120);
      glitter(f.sky, f.at(0.82, 0.32), f.r(0.16), kGold, 120);
    },
    [](Frame f) {  // hearts
      heart(f.sky, f.at(0.4, 0.4), f.r(0.3), kPink);
      heart(f.sky, f.at(0.74, 0.3), f.r(0.18), kRed);
      glitter(f.sky, f.at(0.14, 0.72), f.r(0.1), kPink, 40);
    },
    [](Frame f) {  // saturn shells
      saturn(f.sky, f.at(0.45, 0.42), f.r(0.4), kPurple, kGold);
      saturn(f.sky, f.at(0.82, 0.22), f.r(0.18), kCyan, kPink);
    },
    [](Frame f) {  // pinwheels
      pinwheel(f.sky, f.at(0.38, 0.42), f.r(0.36), kBlue, kCyan, 6);
      pinwheel(f.sky, f.at(0.76, 0.3), f.r(0.22), kGreen, kLemon, 5);
    },
    [](Frame f) {  // five-pointed stars
      starShape(f.sky, f.at(0.5, 0.42), f.r(0.34), kGold);
      glitter(f.sky, f.at(0.5, 0.42), f.r(0.12), kLemon, 60);
      starShape(f.sky, f.at(0.17, 0.3), f.r(0.14), kRed);
      starShape(f.sky, f.at(0.83, 0.3), f.r(0.14), kRed);
    },
    [](Frame f) {  // dahlias
      dahlia(f.sky, f.at(0.4, 0.4), f.r(0.3), kRed, kGreen);
      dahlia(f.sky, f.at(0.75, 0.3), f.r(0.2), kPurple, kGold);
    },
    [](Frame f) {  // horsetails pouring down
      horsetail(f.sky, f.at(0.3, 0.3), f.r(0.28), kSilver);
      horsetail(f.sky, f.at(0.55, 0.22), f.r(0.3), kGold);
      horsetail(f.sky, f.at(0.8, 0.32), f.r(0.26), kSilver);
    },
    [](Frame f) {  // layered shells over a chrysanthemum
      chrysanthemum(f.sky, f.at(0.3, 0.45), f.r(0.26), kSilver, kSilver);
      pistil(f.sky, f.at(0.62, 0.36), f.r(0.32), kBlue, kGold);
      pistil(f.sky, f.at(0.88, 0.22), f.r(0.13), kGreen, kPink);
    },
};

}  // namespace

QImage drawFireworks(int number) {
  Sky sky(kFireworksFileSize, 1000u + quint32(number));
  kScenes.at(std::size_t(number))(Frame{sky});
  return sky.finish();
}

QImage drawBuiltinFireworks() {
  Sky sky(kBuiltinFireworksSize, 77);
  const Frame f{sky};
  willow(sky, f.at(0.5, 0.3), f.r(0.36), kGold);
  peony(sky, f.at(0.22, 0.34), f.r(0.2), kRed, kGold, 120);
  chrysanthemum(sky, f.at(0.78, 0.32), f.r(0.22), kSilver, kCyan);
  ring(sky, f.at(0.34, 0.62), f.r(0.13), kPink, 0.5, 15);
  pistil(sky, f.at(0.68, 0.62), f.r(0.15), kGreen, kPurple);
  glitter(sky, f.at(0.5, 0.15), f.r(0.1), kLemon, 50);
  return sky.finish();
}

}  // namespace ld::artwork
