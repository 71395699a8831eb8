// The generated artwork as the program receives it: built-in pictures from the resources and the
// files the build lays into system/, decoded with the program's own GIF reader.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <functional>
#include <set>

#include "artwork/builtin.h"
#include "framework/jpeg.h"
#include "widgets/gif_image.h"

namespace {

using ld::artwork::Builtin;

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;

QString systemFile(const QString& name) { return QStringLiteral(LUCKYDRAW_APP_DIR "/system/") + name; }

// A decoded one-frame GIF: the colours as stored in the file and the see-through colour.
struct Decoded {
  QSize size;
  int frames = 0;
  QRgb key = ld::kColorNone;
  QImage rgb;  // RGB32, file colours

  QRgb at(int x, int y) const { return rgb.pixel(x, y) & 0xFFFFFF; }
};

Decoded decode(TGIFImage& gif) {
  Decoded d;
  d.frames = gif.frameCount();
  if (d.frames == 0) return d;
  TGIFFrame& frame = gif.frame(0);
  d.size = QSize(gif.width(), gif.height());
  d.key = frame.transparentColor() == ld::kColorNone ? ld::kColorNone : frame.transparentColor() & 0xFFFFFF;
  const QImage& bitmap = frame.bitmap();
  const TGIFColorTable& table = frame.item()->colorTable;
  d.rgb = QImage(bitmap.size(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) d.rgb.setPixel(x, y, table.color(bitmap.pixelIndex(x, y)));
  return d;
}

Decoded decodeFormData(const QByteArray& formData) {
  TGIFImage gif;
  gif.readFormData(formData);
  return decode(gif);
}

Decoded decodeFile(const QString& path) {
  TGIFImage gif;
  gif.loadFromFile(path);
  return decode(gif);
}

int countPixels(const Decoded& d, const QRect& area, const std::function<bool(QRgb)>& match) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += match(d.at(x, y)) ? 1 : 0;
  return n;
}

int brightest(QRgb c) { return std::max({qRed(c), qGreen(c), qBlue(c)}); }

// Black is see-through in the fireworks window: it must dominate, something bright must show, and
// nothing may be so dark that it shows as haze over the window behind.
void expectFireworks(const Decoded& d, const QString& what) {
  SCOPED_TRACE(what.toStdString());
  ASSERT_EQ(d.frames, 1);
  EXPECT_EQ(d.key, kBlack);
  const QRect all(QPoint(0, 0), d.size);
  const int pixels = d.size.width() * d.size.height();
  EXPECT_GT(countPixels(d, all, [](QRgb c) { return c == kBlack; }), pixels / 2);
  EXPECT_GT(countPixels(d, all, [](QRgb c) { return brightest(c) >= 160; }), pixels / 500);
  EXPECT_EQ(countPixels(d, all, [](QRgb c) { return c != kBlack && brightest(c) < 40; }), 0);
}

struct WhiteKeyed {
  Builtin picture;
  QSize size;
  // A region that lies wholly on the picture, away from its rounded outline.
  QRect inside;
};

const WhiteKeyed kWhiteKeyed[] = {
    {Builtin::Handset, {1016, 488}, QRect(QPoint(40, 20), QPoint(975, 467))},
    {Builtin::PowerKey, {89, 89}, QRect(18, 18, 53, 53)},
    {Builtin::DrawIcon, {59, 60}, QRect(6, 6, 47, 48)},
    {Builtin::MessagesIcon, {59, 60}, QRect(6, 6, 47, 48)},
    {Builtin::ClockIcon, {59, 60}, QRect(6, 6, 47, 48)},
    {Builtin::TelephoneIcon, {59, 60}, QRect(6, 6, 47, 48)},
    {Builtin::MusicIcon, {60, 60}, QRect(6, 6, 48, 48)},
};

TEST(BuiltinArtwork, ResourcesHoldLengthPrefixedGifFiles) {
  for (const Builtin picture : ld::artwork::kAllBuiltins) {
    SCOPED_TRACE(ld::artwork::builtinPath(picture).toStdString());
    QFile file(ld::artwork::builtinPath(picture));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    ASSERT_GT(data.size(), 10);
    const auto* b = reinterpret_cast<const uchar*>(data.constData());
    const qint64 length = b[0] | b[1] << 8 | b[2] << 16 | qint64(b[3]) << 24;
    EXPECT_EQ(length, data.size() - 4);
    EXPECT_TRUE(data.mid(4, 6) == "GIF89a" || data.mid(4, 6) == "GIF87a");
    EXPECT_EQ(ld::artwork::builtinFormData(picture), data);
  }
}

TEST(BuiltinArtwork, WhiteKeyedPicturesHaveTheirSizesAndNoSeeThroughHoles) {
  for (const WhiteKeyed& expected : kWhiteKeyed) {
    SCOPED_TRACE(ld::artwork::builtinPath(expected.picture).toStdString());
    const Decoded d = decodeFormData(ld::artwork::builtinFormData(expected.picture));
    ASSERT_EQ(d.frames, 1);
    ASSERT_EQ(d.size, expected.size);
    EXPECT_EQ(d.key, kWhite);
    // The surroundings are see-through...
    const int w = d.size.width() - 1;
    const int h = d.size.height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
      EXPECT_EQ(d.at(corner.x(), corner.y()), kWhite) << corner.x() << "," << corner.y();
    // ...and no highlight inside may punch a hole through the picture.
    EXPECT_EQ(countPixels(d, expected.inside, [](QRgb c) { return c == kWhite; }), 0);
  }
}

TEST(BuiltinArtwork, PowerKeyIsRoundAndSolidWithinItsRim) {
  const Decoded d = decodeFormData(ld::artwork::builtinFormData(Builtin::PowerKey));
  ASSERT_EQ(d.size, QSize(89, 89));
  int holes = 0;
  for (int y = 0; y < 89; ++y)
    for (int x = 0; x < 89; ++x) {
      const double dx = x + 0.5 - 44.5;
      const double dy = y + 0.5 - 44.5;
      if (dx * dx + dy * dy < 42.0 * 42.0 && d.at(x, y) == kWhite) ++holes;
    }
  EXPECT_EQ(holes, 0);
}

TEST(BuiltinArtwork, FireworksPictureIsFullSizeOnSeeThroughBlack) {
  const Decoded d = decodeFormData(ld::artwork::builtinFormData(Builtin::Fireworks));
  ASSERT_EQ(d.size, QSize(1280, 1024));
  expectFireworks(d, QStringLiteral("built-in fireworks"));
}

TEST(SystemArtwork, FifteenDistinctFireworksFiles) {
  std::set<QByteArray> contents;
  for (int n = 0; n <= 14; ++n) {
    const QString path = systemFile(QString::number(n) + ".gif");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    contents.insert(file.readAll());
    const Decoded d = decodeFile(path);
    ASSERT_EQ(d.size, QSize(1024, 768)) << path.toStdString();
    expectFireworks(d, path);
  }
  EXPECT_EQ(contents.size(), 15u);
}

TEST(SystemArtwork, PlaceholderPhotoIsALightPhotoSizedJpeg) {
  const QImage photo = ld::decodeJpegFile(systemFile(QStringLiteral("logo.jpg")));
  ASSERT_EQ(photo.size(), QSize(480, 360));
  // A friendly picture, not a dark or empty one: mostly light, with a figure that differs from the ground.
  long long sum = 0;
  int darkest = 255;
  for (int y = 0; y < photo.height(); y += 4)
    for (int x = 0; x < photo.width(); x += 4) {
      const int grey = qGray(photo.pixel(x, y));
      sum += grey;
      darkest = std::min(darkest, grey);
    }
  const long long mean = sum / ((photo.height() / 4) * (photo.width() / 4));
  EXPECT_GT(mean, 140);
  EXPECT_LT(darkest, mean - 40);
}

}  // namespace
