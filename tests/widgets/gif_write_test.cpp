// GIF image, writing: round trips of random multi-frame images, byte-for-byte rewrites, the
// encodeGif convenience API (palette reduction, transparent key, black and white kept exactly) and form data.
#include <gtest/gtest.h>

#include <QBuffer>
#include <random>
#include <set>

#include "widgets/gif_image.h"
#include "widgets/gif_quantize.h"
#include "widgets/gif_test_util.h"
#include "widgets/gif_writer.h"

using namespace giftest;

namespace {

QImage randomIndexed(std::mt19937& rng, int w, int h, int colors) {
  QImage img(w, h, QImage::Format_Indexed8);
  QList<QRgb> table;
  std::set<QRgb> used;
  while (table.size() < colors) {
    QRgb c =
        qRgb(static_cast<int>(rng() & 0xFF), static_cast<int>(rng() & 0xFF), static_cast<int>(rng() & 0xFF));
    if (used.insert(c).second) table.append(c);
  }
  img.setColorTable(table);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.scanLine(y)[x] = static_cast<uchar>(rng() % static_cast<unsigned>(colors));
  return img;
}

// A picture with far more than 256 colours, and some pure black, pure white and key pixels.
QImage manyColours(int w, int h, QRgb key, bool withKey) {
  QImage img(w, h, QImage::Format_RGB32);
  std::mt19937 rng(99);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int r = x * 255 / std::max(1, w - 1), g = y * 255 / std::max(1, h - 1),
          b = static_cast<int>(rng() % 256);
      img.setPixel(x, y, qRgb(r, g, b));
    }
  for (int x = 0; x < w; ++x) {
    img.setPixel(x, 0, qRgb(0, 0, 0));
    img.setPixel(x, 1, qRgb(255, 255, 255));
    img.setPixel(x, 2, qRgb(1, 1, 1));        // near black
    img.setPixel(x, 3, qRgb(254, 255, 255));  // near white
    if (withKey) img.setPixel(x, 4, key);
    img.setPixel(x, 5, qRgb(qRed(key), qGreen(key), std::min(255, qBlue(key) + 1)));  // near the key
  }
  return img;
}

double meanError(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (a.width() * a.height() * 3.0);
}

}  // namespace

// ---- round trips ----

TEST(GifWrite, RandomMultiFrameImagesRoundTrip) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    TGIFImage img;
    const int frames = 1 + static_cast<int>(rng() % 5);
    std::vector<QImage> pictures;
    for (int i = 0; i < frames; ++i) {
      const int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 50);
      const int colors = 1 + static_cast<int>(rng() % 256);
      QImage pic = randomIndexed(rng, w, h, colors);
      if (rng() % 4 == 0) pic = pic.convertToFormat(QImage::Format_RGB32);
      QRgb key = ld::kColorNone;
      if (rng() % 2) key = pic.pixel(static_cast<int>(rng() % static_cast<unsigned>(w)), 0) | 0xFF000000u;
      if (colors < 256 && rng() % 5 == 0) key = qRgb(1, 2, 3);  // a key that does not occur
      const int index = img.addFrame(pic, key);
      ASSERT_EQ(index, i);
      TGIFFrame& f = img.frame(i);
      f.setOrigin(QPoint(static_cast<int>(rng() % 30), static_cast<int>(rng() % 30)));
      f.setDelay(static_cast<std::uint16_t>(10 * (rng() % 1000)));
      f.setDisposal(static_cast<std::uint8_t>(rng() % 4));
      pictures.push_back(pic);
    }
    img.setLooping(rng() % 2 == 0);
    img.setRepeatCount(static_cast<std::uint16_t>(rng() % 30001));
    if (seed % 3 == 0) img.comment() = {"made by", "the test"};
    EXPECT_EQ(img.version(), frames > 1 ? TGIFImage::gv89a : TGIFImage::gv87a);

    const QByteArray file = img.saveToData();
    TGIFImage back;
    back.loadFromData(file);
    ASSERT_EQ(back.frameCount(), frames) << seed;
    EXPECT_EQ(back.screenWidth(), img.screenWidth());
    EXPECT_EQ(back.screenHeight(), img.screenHeight());
    EXPECT_EQ(back.looping(), img.looping()) << seed;
    if (img.looping()) {
      EXPECT_EQ(back.repeatCount(), img.repeatCount()) << seed;
    }
    EXPECT_EQ(back.comment(), img.comment());
    for (int i = 0; i < frames; ++i) {
      const TGIFFrame& a = img.frame(i);
      TGIFFrame& b = back.frame(i);
      const QImage& pic = pictures[static_cast<size_t>(i)];
      EXPECT_EQ(b.bitmap().size(), pic.size()) << seed << "/" << i;
      EXPECT_EQ(b.origin(), a.origin());
      EXPECT_EQ(b.delay(), a.delay());
      EXPECT_EQ(b.disposal(), a.disposal());
      EXPECT_EQ(b.transparentColor(), a.transparentColor()) << seed << "/" << i;
      EXPECT_FALSE(b.corrupted());
      bool same = true;
      for (int y = 0; y < pic.height() && same; ++y)
        for (int x = 0; x < pic.width() && same; ++x)
          same = (b.bitmap().pixel(x, y) | 0xFF000000u) == (pic.pixel(x, y) | 0xFF000000u);
      EXPECT_TRUE(same) << seed << "/" << i;
    }
    // Written again, every frame goes back byte for byte: the same file.
    EXPECT_EQ(back.saveToData(), file) << seed;
    EXPECT_EQ(img.saveToData(), file) << seed;
  }
}

