// GIF image, reading: signatures and versions, screens without frames, extension groups,
// separators, and every error message with what survives a failed load.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>

#include "widgets/gif_image.h"
#include "widgets/gif_test_util.h"
#include "widgets/gif_writer.h"

using namespace giftest;

namespace {

const QList<QRgb> kTable4 = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

// A 2 x 2 frame of the given indices (code size 2).
QByteArray smallData(std::vector<std::uint8_t> px = {0, 1, 2, 3}) { return literalData(2, px); }

struct Loaded {
  TGIFImage image;
  int changes = 0;
  Loaded() {
    image.OnChange = [this] { ++changes; };
  }
};

}  // namespace

// ---- signatures and versions ----

TEST(GifSignature, AcceptsBothVersionsInAnyLetterCase) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"GIF89a", TGIFImage::gv89a}, {"GIF87a", TGIFImage::gv87a}, {"gif89A", TGIFImage::gv89a},
      {"GiF87A", TGIFImage::gv87a}, {"gif89a", TGIFImage::gv89a}, {"GIF89A", TGIFImage::gv89a}};
  for (auto [sig, version] : cases) {
    TGIFImage img;
    img.loadFromData(GifBuilder().header(2, 2, kTable4, sig).image(0, 0, 2, 2, smallData()).trailer().bytes);
    EXPECT_EQ(img.version(), version) << sig;
    EXPECT_EQ(img.frameCount(), 1) << sig;
  }
}

TEST(GifSignature, RejectsOtherSignaturesAndVersions) {
  for (const char* sig : {"GIF88a", "JIF89a", "GIF89b", "GIF8 a", "PNG89a", "GIF"}) {
    TGIFImage img;
    QByteArray bytes = QByteArray(sig) + GifBuilder().screen(2, 2, kTable4).trailer().bytes;
    if (QByteArray(sig) == "GIF") bytes = "GIF";
    EXPECT_EQ(errorOf([&] { img.loadFromData(bytes); }), "Unknown GIF version") << sig;
    EXPECT_EQ(img.version(), TGIFImage::gvUnknown);
    EXPECT_EQ(img.currentIndex(), -1);
  }
}

TEST(GifSignature, EmptySourceGivesAnEmptyImageAndNotifies) {
  Loaded l;
  l.image.loadFromData(QByteArray());
  EXPECT_EQ(l.changes, 1);
  EXPECT_TRUE(l.image.empty());
  EXPECT_EQ(l.image.frameCount(), 0);
  EXPECT_EQ(l.image.currentIndex(), -1);
  EXPECT_TRUE(l.image.paletteModified());

  Loaded f;
  f.image.readFormData(QByteArray(4, '\0'));  // length 0
  EXPECT_EQ(f.changes, 1);
  EXPECT_TRUE(f.image.empty());
}

// ---- screens without frames ----

TEST(GifScreen, HeaderScreenAndTrailerOnlyHasNoFrames) {
  Loaded l;
  l.image.loadFromData(GifBuilder().header(120, 80, kTable4).trailer().bytes);
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(l.image.frameCount(), 0);
  EXPECT_TRUE(l.image.empty());
  EXPECT_EQ(l.image.width(), 0);
  EXPECT_EQ(l.image.height(), 0);
  EXPECT_EQ(l.image.screenWidth(), 120);
  EXPECT_EQ(l.image.screenHeight(), 80);
  EXPECT_EQ(l.image.currentIndex(), -1);
  EXPECT_TRUE(l.image.palette().isEmpty());

  QImage canvas(10, 10, QImage::Format_ARGB32);
  canvas.fill(qRgb(1, 2, 3));
  QImage before = canvas;
  {
    QPainter p(&canvas);
    l.image.draw(p, QRect(0, 0, 10, 10));
  }
  EXPECT_EQ(canvas, before);
}

