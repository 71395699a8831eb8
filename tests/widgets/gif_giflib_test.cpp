// GIF decoding against giflib, frame by frame: pictures written by other encoders must give giflib's index
// raster in every frame. Kept pictures (tests/data/gif/encoders/) run everywhere; ImageMagick, Pillow and
// gifsicle, when installed, add a broad set of variants made on the spot.
//
// Other encoders differ from ours where the format leaves room: Pillow writes code size 8 whatever its
// table, gifsicle the smallest code size the frame's indices need under a table of 256, ImageMagick fills
// the table and then clears it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "giflib_reference/giflib_memory.h"
#include "widgets/gif_image.h"
#include "widgets/gif_test_util.h"

using namespace giftest;

namespace {

struct Raster {
  int width = 0;
  int height = 0;
  int bits = 0;  // of the frame's colour table
  std::vector<std::uint8_t> indices;
};

// giflib's frames (it places interlaced rows itself); empty with the reason in *error when it fails.
std::vector<Raster> giflibRasters(const QByteArray& file, std::string* error) {
  ld::test::GiflibMemoryFile giflib(file);
  GifFileType* gif = giflib.get();
  if (!gif) {
    *error = std::string("giflib cannot open: ") + GifErrorString(giflib.openError());
    return {};
  }
  if (!giflib.slurp()) {
    *error = std::string("giflib cannot read: ") + GifErrorString(gif->Error);
    return {};
  }
  std::vector<Raster> out;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap;
    Raster r{s.ImageDesc.Width, s.ImageDesc.Height, map ? map->BitsPerPixel : 8, {}};
    r.indices.assign(s.RasterBits,
                     s.RasterBits + static_cast<size_t>(r.width) * static_cast<size_t>(r.height));
    out.push_back(std::move(r));
  }
  return out;
}

// Empty when our decoder gives giflib's raster in every frame, giflib's indices masked to the frame's table
// as ours are (they differ only for indices past the table); otherwise where they first differ.
std::string differenceFromGiflib(const QByteArray& file) {
  std::string error;
  const std::vector<Raster> theirs = giflibRasters(file, &error);
  if (!error.empty()) return error;
  TGIFImage img;
  try {
    img.loadFromData(file);
  } catch (const EInvalidGraphicOperation& e) {
    return "ours cannot load: " + e.message().toStdString();
  }
  if (img.frameCount() != static_cast<int>(theirs.size()))
    return "frame count " + std::to_string(img.frameCount()) + " instead of " + std::to_string(theirs.size());
  for (int f = 0; f < img.frameCount(); ++f) {
    const Raster& t = theirs[static_cast<size_t>(f)];
    const QImage& bm = img.frame(f).bitmap();
    const std::string where = "frame " + std::to_string(f) + ": ";
    if (img.frame(f).corrupted()) return where + "corrupted";
    if (bm.width() != t.width || bm.height() != t.height) return where + "size differs";
    const std::vector<std::uint8_t> ours = indicesOf(bm);
    const int mask = (1 << t.bits) - 1;
    for (size_t i = 0; i < ours.size(); ++i)
      if (ours[i] != (t.indices[i] & mask))
        return where + "pixel (" + std::to_string(i % static_cast<size_t>(t.width)) + ", " +
               std::to_string(i / static_cast<size_t>(t.width)) + ") is " + std::to_string(ours[i]) +
               ", giflib " + std::to_string(t.indices[i]);
  }
  return {};
}

// Every .gif in dir; fails the test for a picture the decoders disagree on. Returns how many were checked.
int checkFolder(const QString& dir) {
  const QStringList names = QDir(dir).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
  for (const QString& name : names)
    EXPECT_EQ(differenceFromGiflib(readFile(QDir(dir).filePath(name))), "") << name.toStdString();
  return static_cast<int>(names.size());
}

// A Python 3 that has Pillow, or empty.
QString pythonWithPillow() {
  for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
    const QString path =
        QFileInfo(candidate).isAbsolute() ? candidate : QStandardPaths::findExecutable(candidate);
    if (!path.isEmpty() && runTool(path, {QStringLiteral("-c"), QStringLiteral("import PIL")})) return path;
  }
  return {};
}

QString gifsicleTool() { return QStandardPaths::findExecutable(QStringLiteral("gifsicle")); }

}  // namespace

