// GIF image, decoding: bitmap formats and palettes, interlacing, indices beyond
// the table, truncated and damaged data, the LZW decisions, and a cross-check against ImageMagick.
#include <gtest/gtest.h>

#include "widgets/gif_image.h"
#include "widgets/gif_lzw.h"
#include "widgets/gif_test_util.h"

using namespace giftest;

namespace {

QByteArray oneFrame(int w, int h, const QList<QRgb>& table, const QByteArray& data, bool interlaced = false) {
  return GifBuilder().header(w, h, table).image(0, 0, w, h, data, {}, interlaced).trailer().bytes;
}

std::vector<std::uint8_t> decodeFrame0(const QByteArray& file, bool* corrupted = nullptr) {
  TGIFImage img;
  img.loadFromData(file);
  if (img.frameCount() == 0) return {};
  if (corrupted) *corrupted = img.frame(0).corrupted();
  return indicesOf(img.frame(0).bitmap());
}

std::vector<std::uint8_t> withZeros(std::vector<std::uint8_t> v, size_t n) {
  v.resize(n, 0);
  return v;
}

const QRgb kGrey = qRgb(128, 128, 128);

}  // namespace

// ---- formats and palettes ----

TEST(GifDecode, OneBitFramesStayMonochrome) {
  const QList<QRgb> table = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
  std::vector<std::uint8_t> px = randomIndices(13 * 5, 2, 7);
  TGIFImage img;
  img.loadFromData(oneFrame(13, 5, table, literalData(2, px)));
  const QImage& bm = img.frame(0).bitmap();
  EXPECT_EQ(bm.format(), QImage::Format_Mono);
  EXPECT_EQ(bm.colorTable(), table);
  EXPECT_EQ(indicesOf(bm), px);
  EXPECT_EQ(img.palette(), table);
}

TEST(GifDecode, TwoToFourBitsGiveSixteenColoursFiveToEightGiveTwoHundredFiftySix) {
  for (int bpp = 2; bpp <= 8; ++bpp) {
    const int count = 1 << bpp;
    const QList<QRgb> table = palette(count, static_cast<unsigned>(bpp));
    std::vector<std::uint8_t> px = randomIndices(17 * 9, count, static_cast<unsigned>(bpp));
    TGIFImage img;
    img.loadFromData(oneFrame(17, 9, table, literalData(std::max(2, bpp), px)));
    const QImage& bm = img.frame(0).bitmap();
    ASSERT_EQ(bm.format(), QImage::Format_Indexed8) << bpp;
    const int shown = bpp <= 4 ? 16 : 256;
    ASSERT_EQ(bm.colorCount(), shown) << bpp;
    for (int i = 0; i < shown; ++i) EXPECT_EQ(bm.color(i), i < count ? table[i] : kGrey) << bpp << " " << i;
    EXPECT_EQ(indicesOf(bm), px) << bpp;
  }
}

TEST(GifDecode, IndicesBeyondTheTableShowGrey) {
  // A frame whose table holds fewer entries than its bits allow (here: set by hand before the first decode
  // of frame 1) shows the indices at or above the count in grey.
  const QList<QRgb> table = palette(8, 3);
  std::vector<std::uint8_t> px = {0, 1, 2, 3, 4, 5, 6, 7};
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(8, 1, table)
                       .image(0, 0, 8, 1, literalData(3, px))
                       .image(0, 0, 8, 1, literalData(3, px))
                       .trailer()
                       .bytes);
  ASSERT_FALSE(img.frame(1).hasBitmap());
  img.frame(1).item()->colorTable.count = 3;
  const QImage& bm = img.frame(1).bitmap();
  for (int x = 0; x < 8; ++x) EXPECT_EQ(bm.pixel(x, 0), x < 3 ? table[x] : kGrey) << x;
  // A table of count 0 takes all entries from the cleared table: black.
  img.frame(0).item()->colorTable.count = 0;
  img.frame(0).item()->colorTable.entries = {};
  TGIFImage copy;
  copy.loadFromData(img.saveToData());  // still decodes frame 0 with the file's table
  EXPECT_EQ(copy.frame(0).bitmap().pixel(7, 0), table[7]);
}

TEST(GifDecode, EmptyTableFrameTakesBlack) {
  TGIFImage img;
  std::vector<std::uint8_t> px = {0, 1, 2, 3};
  img.loadFromData(GifBuilder()
                       .header(4, 1, palette(4))
                       .image(0, 0, 4, 1, literalData(2, px))
                       .image(0, 0, 4, 1, literalData(2, px))
                       .trailer()
                       .bytes);
  img.frame(1).item()->colorTable = TGIFColorTable();
  const QImage& bm = img.frame(1).bitmap();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bm.color(i), qRgb(0, 0, 0)) << i;
}