TEST(GifScreen, HeaderFieldsAndBackground) {
  TGIFImage img;
  QByteArray b = GifBuilder()
                     .signature()
                     .screen(7, 9, kTable4, /*background*/ 2, /*aspect*/ 49, /*res*/ 5)
                     .trailer()
                     .bytes;
  img.loadFromData(b);
  EXPECT_EQ(img.header()->bitsPerPixel, 2);
  EXPECT_EQ(img.header()->colorResolution, 5);
  EXPECT_EQ(img.header()->aspectRatio, 49);
  EXPECT_EQ(img.header()->colorTable.count, 4);
  EXPECT_EQ(img.backgroundColor(), qRgb(0, 255, 0));

  img.loadFromData(GifBuilder().signature().screen(7, 9, kTable4, /*background*/ 4).trailer().bytes);
  EXPECT_EQ(img.backgroundColor(), ld::kColorNone);  // index outside the table

  img.loadFromData(GifBuilder().signature().screen(7, 9).trailer().bytes);
  EXPECT_EQ(img.backgroundColor(), ld::kColorNone);  // no global table
  EXPECT_EQ(img.header()->colorTable.count, 0);
}

TEST(GifScreen, ClearResetsEverything) {
  TGIFImage img;
  img.loadFromData(GifBuilder().header(2, 2, kTable4).loop(3).image(0, 0, 2, 2, smallData()).trailer().bytes);
  auto oldHeader = img.header();
  img.clear();
  EXPECT_NE(img.header(), oldHeader);
  EXPECT_EQ(img.frameCount(), 0);
  EXPECT_EQ(img.version(), 0);
  EXPECT_EQ(img.currentIndex(), -1);
  EXPECT_EQ(img.backgroundColor(), ld::kColorNone);
  EXPECT_FALSE(img.looping());
  EXPECT_EQ(img.repeatCount(), 1);
  EXPECT_TRUE(img.transparentFlag());
}

TEST(GifScreen, ZeroFrameSizeTakesTheScreenSize) {
  TGIFImage img;
  std::vector<std::uint8_t> px(5 * 3, 1);
  img.loadFromData(GifBuilder().header(5, 3, kTable4).image(0, 0, 0, 0, literalData(2, px)).trailer().bytes);
  ASSERT_EQ(img.frameCount(), 1);
  EXPECT_EQ(img.frame(0).item()->width, 5);
  EXPECT_EQ(img.frame(0).item()->height, 3);
  EXPECT_EQ(img.width(), 5);
  EXPECT_EQ(img.height(), 3);

  img.loadFromData(GifBuilder().header(5, 3, kTable4).image(0, 0, 4, 0, literalData(2, px)).trailer().bytes);
  EXPECT_EQ(img.frame(0).bitmap().size(), QSize(4, 3));
}

TEST(GifScreen, FrameFieldsAfterLoad) {
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(10, 10, kTable4)
                       .image(3, 4, 2, 2, smallData())
                       .image(1, 2, 2, 2, smallData(), palette(8), /*interlaced*/ true)
                       .trailer()
                       .bytes);
  ASSERT_EQ(img.frameCount(), 2);
  EXPECT_EQ(img.currentIndex(), 0);
  const TGIFFrame& f0 = img.frame(0);
  EXPECT_EQ(f0.origin(), QPoint(3, 4));
  EXPECT_FALSE(f0.localTable());
  EXPECT_FALSE(f0.interlaced());
  EXPECT_EQ(f0.bitsPerPixel(), 2);
  EXPECT_EQ(f0.item()->colorTable, img.header()->colorTable);
  EXPECT_TRUE(img.frame(0).hasBitmap());   // frame 0 decoded at load
  EXPECT_FALSE(img.frame(1).hasBitmap());  // the others on first demand
  const TGIFFrame& f1 = img.frame(1);
  EXPECT_TRUE(f1.localTable());
  EXPECT_TRUE(f1.interlaced());
  EXPECT_EQ(f1.bitsPerPixel(), 3);
  EXPECT_EQ(f1.item()->colorTable.count, 8);
  EXPECT_EQ(f1.item()->packedFields, 0x80 | 0x40 | 2);
  EXPECT_EQ(f1.transparentColor(), ld::kColorNone);
  EXPECT_EQ(f1.delay(), 0);
  EXPECT_EQ(f1.disposal(), 0);
  // Encoded data kept byte for byte.
  EXPECT_EQ(f0.item()->data, smallData());
}