TEST(GifGiflib, KeptPicturesFromOtherEncoders) {
  EXPECT_GE(checkFolder(QStringLiteral(LUCKYDRAW_TEST_DATA "/gif/encoders")), 4);
}

TEST(GifGiflib, CodeSizesOtherThanTheTableSize) {
  // Indices past the table (code size 4, table of 2) and a table larger than the code size needs.
  struct Case {
    int tableSize, codeSize, colours;
    bool interlaced;
  };
  for (const Case& c : {Case{2, 4, 16, false}, Case{4, 8, 4, true}, Case{256, 2, 4, false},
                        Case{16, 8, 16, true}, Case{2, 2, 4, true}, Case{128, 3, 8, false}}) {
    const std::vector<std::uint8_t> px =
        randomIndices(37 * 23, c.colours, static_cast<unsigned>(c.codeSize), 4);
    const std::vector<std::uint8_t> order = c.interlaced ? interlacePixels(px, 37, 23) : px;
    const QByteArray file =
        GifBuilder()
            .header(37, 23, palette(c.tableSize))
            .image(0, 0, 37, 23, packCodes(c.codeSize, referenceEncode(order, c.codeSize, false)), {},
                   c.interlaced)
            .trailer()
            .bytes;
    EXPECT_EQ(differenceFromGiflib(file), "") << "table " << c.tableSize << " code size " << c.codeSize;
  }
}

TEST(GifGiflib, ImageMagickVariants) {
  const QString convert = convertTool();
  if (convert.isEmpty())
    GTEST_SKIP() << "ImageMagick's convert is not installed (Debian package imagemagick)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QStringList plasma = {QStringLiteral("-seed"), QStringLiteral("5"), QStringLiteral("-size"),
                              QStringLiteral("97x61"), QStringLiteral("plasma:fractal")};
  auto args = [](const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); };
  std::vector<QStringList> variants;
  for (const char* colours : {"2", "3", "5", "16", "17", "64", "200", "256"}) {
    variants.push_back(plasma + QStringList{QStringLiteral("-colors"), QString::fromLatin1(colours)});
    variants.push_back(plasma + QStringList{QStringLiteral("-colors"), QString::fromLatin1(colours)} +
                       args("-interlace GIF"));
  }
  variants.push_back(plasma + args("-monochrome"));
  variants.push_back(plasma + args("-colorspace Gray -colors 7"));
  variants.push_back(args("-size 1x1 xc:red"));
  variants.push_back(args("-size 250x3 gradient:white-black -colors 256"));
  // Noise fills the string table: ImageMagick then writes a clear code at 12 bits.
  variants.push_back(args("-seed 9 -size 160x120 xc: +noise Random -colors 256"));
  variants.push_back(args("-seed 9 -size 160x120 xc: +noise Random -colors 32 -interlace GIF"));
  // Animations: sub-rectangles, transparency, each frame its own (local) table, disposals.
  const QStringList frames = {QStringLiteral("-seed"),
                              QStringLiteral("3"),
                              QStringLiteral("-delay"),
                              QStringLiteral("7"),
                              QStringLiteral("-size"),
                              QStringLiteral("64x48"),
                              QStringLiteral("("),
                              QStringLiteral("plasma:red-blue"),
                              QStringLiteral("-colors"),
                              QStringLiteral("8"),
                              QStringLiteral(")"),
                              QStringLiteral("("),
                              QStringLiteral("plasma:green-yellow"),
                              QStringLiteral("-colors"),
                              QStringLiteral("100"),
                              QStringLiteral(")"),
                              QStringLiteral("("),
                              QStringLiteral("plasma:fractal"),
                              QStringLiteral("-fill"),
                              QStringLiteral("white"),
                              QStringLiteral("-draw"),
                              QStringLiteral("rectangle 10,10 30,20"),
                              QStringLiteral("-colors"),
                              QStringLiteral("40"),
                              QStringLiteral(")")};
  for (const char* tail : {"-loop 0", "-layers Optimize", "-layers OptimizeTransparency",
                           "-dispose Previous -layers Optimize", "-dispose Background -interlace GIF"})
    variants.push_back(frames + args(tail));
  variants.push_back(plasma + args("-colors 9 -transparent-color white -transparent #808080"));

  int n = 0;
  for (const QStringList& v : variants) {
    const QString path = dir.filePath(QStringLiteral("im%1.gif").arg(n++, 2, 10, QLatin1Char('0')));
    ASSERT_TRUE(runTool(convert, v + QStringList{path})) << v.join(' ').toStdString();
    EXPECT_EQ(differenceFromGiflib(readFile(path)), "") << v.join(' ').toStdString();
  }
}

