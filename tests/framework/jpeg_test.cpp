#include "framework/jpeg.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "support/temp_app.h"

namespace ld {
namespace {

void expectNear(QRgb actual, QColor expected, int tolerance = 12) {
  EXPECT_NEAR(qRed(actual), expected.red(), tolerance);
  EXPECT_NEAR(qGreen(actual), expected.green(), tolerance);
  EXPECT_NEAR(qBlue(actual), expected.blue(), tolerance);
}

void expectQuadrants(const QImage& img) {
  const int w = img.width(), h = img.height();
  expectNear(img.pixel(w / 4, h / 4), Qt::red);
  expectNear(img.pixel(3 * w / 4, h / 4), Qt::green);
  expectNear(img.pixel(w / 4, 3 * h / 4), Qt::blue);
  expectNear(img.pixel(3 * w / 4, 3 * h / 4), Qt::white);
}

// Writes pictures the production encoder never makes (grey, CMYK, long scan scripts) with libjpeg directly.
QByteArray rawEncode(int w, int h, int components, J_COLOR_SPACE space,
                     const std::function<void(int x, int y, JSAMPLE* px)>& pixel,
                     const std::function<void(jpeg_compress_struct&)>& tune = {}) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (tune) tune(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(w) * components);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) pixel(x, y, &row[static_cast<size_t>(x) * components]);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray result(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  std::free(out);
  return result;
}

QString messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const JpegError& e) {
    return e.message();
  }
  ADD_FAILURE() << "expected a JpegError";
  return {};
}

TEST(JpegCodec, RoundTripKeepsSizeAndColours) {
  const QByteArray data = encodeJpeg(test::quarters(480, 360, Qt::white), 100);
  ASSERT_TRUE(data.startsWith("\xFF\xD8"));
  const QImage img = decodeJpeg(data);
  ASSERT_EQ(img.size(), QSize(480, 360));
  EXPECT_EQ(img.format(), QImage::Format_RGB32);
  expectQuadrants(img);
  EXPECT_EQ(qAlpha(img.pixel(0, 0)), 255);
  EXPECT_EQ(qAlpha(img.pixel(479, 359)), 255);
}

TEST(JpegCodec, EncodesAnyFormatAsBaselineColourAtTheGivenQuality) {
  QImage argb = test::quarters(64, 48, Qt::white).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage indexed = test::quarters(64, 48, Qt::white).convertToFormat(QImage::Format_Indexed8);
  QImage odd = test::quarters(33, 17, Qt::white).convertToFormat(QImage::Format_RGB888);  // padded scan lines
  for (const QImage& src : {argb, indexed, odd}) {
    const QByteArray data = encodeJpeg(src, 90);
    EXPECT_TRUE(data.contains(QByteArray("\xFF\xC0", 2))) << "baseline frame header";
    EXPECT_FALSE(data.contains(QByteArray("\xFF\xC2", 2))) << "no progressive frame";
    const QImage back = decodeJpeg(data);
    ASSERT_EQ(back.size(), src.size());
    expectQuadrants(back);
  }

  QImage noisy(200, 150, QImage::Format_RGB32);
  QRandomGenerator rng(7);
  for (int y = 0; y < noisy.height(); ++y)
    for (int x = 0; x < noisy.width(); ++x) noisy.setPixel(x, y, rng.generate() | 0xFF000000u);
  EXPECT_LT(encodeJpeg(noisy, 10).size() * 2, encodeJpeg(noisy, 95).size());
  EXPECT_THROW(encodeJpeg(QImage(), 90), JpegError);
}