// ---- extension ordering ----

TEST(GifExtensions, TwoGraphicControlsLargerDelayLaterDisposalAndTransparency) {
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .gce(/*delay*/ 7, /*disposal*/ 1, /*transparent*/ 1)
                       .gce(3, 2, -1)
                       .image(0, 0, 2, 2, smallData())
                       .gce(3, 3, 2)
                       .gce(9, 1, 3)
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  ASSERT_EQ(img.frameCount(), 2);
  EXPECT_EQ(img.frame(0).delay(), 70);
  EXPECT_EQ(img.frame(0).disposal(), 2);
  EXPECT_EQ(img.frame(0).transparentColor(), ld::kColorNone);  // the later one has no transparency
  EXPECT_EQ(img.frame(1).delay(), 90);
  EXPECT_EQ(img.frame(1).disposal(), 1);
  EXPECT_EQ(img.frame(1).transparentColor(), kTable4[3]);
  EXPECT_EQ(img.frame(0).extensions().size(), 2u);
  EXPECT_TRUE(img.transparent());
  img.setTransparentFlag(false);
  EXPECT_FALSE(img.transparent());
}

TEST(GifExtensions, TransparentIndexOutsideTheTableLeavesNoTransparentColour) {
  TGIFImage img;
  img.loadFromData(
      GifBuilder().header(2, 2, kTable4).gce(0, 0, 4).image(0, 0, 2, 2, smallData()).trailer().bytes);
  EXPECT_EQ(img.frame(0).transparentColor(), ld::kColorNone);
  // An earlier valid index stays when a later one lies outside the table.
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .gce(0, 0, 2)
                       .gce(0, 0, 200)
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  EXPECT_EQ(img.frame(0).transparentColor(), kTable4[2]);
}

TEST(GifExtensions, DisposalFourToSevenStoredAsRead) {
  TGIFImage img;
  img.loadFromData(
      GifBuilder().header(2, 2, kTable4).gce(0, 6).image(0, 0, 2, 2, smallData()).trailer().bytes);
  EXPECT_EQ(img.frame(0).disposal(), 6);
}

TEST(GifExtensions, DelayAboveSixteenBitsIsCapped) {
  TGIFImage img;
  img.loadFromData(
      GifBuilder().header(2, 2, kTable4).gce(7000).image(0, 0, 2, 2, smallData()).trailer().bytes);
  EXPECT_EQ(img.frame(0).delay(), 65535);
}

TEST(GifExtensions, PlainTextDiscardsWhatPrecedesItInItsGroup) {
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .gce(7, 2, 1)
                       .comment({"before"})
                       .plainText()
                       .image(0, 0, 2, 2, smallData())
                       .gce(7, 2, 1)
                       .plainText()
                       .gce(5, 1, -1)
                       .comment({"after"})
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  ASSERT_EQ(img.frameCount(), 2);
  EXPECT_EQ(img.frame(0).delay(), 0);
  EXPECT_EQ(img.frame(0).disposal(), 0);
  EXPECT_EQ(img.frame(0).transparentColor(), ld::kColorNone);
  EXPECT_TRUE(img.frame(0).extensions().empty());
  EXPECT_EQ(img.frame(1).delay(), 50);
  EXPECT_EQ(img.frame(1).disposal(), 1);
  EXPECT_EQ(img.frame(1).comment(), QList<QByteArray>{"after"});
}