// ---- interlacing ----

TEST(GifDecode, InterlacedFramesMatchTheSamePictureWrittenInOrder) {
  for (int h = 1; h <= 20; ++h)
    for (int w : {1, 3, 8, 13}) {
      const int bpp = 1 + (h + w) % 8;
      const QList<QRgb> table = palette(1 << bpp, 5);
      std::vector<std::uint8_t> px =
          randomIndices(static_cast<size_t>(w * h), 1 << bpp, static_cast<unsigned>(h * 31 + w));
      const int cs = std::max(2, bpp);
      std::vector<std::uint8_t> plain = decodeFrame0(oneFrame(w, h, table, literalData(cs, px)));
      std::vector<std::uint8_t> inter =
          decodeFrame0(oneFrame(w, h, table, literalData(cs, interlacePixels(px, w, h)), true));
      EXPECT_EQ(plain, px) << w << "x" << h;
      EXPECT_EQ(inter, px) << w << "x" << h;
    }
}

TEST(GifDecode, InterlacedCompressedPicture) {
  const int w = 301, h = 203;
  std::vector<std::uint8_t> px = randomIndices(static_cast<size_t>(w * h), 256, 11, 9);
  const QList<QRgb> table = palette(256);
  QByteArray plain = packCodes(8, referenceEncode(px, 8, false));
  QByteArray inter = packCodes(8, referenceEncode(interlacePixels(px, w, h), 8, false));
  EXPECT_EQ(decodeFrame0(oneFrame(w, h, table, plain)), px);
  EXPECT_EQ(decodeFrame0(oneFrame(w, h, table, inter, true)), px);
}

// ---- truncated and damaged data ----

TEST(GifDecode, TruncatedFrameEndsWithIndexZeroAndIsCorrupted) {
  const int w = 40, h = 30;
  std::vector<std::uint8_t> px = randomIndices(static_cast<size_t>(w * h), 15, 3);
  for (auto& p : px) ++p;  // no zeros in the picture
  Codes codes = literalCodes(4, px, false);
  const size_t keep = codes.size() / 2;
  codes.resize(keep);
  bool corrupted = false;
  std::vector<std::uint8_t> got = decodeFrame0(oneFrame(w, h, palette(16), packCodes(4, codes)), &corrupted);
  EXPECT_TRUE(corrupted);
  ASSERT_EQ(got.size(), px.size());
  size_t decoded = 0;
  while (decoded < got.size() && got[decoded] != 0) ++decoded;
  EXPECT_GT(decoded, px.size() / 3);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<long>(decoded), px.begin()));
  EXPECT_TRUE(
      std::all_of(got.begin() + static_cast<long>(decoded), got.end(), [](auto v) { return v == 0; }));
}

TEST(GifDecode, FileTruncatedInsideTheFrameLoads) {
  const int w = 50, h = 20;
  std::vector<std::uint8_t> px = randomIndices(static_cast<size_t>(w * h), 4, 9);
  QByteArray file = oneFrame(w, h, palette(4), literalData(2, px));
  for (int cut : {1, 2, 50, 200, 300}) {
    QByteArray part = file.left(file.size() - cut);
    TGIFImage img;
    ASSERT_EQ(errorOf([&] { img.loadFromData(part); }), QString()) << cut;
    ASSERT_EQ(img.frameCount(), 1);
    EXPECT_EQ(img.frame(0).corrupted(), cut > 2) << cut;  // 1: trailer, 2: terminator (end code is in)
    std::vector<std::uint8_t> got = indicesOf(img.frame(0).bitmap());
    ASSERT_EQ(got.size(), px.size());
    // What was decoded agrees with the picture; the rest is index 0.
    size_t agree = 0;
    while (agree < px.size() && got[agree] == px[agree]) ++agree;
    EXPECT_TRUE(std::all_of(got.begin() + static_cast<long>(agree), got.end(), [](auto v) { return v == 0; }))
        << cut;
  }
}