TEST(JpegCodec, DctScalingPicksSmallestSufficientScale) {
  const QByteArray photo = encodeJpeg(test::quarters(480, 360, Qt::white), 100);
  // Tile of 100 x 74: 1/8 gives 60 x 45, too small; 1/4 gives 120 x 90.
  QImage tile = decodeJpeg(photo, QSize(100, 74));
  EXPECT_EQ(tile.size(), QSize(120, 90));
  expectQuadrants(tile);
  EXPECT_EQ(decodeJpeg(photo, QSize(121, 90)).size(), QSize(180, 135));  // 3/8
  EXPECT_EQ(decodeJpeg(photo, QSize(60, 45)).size(), QSize(60, 45));     // 1/8 exactly
  EXPECT_EQ(decodeJpeg(photo, QSize(10, 300)).size(), QSize(420, 315));  // height decides: 7/8
  EXPECT_EQ(decodeJpeg(photo, QSize(480, 360)).size(), QSize(480, 360));
  EXPECT_EQ(decodeJpeg(photo, QSize(2000, 2000)).size(), QSize(480, 360));  // never upscales
  EXPECT_EQ(decodeJpeg(photo, QSize(0, 0)).size(), QSize(480, 360));
}

TEST(JpegCodec, DecodesGreyCmykAndProgressiveSources) {
  const QImage grey = decodeJpeg(
      rawEncode(64, 32, 1, JCS_GRAYSCALE, [](int x, int, JSAMPLE* px) { px[0] = x < 32 ? 40 : 220; }));
  ASSERT_EQ(grey.size(), QSize(64, 32));
  expectNear(grey.pixel(8, 16), QColor(40, 40, 40), 4);
  expectNear(grey.pixel(56, 16), QColor(220, 220, 220), 4);

  // Left half full magenta + yellow ink (red), right half no ink (white).
  auto inks = [](bool inverted) {
    return [inverted](int x, int, JSAMPLE* px) {
      const JSAMPLE ink[4] = {0, static_cast<JSAMPLE>(x < 32 ? 255 : 0),
                              static_cast<JSAMPLE>(x < 32 ? 255 : 0), 0};
      for (int i = 0; i < 4; ++i) px[i] = inverted ? 255 - ink[i] : ink[i];
    };
  };
  // Adobe's files store CMYK inverted and say so with their marker; libjpeg writes that marker.
  const QImage adobe = decodeJpeg(rawEncode(64, 32, 4, JCS_CMYK, inks(true)));
  expectNear(adobe.pixel(8, 16), Qt::red);
  expectNear(adobe.pixel(56, 16), Qt::white);
  const QImage ycck = decodeJpeg(rawEncode(
      64, 32, 4, JCS_CMYK, inks(true), [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_YCCK); }));
  expectNear(ycck.pixel(8, 16), Qt::red);
  const QImage plain = decodeJpeg(rawEncode(64, 32, 4, JCS_CMYK, inks(false),
                                            [](jpeg_compress_struct& c) { c.write_Adobe_marker = FALSE; }));
  expectNear(plain.pixel(8, 16), Qt::red);
  expectNear(plain.pixel(56, 16), Qt::white);

  const QImage src = test::quarters(96, 64, Qt::white);
  const QByteArray progressive = rawEncode(
      96, 64, 3, JCS_RGB,
      [&](int x, int y, JSAMPLE* px) {
        const QRgb c = src.pixel(x, y);
        px[0] = qRed(c), px[1] = qGreen(c), px[2] = qBlue(c);
      },
      [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
  ASSERT_TRUE(progressive.contains(QByteArray("\xFF\xC2", 2)));
  expectQuadrants(decodeJpeg(progressive));
  expectQuadrants(decodeJpeg(progressive, QSize(24, 16)));
}

TEST(JpegCodec, RefusesDataThatIsNotAWholeJpeg) {
  EXPECT_TRUE(messageOf([] { decodeJpeg(QByteArray()); }).startsWith("JPEG 图像错误"));

  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(test::quarters(40, 30, Qt::white).save(&buffer, "PNG"));
  EXPECT_TRUE(messageOf([&] { decodeJpeg(png); }).contains("Not a JPEG file"));
  EXPECT_THROW(decodeJpeg(QByteArray("\xFF\xD8\xFF", 3)), JpegError);

  // A truncated photo is refused wherever it was cut, also when only the end marker is missing:
  // libjpeg would otherwise fill the rest with grey.
  const QByteArray photo = encodeJpeg(test::quarters(480, 360, Qt::white), 90);
  for (qsizetype keep : {qsizetype(20), photo.size() / 2, photo.size() - 200, photo.size() - 2}) {
    SCOPED_TRACE(keep);
    EXPECT_THROW(decodeJpeg(photo.left(keep)), JpegError);
    EXPECT_THROW(decodeJpeg(photo.left(keep), QSize(100, 74)), JpegError);
  }
  EXPECT_TRUE(messageOf([&] { decodeJpeg(photo.left(photo.size() / 2)); }).contains("Premature end"));

  // A marker in the middle of the picture data.
  QByteArray marked = photo;
  marked[photo.size() / 2] = '\xFF';
  marked[photo.size() / 2 + 1] = '\xD9';
  EXPECT_THROW(decodeJpeg(marked), JpegError);
}

TEST(JpegCodec, CorruptedBytesNeverCrash) {
  const QByteArray photo = encodeJpeg(test::quarters(160, 120, Qt::white), 80);
  QRandomGenerator rng(2024);
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    QByteArray bad = photo;
    const int flips = 1 + int(rng.bounded(8));
    for (int i = 0; i < flips; ++i) bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
    try {
      const QImage img = decodeJpeg(bad, round % 2 ? QSize(40, 30) : QSize());
      EXPECT_FALSE(img.isNull());
    } catch (const JpegError& e) {
      EXPECT_TRUE(e.message().startsWith("JPEG 图像错误: ")) << e.message().toStdString();
      ++refused;
    }
  }
  EXPECT_GT(refused, 30);  // damage is detected, not just survived
}