TEST(GifExtensions, LoopCounts) {
  struct Case {
    int count;
    const char* id;
    bool looping;
    int repeat;
  };
  for (const Case& c : {Case{0, "NETSCAPE2.0", true, 0}, Case{40000, "NETSCAPE2.0", true, 30000},
                        Case{30000, "NETSCAPE2.0", true, 30000}, Case{5, "ANIMEXTS1.0", true, 5},
                        Case{5, "XMP DataXMP", false, 1}}) {
    TGIFImage img;
    img.loadFromData(GifBuilder()
                         .header(2, 2, kTable4)
                         .loop(c.count, c.id)
                         .image(0, 0, 2, 2, smallData())
                         .trailer()
                         .bytes);
    EXPECT_EQ(img.looping(), c.looping) << c.count << c.id;
    EXPECT_EQ(img.repeatCount(), c.repeat) << c.count << c.id;
    EXPECT_TRUE(img.frame(0).extensions().empty());  // application extensions are dropped
  }
}

TEST(GifExtensions, LoopExtensionDetails) {
  // Sub-block id other than 1, or shorter than 3 bytes: no loop.
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .application("NETSCAPE2.0", {QByteArray("\x02\x05\x00", 3)})
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  EXPECT_FALSE(img.looping());
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .application("NETSCAPE2.0", {QByteArray("\x01\x05", 2)})
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  EXPECT_FALSE(img.looping());
  // Only the first b bytes of identifier and code are compared, b being the block size byte.
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .application("NETSCAPE3.1", {QByteArray("\x01\x07\x00", 3)}, 8)
                       .image(0, 0, 2, 2, smallData())
                       .trailer()
                       .bytes);
  EXPECT_TRUE(img.looping());
  EXPECT_EQ(img.repeatCount(), 7);
  // A loop extension after the last image still counts.
  img.loadFromData(
      GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).loop(12).trailer().bytes);
  EXPECT_TRUE(img.looping());
  EXPECT_EQ(img.repeatCount(), 12);
}

TEST(GifExtensions, CommentsAfterTheLastImageBecomeTheImageComment) {
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .comment({"frame note"})
                       .image(0, 0, 2, 2, smallData())
                       .comment({"one", "two"})
                       .gce(4)
                       .comment({"three"})
                       .trailer()
                       .bytes);
  EXPECT_EQ(img.comment(), (QList<QByteArray>{"one", "two", "\r\n\r\n", "three"}));
  EXPECT_EQ(img.frame(0).comment(), QList<QByteArray>{"frame note"});
}

TEST(GifExtensions, TrailingGroupWithoutCommentsLeavesTheCommentEmpty) {
  TGIFImage img;
  img.loadFromData(GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).gce(1).trailer().bytes);
  EXPECT_TRUE(img.comment().isEmpty());
  // Extensions between the loop extension and the comments are one group: all its comments are kept.
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .image(0, 0, 2, 2, smallData())
                       .comment({"first"})
                       .loop(2)
                       .comment({"second"})
                       .trailer()
                       .bytes);
  EXPECT_EQ(img.comment(), (QList<QByteArray>{"first", "\r\n\r\n", "second"}));
}

// A second trailing group can only follow the first after a separator that starts neither an extension
// nor an image; it is then ignored, and that separator raises "Stream read error".
TEST(GifExtensions, SecondGroupWithAStrayByteRaisesStreamReadError) {
  TGIFImage img;
  QByteArray b = GifBuilder()
                     .header(2, 2, kTable4)
                     .image(0, 0, 2, 2, smallData())
                     .comment({"first"})
                     .byte('x')
                     .trailer()
                     .bytes;
  EXPECT_EQ(errorOf([&] { img.loadFromData(b); }), "Stream read error");
  EXPECT_EQ(img.frameCount(), 1);  // frames read before the failure stay
  EXPECT_EQ(img.currentIndex(), -1);
}