TEST(GifWrite, LoadedFramesAreWrittenBackByteForByte) {
  // Odd but valid encoded data (one-byte sub-blocks, literal codes) survives a save unchanged.
  std::vector<std::uint8_t> px = randomIndices(40 * 30, 16, 3);
  QByteArray data = packCodes(4, literalCodes(4, px), 1);
  QByteArray inter = packCodes(4, literalCodes(4, interlacePixels(px, 40, 30)), 7);
  QByteArray file = GifBuilder()
                        .header(40, 30, palette(16))
                        .loop(0)
                        .comment({"frame comment"})
                        .gce(12, 2, 5)
                        .image(0, 0, 40, 30, data)
                        .gce(3, 1, -1, 1)
                        .image(0, 0, 40, 30, inter, palette(16, 9), true)
                        .comment({"the end"})
                        .trailer()
                        .bytes;
  TGIFImage img;
  img.loadFromData(file);
  QByteArray saved = img.saveToData();
  EXPECT_TRUE(saved.contains(data));
  EXPECT_TRUE(saved.contains(inter));
  TGIFImage back;
  back.loadFromData(saved);
  ASSERT_EQ(back.frameCount(), 2);
  EXPECT_EQ(back.frame(0).item()->data, data);
  EXPECT_EQ(back.frame(1).item()->data, inter);
  EXPECT_TRUE(back.frame(1).interlaced());
  EXPECT_TRUE(back.frame(1).localTable());
  EXPECT_EQ(back.frame(0).transparentColor(), palette(16)[5]);
  EXPECT_EQ(back.frame(0).delay(), 120);
  EXPECT_EQ(back.frame(1).delay(), 30);
  EXPECT_EQ(back.frame(1).disposal(), 1);
  EXPECT_EQ(back.frame(0).comment(), QList<QByteArray>{"frame comment"});
  EXPECT_EQ(back.comment(), QList<QByteArray>{"the end"});
  EXPECT_TRUE(back.looping());
  EXPECT_EQ(back.repeatCount(), 0);
  EXPECT_EQ(indicesOf(back.frame(1).bitmap()), px);
  EXPECT_EQ(back.saveToData(), saved);
}

TEST(GifWrite, TruncatedFrameIsWrittenAsAWellFormedFile) {
  std::vector<std::uint8_t> px = randomIndices(50 * 20, 4, 9);
  QByteArray file = GifBuilder().header(50, 20, palette(4)).image(0, 0, 50, 20, literalData(2, px)).bytes;
  file.chop(40);
  TGIFImage img;
  img.loadFromData(file);
  ASSERT_TRUE(img.frame(0).corrupted());
  TGIFImage back;
  back.loadFromData(img.saveToData());
  EXPECT_EQ(indicesOf(back.frame(0).bitmap()), indicesOf(img.frame(0).bitmap()));
}