TEST(GifGiflib, PillowVariants) {
  const QString python = pythonWithPillow();
  if (python.isEmpty()) GTEST_SKIP() << "Python 3 with Pillow is not installed (Debian package python3-pil)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Paletted pictures of many table sizes, optimised and not, interlaced and not; greyscale, 1-bit and
  // true-colour pictures that Pillow reduces itself; animations with disposals, transparency and frames
  // whose palettes differ (local tables).
  const QString script = QStringLiteral(R"(
import random, sys
from PIL import Image
out = sys.argv[1]
random.seed(11)
def paletted(w, h, colours, runs):
    im = Image.new('P', (w, h))
    im.putpalette([random.randrange(256) for _ in range(3 * colours)])
    data, i = [], 0
    while len(data) < w * h:
        data += [random.randrange(colours)] * random.randint(1, runs)
    im.putdata(data[:w * h])
    return im
n = 0
def save(im, **kw):
    global n
    im.save('%s/pil%03d.gif' % (out, n), **kw)
    n += 1
for colours in (2, 3, 4, 5, 16, 17, 100, 200, 256):
    for w, h in ((1, 1), (7, 3), (61, 47), (200, 90)):
        im = paletted(w, h, colours, 6)
        save(im)
        save(im, optimize=False, interlace=False)
        save(im, optimize=True, interlace=True)
grey = Image.linear_gradient('L').resize((120, 80))
save(grey)
save(grey.convert('1'))
rgb = Image.merge('RGB', (grey, grey.rotate(90), Image.effect_noise((120, 80), 40).convert('L')))
save(rgb)
save(rgb.quantize(7))
frames = [paletted(48, 32, c, 4) for c in (3, 40, 256, 9)]
save(frames[0], save_all=True, append_images=frames[1:], duration=[50, 70, 90, 20], loop=0, disposal=2)
save(frames[1], save_all=True, append_images=frames[2:], duration=40, disposal=[1, 3, 0], transparency=0)
save(frames[2], save_all=True, append_images=frames[:2], optimize=True, interlace=False)
)");
  ASSERT_TRUE(runTool(python, {QStringLiteral("-c"), script, dir.path()}));
  EXPECT_GE(checkFolder(dir.path()), 100);
}

TEST(GifGiflib, GifsicleVariants) {
  const QString gifsicle = gifsicleTool();
  if (gifsicle.isEmpty()) GTEST_SKIP() << "gifsicle is not installed (Debian package gifsicle)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Our own two-frame picture under a global table of 256: gifsicle writes each frame with the smallest code
  // size its indices need, and rewrites frames as sub-rectangles with transparency.
  const std::vector<std::uint8_t> busy = randomIndices(80 * 50, 256, 1, 3);
  std::vector<std::uint8_t> calm = busy;
  for (size_t i = 0; i < calm.size(); ++i)
    if ((i % 80) > 20 && (i % 80) < 60) calm[i] = static_cast<std::uint8_t>((i / 7) % 3);
  const QByteArray picture = GifBuilder()
                                 .header(80, 50, palette(256))
                                 .gce(10)
                                 .image(0, 0, 80, 50, packCodes(8, referenceEncode(busy, 8, false)))
                                 .gce(10)
                                 .image(0, 0, 80, 50, packCodes(8, referenceEncode(calm, 8, false)))
                                 .trailer()
                                 .bytes;
  const QString source = dir.filePath(QStringLiteral("source.gif"));
  writeFile(source, picture);
  int n = 0;
  for (const char* options : {"-O1", "-O2", "-O3", "--interlace", "--colors 5", "--colors 2 --interlace",
                              "--crop 10,5+33x21", "--no-interlace -O3 --careful", "--resize 17x9"}) {
    const QString path = dir.filePath(QStringLiteral("gs%1.gif").arg(n++));
    QStringList args = QString::fromLatin1(options).split(QLatin1Char(' '));
    args << source << QStringLiteral("-o") << path;
    ASSERT_TRUE(runTool(gifsicle, args)) << options;
    EXPECT_EQ(differenceFromGiflib(readFile(path)), "") << options;
  }
}
