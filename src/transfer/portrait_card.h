#pragma once
// Painted portraits: the generated card of a participant who came without a photo, and the pieces the
// demo roster's avatars share with it (background, name banner), so that both look alike.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QtGlobal>

namespace ld {

// splitmix64: tiny, fast, and the same on every platform (the std distributions are not).
class SplitMix64 {
 public:
  explicit SplitMix64(quint64 seed) : state_(seed) {}
  quint64 next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return int(next() % quint64(n)); }

 private:
  quint64 state_;
};

constexpr int kPortraitWidth = 480, kPortraitHeight = 360, kPortraitBannerTop = 282;

// Golden-angle hue steps keep neighbouring people apart in colour.
int portraitHue(int index);
// The random source of a portrait; the same index paints the same picture.
SplitMix64 portraitRng(int index);
QFont portraitFont(int pixelSize, bool bold);
// Shrinks the font until the text fits the width, then draws it centred in box.
void drawFittedText(QPainter& p, const QRectF& box, const QString& text, QFont font, const QColor& colour);
// A soft vertical gradient of hue above the banner, with a few translucent bubbles.
void paintPortraitBackground(QPainter& p, int hue, SplitMix64& rng);
// The light banner at the bottom with the name, large, and the department under it.
void paintPortraitBanner(QPainter& p, int hue, const QColor& accent, const QString& name,
                         const QString& department);

// A 480 x 360 card for a participant without a photo: the avatar background with the name's first
// character in a large disc and the name banner below. Needs a QGuiApplication for the fonts.
QImage portraitCard(const QString& name, const QString& department, int index);

}  // namespace ld