TEST(GifExtensions, UnknownExtensionLabel) {
  for (int label : {0x2A, 0xAB, 0x00, 0xF8}) {
    TGIFImage img;
    Loaded l;
    QByteArray b = GifBuilder()
                       .header(2, 2, kTable4)
                       .image(0, 0, 2, 2, smallData())
                       .byte(0x21)
                       .byte(label)
                       .subBlocks({"x"})
                       .trailer()
                       .bytes;
    EXPECT_EQ(errorOf([&] { l.image.loadFromData(b); }), ld::gifmsg::unrecognizedExtension(label));
    EXPECT_EQ(l.changes, 0);
    EXPECT_EQ(l.image.frameCount(), 1);
    EXPECT_EQ(l.image.currentIndex(), -1);
  }
  EXPECT_EQ(ld::gifmsg::unrecognizedExtension(0xAB), "Unrecognized extension block: ab");
  EXPECT_EQ(ld::gifmsg::unrecognizedExtension(0x05), "Unrecognized extension block: 05");
}

// ---- separators ----

TEST(GifSeparators, StrayByteAfterAnImageEndsTheParseQuietly) {
  Loaded l;
  l.image.loadFromData(GifBuilder()
                           .header(2, 2, kTable4)
                           .image(0, 0, 2, 2, smallData())
                           .byte('x')
                           .image(0, 0, 2, 2, smallData())
                           .trailer()
                           .bytes);
  EXPECT_EQ(l.image.frameCount(), 1);
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(l.image.currentIndex(), 0);
}

TEST(GifSeparators, StrayByteBeforeTheFirstImageRaisesStreamReadError) {
  Loaded l;
  EXPECT_EQ(
      errorOf([&] {
        l.image.loadFromData(
            GifBuilder().header(2, 2, kTable4).byte('x').image(0, 0, 2, 2, smallData()).trailer().bytes);
      }),
      "Stream read error");
  EXPECT_EQ(l.changes, 0);
  EXPECT_EQ(l.image.frameCount(), 0);
}

TEST(GifSeparators, ZeroBytesBetweenBlocksAreSkipped) {
  TGIFImage img;
  img.loadFromData(GifBuilder()
                       .header(2, 2, kTable4)
                       .byte(0)
                       .byte(0)
                       .image(0, 0, 2, 2, smallData())
                       .byte(0)
                       .gce(2)
                       .image(0, 0, 2, 2, smallData())
                       .bytes);  // no trailer
  EXPECT_EQ(img.frameCount(), 2);
  EXPECT_EQ(img.frame(1).delay(), 20);
}

TEST(GifSeparators, TruncatedHeaderGivesNoFrames) {
  TGIFImage img;
  QByteArray full = GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).trailer().bytes;
  for (int n = 6; n < 13 + 12; ++n) {
    EXPECT_EQ(errorOf([&] { img.loadFromData(full.left(n)); }), QString()) << n;
    EXPECT_EQ(img.frameCount(), 0) << n;
  }
}

// ---- errors and what survives ----

TEST(GifErrors, NoColourTableAtAllCannotBeDecoded) {
  Loaded l;
  QByteArray b = GifBuilder()
                     .header(2, 2)  // no global table
                     .image(0, 0, 2, 2, smallData())
                     .image(0, 0, 2, 2, smallData(), kTable4)
                     .trailer()
                     .bytes;
  EXPECT_EQ(errorOf([&] { l.image.loadFromData(b); }), "Wrong number of colors; must be a power of 2");
  EXPECT_EQ(l.changes, 0);
  // Frame 0 is removed, the remaining frame stays.
  ASSERT_EQ(l.image.frameCount(), 1);
  EXPECT_TRUE(l.image.frame(0).localTable());
  EXPECT_EQ(l.image.frame(0).bitmap().size(), QSize(2, 2));
}

TEST(GifErrors, FailingFrameIsFreedEarlierFramesStay) {
  LoadCorrupted off(false);
  Loaded l;
  QByteArray b =
      GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).image(0, 0, 2, 2, smallData()).bytes;
  b.chop(3);  // the second frame's last sub-block runs past the end
  EXPECT_EQ(errorOf([&] { l.image.loadFromData(b); }), "Stream read error");
  EXPECT_EQ(l.image.frameCount(), 1);
  EXPECT_EQ(l.image.currentIndex(), -1);
  EXPECT_EQ(l.changes, 0);
}