TEST(GifWrite, FormDataIsLengthAndFile) {
  QImage pic(3, 2, QImage::Format_RGB32);
  pic.fill(qRgb(10, 20, 30));
  QByteArray gif = ld::encodeGif(pic);
  QByteArray form = ld::toFormData(gif);
  ASSERT_EQ(form.size(), gif.size() + 4);
  const auto* p = reinterpret_cast<const std::uint8_t*>(form.constData());
  EXPECT_EQ(p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24), gif.size());
  EXPECT_EQ(form.mid(4), gif);

  TGIFImage img;
  img.readFormData(form);
  EXPECT_EQ(img.formData(), form);
  QBuffer buf;
  buf.open(QIODevice::WriteOnly);
  img.writeFormData(buf);
  EXPECT_EQ(buf.data(), form);
  QBuffer plain;
  plain.open(QIODevice::WriteOnly);
  img.saveToStream(plain);
  EXPECT_EQ(plain.data(), gif);
}

// ---- encodeGif ----

TEST(GifEncode, FewColoursAreKeptExactly) {
  std::mt19937 rng(5);
  for (int colors : {1, 2, 3, 16, 255, 256}) {
    QImage pic = randomIndexed(rng, 37, 23, colors).convertToFormat(QImage::Format_ARGB32);
    QByteArray gif = ld::encodeGif(pic);
    EXPECT_TRUE(gif.startsWith("GIF89a"));
    TGIFImage img;
    img.loadFromData(gif);
    ASSERT_EQ(img.frameCount(), 1);
    EXPECT_EQ(img.screenWidth(), 37);
    EXPECT_EQ(img.screenHeight(), 23);
    EXPECT_EQ(img.frame(0).transparentColor(), ld::kColorNone);
    EXPECT_EQ(img.frame(0).bitmap().convertToFormat(QImage::Format_RGB32),
              pic.convertToFormat(QImage::Format_RGB32))
        << colors;
  }
}

TEST(GifEncode, IndexedAndMonochromeInput) {
  std::mt19937 rng(8);
  QImage indexed = randomIndexed(rng, 20, 10, 7);
  TGIFImage img;
  img.loadFromData(ld::encodeGif(indexed));
  EXPECT_EQ(img.frame(0).bitmap().convertToFormat(QImage::Format_RGB32),
            indexed.convertToFormat(QImage::Format_RGB32));
  QImage mono(33, 7, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 33; ++x) mono.setPixel(x, y, (x * y + x) % 3 == 0);
  img.loadFromData(ld::encodeGif(mono));
  EXPECT_EQ(img.frame(0).bitmap().format(), QImage::Format_Mono);
  EXPECT_EQ(img.frame(0).bitmap().convertToFormat(QImage::Format_RGB32),
            mono.convertToFormat(QImage::Format_RGB32));
}

TEST(GifEncode, ManyColoursAreReducedKeepingBlackAndWhiteExactly) {
  for (bool dither : {false, true}) {
    QImage pic = manyColours(300, 200, qRgb(0, 0, 0), false);
    ld::GifWriteOptions opt;
    opt.dither = dither;
    TGIFImage img;
    img.loadFromData(ld::encodeGif(pic, opt));
    const QImage& bm = img.frame(0).bitmap();
    EXPECT_LE(bm.colorCount(), 256);
    for (int x = 0; x < 300; ++x) {
      ASSERT_EQ(bm.pixel(x, 0), qRgb(0, 0, 0)) << dither << " " << x;
      ASSERT_EQ(bm.pixel(x, 1), qRgb(255, 255, 255)) << dither << " " << x;
    }
    EXPECT_LT(meanError(bm, pic), dither ? 16.0 : 10.0) << dither;
  }
}