// Patches the frame header of a small file to claim a huge picture.
QByteArray withClaimedSize(QByteArray jpeg, int w, int h) {
  const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
  jpeg[sof + 5] = char(h >> 8), jpeg[sof + 6] = char(h & 0xFF);
  jpeg[sof + 7] = char(w >> 8), jpeg[sof + 8] = char(w & 0xFF);
  return jpeg;
}

TEST(JpegCodec, RefusesAbsurdSizesAndScanCounts) {
  const QByteArray small = encodeJpeg(test::quarters(16, 16, Qt::white), 90);
  const QString msg = messageOf([&] { decodeJpeg(withClaimedSize(small, 65000, 65000)); });
  EXPECT_TRUE(msg.contains("65000 x 65000")) << msg.toStdString();
  EXPECT_THROW(decodeJpeg(withClaimedSize(small, 10001, 10000), QSize(10, 10)), JpegError);

  // Each AC coefficient in its own band, refined bit by bit: 568 scans.
  std::vector<jpeg_scan_info> script;
  script.push_back({1, {0}, 0, 0, 0, 0});
  for (int k = 1; k < 64; ++k) {
    script.push_back({1, {0}, k, k, 0, 8});
    for (int al = 7; al >= 0; --al) script.push_back({1, {0}, k, k, al + 1, al});
  }
  const QByteArray manyScans = rawEncode(
      16, 16, 1, JCS_GRAYSCALE, [](int x, int y, JSAMPLE* px) { px[0] = JSAMPLE((x * 37 + y * 11) & 0xFF); },
      [&](jpeg_compress_struct& c) {
        c.scan_info = script.data();
        c.num_scans = int(script.size());
      });
  EXPECT_TRUE(messageOf([&] { decodeJpeg(manyScans); }).contains("scans"));
}

TEST(JpegCodec, DecodesFilesAndNamesTheFileInErrors) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString good = dir.filePath("照片.jpg");
  QFile f(good);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(encodeJpeg(test::quarters(480, 360, Qt::white), 100));
  f.close();
  EXPECT_EQ(decodeJpegFile(good, QSize(100, 74)).size(), QSize(120, 90));
  expectQuadrants(decodeJpegFile(good));

  const QString missing = dir.filePath("nobody.jpg");
  EXPECT_TRUE(messageOf([&] { decodeJpegFile(missing); }).contains(missing));
  const QString empty = dir.filePath("empty.jpg");
  QFile e(empty);
  ASSERT_TRUE(e.open(QIODevice::WriteOnly));
  e.close();
  EXPECT_TRUE(messageOf([&] { decodeJpegFile(empty); }).contains(empty));
  EXPECT_TRUE(messageOf([&] { decodeJpegFile(dir.path()); }).contains(dir.path()));
}

}  // namespace
}  // namespace ld