TEST(GifErrors, LoadCorruptedOffMessages) {
  LoadCorrupted off(false);
  TGIFImage img;
  // Code size outside 2..9.
  for (int cs : {0, 1, 10, 12, 255}) {
    QByteArray data = smallData();
    data[0] = static_cast<char>(cs);
    EXPECT_EQ(errorOf([&] {
                img.loadFromData(GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, data).trailer().bytes);
              }),
              "GIF code size not in range 2 to 9")
        << cs;
    EXPECT_EQ(img.frameCount(), 0);
  }
  // Data ending before the end code and the last pixel.
  QByteArray cut = packCodes(2, {{4, 3}, {1, 3}});
  EXPECT_EQ(errorOf([&] {
              img.loadFromData(GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, cut).trailer().bytes);
            }),
            "Stream read error");
  // A sub-block running past the end of the data.
  QByteArray b = GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).bytes;
  b.chop(2);
  EXPECT_EQ(errorOf([&] { img.loadFromData(b); }), "Stream read error");
}

TEST(GifErrors, LoadCorruptedOnNeverRaisesForDamagedData) {
  ASSERT_TRUE(ld::gifLoadCorrupted());  // the program's setting
  TGIFImage img;
  QByteArray data = smallData();
  data[0] = 12;
  EXPECT_EQ(errorOf([&] {
              img.loadFromData(GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, data).trailer().bytes);
            }),
            QString());
  EXPECT_TRUE(img.frame(0).corrupted());
  QByteArray b = GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).bytes;
  b.chop(2);
  EXPECT_EQ(errorOf([&] { img.loadFromData(b); }), QString());
  EXPECT_TRUE(img.frame(0).corrupted());
}

TEST(GifErrors, FormDataShorterThanItsLengthIsAStreamReadError) {
  QByteArray gif = GifBuilder().header(2, 2, kTable4).image(0, 0, 2, 2, smallData()).trailer().bytes;
  QByteArray form = ld::toFormData(gif);
  Loaded l;
  l.image.readFormData(form);
  EXPECT_EQ(l.image.frameCount(), 1);
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(errorOf([&] { l.image.readFormData(form.left(form.size() - 1)); }), "Stream read error");
  EXPECT_EQ(l.image.frameCount(), 0);  // cleared before the copy
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(errorOf([&] { l.image.readFormData(QByteArray("\x05\x00", 2)); }), "Stream read error");

  // Bytes after the stated length stay in the stream.
  QBuffer buf;
  buf.setData(form + QByteArray("tail"));
  buf.open(QIODevice::ReadOnly);
  l.image.readFormData(buf);
  EXPECT_EQ(buf.readAll(), QByteArray("tail"));
}

TEST(GifErrors, SizeCannotBeChanged) {
  TGIFImage img;
  EXPECT_EQ(errorOf([&] { img.setWidth(5); }), "Cannot change the Size of a GIF image");
  EXPECT_EQ(errorOf([&] { img.setHeight(5); }), "Cannot change the Size of a GIF image");
}

TEST(GifErrors, LoadFromStreamReadsFromThePositionToTheEnd) {
  QByteArray gif =
      GifBuilder().header(3, 1, kTable4).image(0, 0, 3, 1, literalData(2, {1, 2, 3})).trailer().bytes;
  QBuffer buf;
  buf.setData(QByteArray("junk") + gif);
  buf.open(QIODevice::ReadOnly);
  buf.seek(4);
  TGIFImage img;
  img.loadFromStream(buf);
  EXPECT_EQ(img.width(), 3);
  EXPECT_TRUE(buf.atEnd());
}

TEST(GifErrors, MissingFileIsAnError) {
  TGIFImage img;
  EXPECT_THROW(img.loadFromFile(QStringLiteral("/nonexistent/logo.gif")), ld::Error);
}