TEST(GifEncode, TransparentKeyHasItsOwnEntryAndNoOtherEntryEqualsIt) {
  for (QRgb key : {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 255), qRgb(18, 52, 86)})
    for (bool many : {false, true})
      for (bool dither : {false, true}) {
        QImage pic;
        if (many) {
          pic = manyColours(200, 120, key, true);
        } else {
          pic = QImage(10, 10, QImage::Format_RGB32);
          pic.fill(qRgb(9, 9, 9));
          pic.setPixel(3, 3, key);
          pic.setPixel(4, 3, qRgb(qRed(key), qGreen(key), qBlue(key) ^ 1));
        }
        ld::GifWriteOptions opt;
        opt.transparentKey = key;
        opt.dither = dither;
        QByteArray gif = ld::encodeGif(pic, opt);
        TGIFImage img;
        img.loadFromData(gif);
        const TGIFFrame& f = img.frame(0);
        EXPECT_EQ(f.transparentColor(), key);
        // The graphic control's transparent index is the one entry of exactly the key colour.
        ASSERT_EQ(f.extensions().size(), 1u);
        const auto* g = reinterpret_cast<const std::uint8_t*>(f.extensions()[0].fixedPart.constData());
        ASSERT_TRUE(g[1] & 1);
        const int tIndex = g[4];
        const TGIFColorTable& table = img.header()->colorTable;
        EXPECT_EQ(table.color(tIndex), key);
        for (int i = 0; i < table.count; ++i)
          if (i != tIndex) {
            EXPECT_NE(table.color(i), key) << "entry " << i << " key " << std::hex << key;
          }
        // Exactly the key pixels are transparent.
        QImage bm = img.frame(0).bitmap();
        for (int y = 0; y < pic.height(); ++y)
          for (int x = 0; x < pic.width(); ++x) {
            const bool isKey = (pic.pixel(x, y) & 0xFFFFFFu) == (key & 0xFFFFFFu);
            ASSERT_EQ(bm.pixelIndex(x, y) == tIndex, isKey) << x << "," << y;
          }
      }
}

TEST(GifEncode, QuantiserGuarantees) {
  QImage pic = manyColours(128, 128, qRgb(0, 0, 0), true);
  ld::QuantizeOptions o;
  o.key = qRgb(0, 0, 0);
  ld::IndexedPicture q = ld::quantizeForGif(pic, o);
  EXPECT_LE(q.palette.size(), 256);
  EXPECT_EQ(q.transparentIndex, 0);
  EXPECT_EQ(q.palette[0], qRgb(0, 0, 0));
  EXPECT_EQ(q.bitsPerPixel(), 8);
  // Grayscale reduction gives grey entries only.
  ld::QuantizeOptions grey;
  grey.grayscale = true;
  q = ld::quantizeForGif(manyColours(64, 64, qRgb(1, 2, 3), false), grey);
  for (QRgb c : q.palette) EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
}

TEST(GifEncode, EmptyImageGivesAScreenWithoutFrames) {
  TGIFImage img;
  img.loadFromData(ld::encodeGif(QImage()));
  EXPECT_EQ(img.frameCount(), 0);
}

TEST(GifEncode, ImageMagickReadsWhatWeWrite) {
  const QString convert = convertTool();
  if (convert.isEmpty()) GTEST_SKIP() << "ImageMagick convert is not installed";
  QTemporaryDir dir;
  std::mt19937 rng(12);
  const QImage pictures[] = {manyColours(211, 97, qRgb(0, 0, 0), false), randomIndexed(rng, 64, 64, 2),
                             randomIndexed(rng, 1000, 3, 256), randomIndexed(rng, 5, 300, 17)};
  int n = 0;
  for (const QImage& pic : pictures) {
    const QString path = dir.filePath(QStringLiteral("w%1.gif").arg(n++));
    writeFile(path, ld::encodeGif(pic));
    QByteArray theirs;
    ASSERT_TRUE(runTool(convert, {path, QStringLiteral("rgba:-")}, &theirs));
    TGIFImage img;
    img.loadFromFile(path);
    QImage ours = img.frame(0).bitmap().convertToFormat(QImage::Format_RGBA8888);
    QByteArray oursBytes;
    for (int y = 0; y < ours.height(); ++y)
      oursBytes.append(reinterpret_cast<const char*>(ours.constScanLine(y)), ours.width() * 4);
    EXPECT_EQ(theirs, oursBytes) << n;
  }
  // A three-frame animation: ImageMagick sees the frames, delays and loop count.
  TGIFImage anim;
  for (int i = 0; i < 3; ++i) {
    anim.addFrame(randomIndexed(rng, 30, 20, 40));
    anim.frame(i).setDelay(static_cast<std::uint16_t>(100 * (i + 1)));
  }
  anim.setLooping(true);
  anim.setRepeatCount(0);
  const QString path = dir.filePath(QStringLiteral("anim.gif"));
  anim.saveToFile(path);
  const QString identify = QStandardPaths::findExecutable(QStringLiteral("identify"));
  if (identify.isEmpty()) return;
  QByteArray info;
  ASSERT_TRUE(runTool(identify, {QStringLiteral("-format"), QStringLiteral("%T;%wx%h\n"), path}, &info));
  EXPECT_EQ(info, QByteArray("10;30x20\n20;30x20\n30;30x20\n"));
}