TEST(GifDecode, ClampedCodeSizeDecodesUpToTheNextCodeThatIsNotAClearCode) {
  const QList<QRgb> table = palette(4);
  // Code size 0 is clamped to 2: the clear code is 4 and codes are 3 bits wide.
  bool corrupted = false;
  std::vector<std::uint8_t> got =
      decodeFrame0(oneFrame(4, 1, table, packCodes(0, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}})), &corrupted);
  EXPECT_TRUE(corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  // Every clear code lets one more code through.
  got =
      decodeFrame0(oneFrame(4, 1, table, packCodes(1, {{4, 3}, {1, 3}, {4, 3}, {2, 3}, {3, 3}})), &corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 2, 0, 0}));
  // A first code that is not a clear code stops at once.
  got = decodeFrame0(oneFrame(4, 1, table, packCodes(1, {{1, 3}, {2, 3}})), &corrupted);
  EXPECT_TRUE(corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  // Code size 12 is clamped to 9: clear 512, codes 10 bits wide.
  got =
      decodeFrame0(oneFrame(4, 1, palette(256), packCodes(12, {{512, 10}, {200, 10}, {7, 10}})), &corrupted);
  EXPECT_TRUE(corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{200, 0, 0, 0}));
}

namespace {
// Codes whose string chain loops (6 -> 7 -> 6 ...) through an entry left over from before a clear.
Codes cyclicChain() {
  return {{4, 3},   // clear
          {1, 3},   // 1
          {6, 3},   // KwKwK: 1 1, entry 6 = (1, 1)
          {2, 3},   // 2, entry 7 = (6, 2); the table reaches 8: codes grow to 4 bits
          {4, 4},   // clear
          {7, 3},   // first code: 7 & 3 = 3
          {0, 3},   // 0, entry 6 = (7, 0)
          {6, 3}};  // 6 -> 7 (stale: prefix 6) -> 6 ...: longer than the stack
}
}  // namespace

TEST(GifDecode, OverLongChainIsDamage) {
  const QList<QRgb> table = palette(4);
  bool corrupted = false;
  Codes codes = cyclicChain();
  codes.push_back({1, 3});
  std::vector<std::uint8_t> got = decodeFrame0(oneFrame(10, 1, table, packCodes(2, codes)), &corrupted);
  EXPECT_TRUE(corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 1, 1, 2, 3, 0, 0, 0, 0, 0}));
  // A clear code after the damage lets exactly one more code through.
  codes = cyclicChain();
  codes.insert(codes.end(), {{4, 3}, {2, 3}, {1, 3}, {1, 3}});
  got = decodeFrame0(oneFrame(10, 1, table, packCodes(2, codes)), &corrupted);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 1, 1, 2, 3, 0, 2, 0, 0, 0}));

  LoadCorrupted off(false);
  TGIFImage img;
  EXPECT_EQ(errorOf([&] { img.loadFromData(oneFrame(10, 1, table, packCodes(2, cyclicChain()))); }),
            "GIF encoded data is corrupt");
}

// ---- LZW decisions ----

TEST(GifDecode, StopsAtTheLastRowWhateverCodesRemain) {
  std::vector<std::uint8_t> px = {1, 2, 3, 1, 2, 3};
  Codes codes = literalCodes(2, px, false);
  codes.insert(codes.end(), {{3, 3}, {3, 3}, {7, 3}, {7, 3}});  // garbage, no end code
  bool corrupted = true;
  EXPECT_EQ(decodeFrame0(oneFrame(3, 2, palette(4), packCodes(2, codes)), &corrupted), px);
  EXPECT_FALSE(corrupted);
}

TEST(GifDecode, EarlyEndCodeLeavesTheRestAtZero) {
  std::vector<std::uint8_t> px = {1, 2, 3};
  bool corrupted = true;
  EXPECT_EQ(decodeFrame0(oneFrame(3, 2, palette(4), literalData(2, px)), &corrupted), withZeros(px, 6));
  EXPECT_FALSE(corrupted);
}

TEST(GifDecode, FirstCodeWithoutAClearCodeIsALiteral) {
  bool corrupted = true;
  EXPECT_EQ(
      decodeFrame0(oneFrame(4, 1, palette(4), packCodes(2, {{1, 3}, {2, 3}, {6, 3}, {5, 3}})), &corrupted),
      (std::vector<std::uint8_t>{1, 2, 1, 2}));
  EXPECT_FALSE(corrupted);
}

TEST(GifDecode, LiteralCodesAreThoseBelowTheClearCode) {
  // Two colours (mask 1) with code size 2: codes 2 and 3 are literals, masked to the table (giflib gives 2
  // and 3 themselves); each is one pixel, so the rest of the frame stays in place. The second entry widens
  // the codes to 4 bits.
  EXPECT_EQ(decodeFrame0(
                oneFrame(5, 1, palette(2), packCodes(2, {{4, 3}, {1, 3}, {3, 3}, {2, 3}, {1, 4}, {5, 4}}))),
            (std::vector<std::uint8_t>{1, 1, 0, 1, 0}));
  // 256 colours with code size 4: code 18 is the table's first entry (1, 2), not a literal.
  EXPECT_EQ(
      decodeFrame0(oneFrame(4, 1, palette(256), packCodes(4, {{16, 5}, {1, 5}, {2, 5}, {18, 5}, {17, 5}}))),
      (std::vector<std::uint8_t>{1, 2, 1, 2}));
  // Three colours in a table of 4 with code size 8, as some encoders always write: the same as code size 2.
  std::vector<std::uint8_t> px = randomIndices(40 * 30, 3, 17, 5);
  EXPECT_EQ(decodeFrame0(oneFrame(40, 30, palette(4), packCodes(8, referenceEncode(px, 8, false)))), px);
  // 256 colours in use of at most 4: code size 2 with a table of 256.
  px = randomIndices(40 * 30, 4, 18, 5);
  EXPECT_EQ(decodeFrame0(oneFrame(40, 30, palette(256), packCodes(2, referenceEncode(px, 2, false)))), px);
}

TEST(GifDecode, ClearCodeAfterAFullTableStartsANewTable) {
  // The table fills up (4096 entries, codes stay 12 bits), then a clear code at 12 bits: the new table must
  // take entries and widen its codes again, as ImageMagick's encoder relies on.
  const std::vector<std::uint8_t> first = randomIndices(9000, 256, 31);
  const std::vector<std::uint8_t> second = randomIndices(3000, 256, 32, 3);
  Codes codes = referenceEncode(first, 8, true);
  codes.pop_back();  // no end code yet
  ASSERT_EQ(codes.back().second, 12) << "the table is full";
  Codes rest = referenceEncode(second, 8, false);
  rest.front().second = 12;  // the clear code at the width in force
  codes.insert(codes.end(), rest.begin(), rest.end());
  std::vector<std::uint8_t> both = first;
  both.insert(both.end(), second.begin(), second.end());
  const QByteArray data = packCodes(8, codes);
  ASSERT_EQ(referenceDecode(data, both.size()), both);
  bool corrupted = true;
  EXPECT_EQ(decodeFrame0(oneFrame(120, 100, palette(256), data), &corrupted), both);
  EXPECT_FALSE(corrupted);
}

TEST(GifDecode, CodeSizeNineAndOneByteSubBlocks) {
  const int w = 64, h = 40;
  std::vector<std::uint8_t> px = randomIndices(static_cast<size_t>(w * h), 256, 21, 5);
  EXPECT_EQ(decodeFrame0(oneFrame(w, h, palette(256), packCodes(9, referenceEncode(px, 9, false)))), px);
  EXPECT_EQ(decodeFrame0(oneFrame(w, h, palette(256), packCodes(8, referenceEncode(px, 8, false), 1))), px);
}

TEST(GifDecode, MatchesTheReferenceCodecIncludingAFullTableWithoutClear) {
  struct Case {
    int w, h, bpp, runs;
    bool deferred;
  };
  for (const Case& c : {Case{200, 150, 8, 1, false}, Case{200, 150, 8, 1, true}, Case{320, 200, 8, 6, true},
                        Case{333, 77, 4, 3, true}, Case{257, 255, 1, 1, true}, Case{500, 300, 2, 40, false},
                        Case{100, 100, 8, 1000, true}, Case{640, 10, 3, 2, true}}) {
    const size_t n = static_cast<size_t>(c.w * c.h);
    std::vector<std::uint8_t> px = randomIndices(n, 1 << c.bpp, static_cast<unsigned>(c.w + c.bpp), c.runs);
    const int cs = std::max(2, c.bpp);
    QByteArray data = packCodes(cs, referenceEncode(px, cs, c.deferred));
    ASSERT_EQ(referenceDecode(data, n), px);
    EXPECT_EQ(decodeFrame0(oneFrame(c.w, c.h, palette(1 << c.bpp), data)), px)
        << c.w << "x" << c.h << " bpp " << c.bpp << " deferred " << c.deferred;
  }
}

TEST(GifDecode, LzwDecoderDirectly) {
  std::vector<std::uint8_t> px = randomIndices(5000, 16, 5, 4);
  QByteArray data = ld::lzwEncode(px.data(), px.size(), 4);
  EXPECT_EQ(referenceDecode(data, px.size()), px);  // our encoder against the reference decoder
  std::vector<std::uint8_t> out(px.size() + ld::kLzwOutputSlack, 0xEE);
  auto r = ld::lzwDecode(reinterpret_cast<const std::uint8_t*>(data.constData()),
                         static_cast<size_t>(data.size()), 4, out.data(), px.size(), true);
  EXPECT_FALSE(r.corrupted);
  EXPECT_EQ(r.decoded, px.size());
  EXPECT_TRUE(std::equal(px.begin(), px.end(), out.begin()));
  // Empty data: nothing decoded, all zeros, corrupted.
  r = ld::lzwDecode(nullptr, 0, 4, out.data(), 10, true);
  EXPECT_TRUE(r.corrupted);
  EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 10, [](auto v) { return v == 0; }));
}

TEST(GifDecode, ProgressRunsFromZeroToHundred) {
  const int w = 120, h = 80;
  std::vector<std::uint8_t> px = randomIndices(static_cast<size_t>(w * h), 256, 4);
  TGIFImage img;
  std::vector<std::pair<ld::ProgressStage, int>> seen;
  img.OnProgress = [&](ld::ProgressStage s, int pct, const QString&) { seen.push_back({s, pct}); };
  img.loadFromData(oneFrame(w, h, palette(256), packCodes(8, referenceEncode(px, 8, false), 100)));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), std::make_pair(ld::ProgressStage::Starting, 0));
  EXPECT_EQ(seen.back(), std::make_pair(ld::ProgressStage::Ending, 100));
  int last = 0;
  for (size_t i = 1; i + 1 < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, ld::ProgressStage::Running);
    EXPECT_GE(seen[i].second, last);
    last = seen[i].second;
  }
  EXPECT_GE(last, 90);
}

TEST(GifDecode, FramesDecodeLazilyAndOnce) {
  std::vector<std::uint8_t> px = randomIndices(64, 4, 8);
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(8, 8, palette(4))
                       .image(0, 0, 8, 8, literalData(2, px))
                       .image(0, 0, 8, 8, literalData(2, px))
                       .trailer()
                       .bytes);
  EXPECT_TRUE(img.frame(0).hasBitmap());
  EXPECT_FALSE(img.frame(1).hasBitmap());
  EXPECT_EQ(img.frame(1).width(), 8);  // known without decoding
  EXPECT_FALSE(img.frame(1).hasBitmap());
  const uchar* bits = img.frame(1).bitmap().constBits();
  EXPECT_TRUE(img.frame(1).hasBitmap());
  EXPECT_EQ(img.frame(1).bitmap().constBits(), bits);
}

// ---- against an independent decoder ----

namespace {

QByteArray rgbaOf(const QImage& img) {
  QImage rgba = img.convertToFormat(QImage::Format_RGBA8888);
  QByteArray out;
  for (int y = 0; y < rgba.height(); ++y)
    out.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
  return out;
}

}  // namespace

TEST(GifCrossCheck, ImageMagickPicturesDecodeToTheSamePixels) {
  const QString convert = convertTool();
  if (convert.isEmpty()) GTEST_SKIP() << "ImageMagick convert is not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    const char* source;
    int colors;
    bool interlace;
    const char* size;
  };
  const Case cases[] = {{"plasma:fractal", 256, false, "211x137"}, {"plasma:fractal", 256, true, "211x137"},
                        {"plasma:fractal", 16, true, "64x64"},     {"plasma:fractal", 2, false, "99x31"},
                        {"gradient:red-blue", 64, true, "50x300"}, {"plasma:fractal", 5, true, "17x9"},
                        {"gradient:white-black", 8, false, "1x1"}};
  int n = 0;
  for (const Case& c : cases) {
    const QString path = dir.filePath(QStringLiteral("p%1.gif").arg(n++));
    QStringList args = {QStringLiteral("-seed"),     QStringLiteral("7"),           QStringLiteral("-size"),
                        QString::fromLatin1(c.size), QString::fromLatin1(c.source), QStringLiteral("-colors"),
                        QString::number(c.colors)};
    if (c.interlace) args << QStringLiteral("-interlace") << QStringLiteral("GIF");
    args << path;
    ASSERT_TRUE(runTool(convert, args)) << args.join(' ').toStdString();
    QByteArray expected;
    ASSERT_TRUE(runTool(convert, {path, QStringLiteral("rgba:-")}, &expected));

    TGIFImage img;
    img.loadFromFile(path);
    ASSERT_EQ(img.frameCount(), 1);
    EXPECT_FALSE(img.frame(0).corrupted());
    EXPECT_EQ(img.frame(0).interlaced(), c.interlace && img.height() > 1) << c.source << " " << c.colors;
    EXPECT_EQ(rgbaOf(img.frame(0).bitmap()), expected)
        << c.source << " " << c.colors << " interlace " << c.interlace;
  }
}
