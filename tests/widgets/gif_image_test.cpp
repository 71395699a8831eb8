// GIF image, the object's interface: change notification, empty/width/height, assign to and from
// images, frames and pictures, adding frames, the clipboard, drawing and the transparent stretch.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include "widgets/gif_draw.h"
#include "widgets/gif_image.h"
#include "widgets/gif_test_util.h"
#include "widgets/gif_writer.h"

using namespace giftest;

namespace {

const QList<QRgb> kTable4 = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

// Three frames of 4 x 2 over a 6 x 3 screen; frame 1 has transparent index 0 (black).
QByteArray threeFrames() {
  return GifBuilder()
      .header(6, 3, kTable4)
      .loop(4)
      .image(0, 0, 4, 2, literalData(2, {0, 1, 2, 3, 3, 2, 1, 0}))
      .gce(5, 2, 0)
      .image(2, 1, 4, 2, literalData(2, {1, 0, 0, 1, 2, 2, 0, 3}))
      .image(1, 1, 4, 2, literalData(2, {3, 3, 3, 3, 1, 1, 1, 1}))
      .trailer()
      .bytes;
}

QImage canvas(int w, int h, QRgb fill) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(fill);
  return img;
}

}  // namespace

TEST(GifImage, CreateIsEmpty) {
  TGIFImage img;
  EXPECT_TRUE(img.empty());
  EXPECT_EQ(img.currentIndex(), -1);
  EXPECT_EQ(img.width(), 0);
  EXPECT_EQ(img.screenWidth(), 0);
  EXPECT_TRUE(img.transparentFlag());
  EXPECT_FALSE(img.transparent());
  EXPECT_EQ(img.repeatCount(), 1);
  EXPECT_EQ(img.backgroundColor(), ld::kColorNone);
}

TEST(GifImage, WidthHeightFollowTheCurrentFrame) {
  TGIFImage img;
  img.loadFromData(threeFrames());
  EXPECT_EQ(img.width(), 4);
  EXPECT_EQ(img.height(), 2);
  EXPECT_EQ(img.screenWidth(), 6);
  img.setCurrentIndex(3);
  EXPECT_EQ(img.width(), 0);
  img.setCurrentIndex(-1);
  EXPECT_EQ(img.width(), 0);
  EXPECT_FALSE(img.empty());  // uses frame 0
  EXPECT_EQ(img.palette().size(), 16);
  EXPECT_TRUE(img.transparent());
  EXPECT_TRUE(img.looping());
  EXPECT_EQ(img.repeatCount(), 4);
}

TEST(GifImage, EmptyFollowsBitmapAndEncodedData) {
  TGIFImage img;
  img.loadFromData(threeFrames());
  img.setCurrentIndex(2);
  EXPECT_FALSE(img.empty());  // encoded data, not decoded yet
  img.frame(2).assign(nullptr);
  EXPECT_TRUE(img.empty());  // no bitmap, no data
  img.frame(2).bitmap();     // asking gives an empty bitmap, which counts as a bitmap
  EXPECT_FALSE(img.empty());
}

TEST(GifImage, ChangeNotificationAfterEachLoadAndAssignOnly) {
  TGIFImage img;
  int changes = 0;
  img.OnChange = [&] { ++changes; };
  img.loadFromData(threeFrames());
  EXPECT_EQ(changes, 1);
  img.readFormData(ld::toFormData(threeFrames()));
  EXPECT_EQ(changes, 2);
  TGIFImage other;
  other.loadFromData(threeFrames());
  img.assign(other);
  EXPECT_EQ(changes, 3);
  img.assign(other.frame(1));
  EXPECT_EQ(changes, 4);
  img.assign(QImage(2, 2, QImage::Format_RGB32));
  EXPECT_EQ(changes, 5);
  img.assign(nullptr);
  EXPECT_EQ(changes, 6);
  img.addFrame(QImage(2, 2, QImage::Format_RGB32));  // not an assign
  img.setCurrentIndex(0);
  img.clear();
  EXPECT_EQ(changes, 6);
  EXPECT_ANY_THROW(img.loadFromData("GIF00a"));
  EXPECT_EQ(changes, 6);
}

TEST(GifImage, AssignFromAnImageSharesHeaderAndEncodedFrames) {
  TGIFImage a;
  a.loadFromData(threeFrames());
  a.setCurrentIndex(1);
  a.frame(1).bitmap();
  TGIFImage b;
  b.assign(a);
  EXPECT_TRUE(b.equals(a));
  EXPECT_TRUE(a.equals(b));
  EXPECT_EQ(b.frameCount(), 3);
  EXPECT_EQ(b.currentIndex(), 1);
  EXPECT_EQ(b.screenWidth(), 6);
  EXPECT_EQ(b.screenHeight(), 3);
  EXPECT_EQ(b.version(), a.version());
  EXPECT_TRUE(b.looping());
  EXPECT_EQ(b.repeatCount(), 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(b.frame(i).item(), a.frame(i).item());  // shared
    EXPECT_EQ(b.frame(i).localTable(), a.frame(i).localTable());
    EXPECT_EQ(b.frame(i).origin(), a.frame(i).origin());
    EXPECT_EQ(b.frame(i).owner(), &b);
  }
  EXPECT_TRUE(b.frame(1).hasBitmap());   // decoded bitmaps are copied
  EXPECT_FALSE(b.frame(2).hasBitmap());  // the rest stays encoded
  EXPECT_EQ(b.frame(1).bitmap(), a.frame(1).bitmap());
  EXPECT_EQ(b.frame(1).delay(), 50);
  EXPECT_EQ(b.frame(1).transparentColor(), kTable4[0]);

  TGIFImage c;
  c.loadFromData(threeFrames());
  EXPECT_FALSE(c.equals(a));  // same content, another header
  a.assignTo(c);
  EXPECT_TRUE(c.equals(a));
  a.assign(a);  // to itself: nothing changes
  EXPECT_EQ(a.frameCount(), 3);
}

TEST(GifImage, AssignFromAFrame) {
  TGIFImage a;
  a.loadFromData(threeFrames());
  TGIFImage b;
  b.assign(a.frame(1));
  ASSERT_EQ(b.frameCount(), 1);
  EXPECT_FALSE(b.equals(a));
  EXPECT_EQ(b.header()->colorTable, a.header()->colorTable);
  EXPECT_EQ(b.header()->bitsPerPixel, a.header()->bitsPerPixel);
  EXPECT_EQ(b.version(), TGIFImage::gv87a);
  EXPECT_EQ(b.currentIndex(), 0);
  EXPECT_EQ(b.frame(0).item(), a.frame(1).item());
  EXPECT_TRUE(b.frame(0).localTable());  // another owner
  EXPECT_EQ(b.frame(0).origin(), QPoint(2, 1));
  EXPECT_EQ(b.screenWidth(), 6);  // largest origin + size
  EXPECT_EQ(b.screenHeight(), 3);
  EXPECT_EQ(indicesOf(b.frame(0).bitmap()), (std::vector<std::uint8_t>{1, 0, 0, 1, 2, 2, 0, 3}));
  // A frame of the image itself.
  a.assign(a.frame(2));
  ASSERT_EQ(a.frameCount(), 1);
  EXPECT_EQ(indicesOf(a.frame(0).bitmap()), (std::vector<std::uint8_t>{3, 3, 3, 3, 1, 1, 1, 1}));
  // Frame to frame, frame from an image.
  TGIFImage c;
  c.loadFromData(threeFrames());
  c.frame(0).assign(c.frame(1));
  EXPECT_EQ(c.frame(0).item(), c.frame(1).item());
  EXPECT_FALSE(c.frame(0).localTable());  // same owner: the source's flag
  c.setCurrentIndex(2);
  c.frame(1).assign(c);
  EXPECT_EQ(c.frame(1).item(), c.frame(2).item());
  TGIFImage none;
  c.frame(1).assign(none);
  EXPECT_TRUE(c.frame(1).item()->data.isEmpty());
}

TEST(GifImage, FrameCommentIsCreatedOnDemand) {
  TGIFImage a;
  a.loadFromData(threeFrames());
  EXPECT_TRUE(a.frame(0).extensions().empty());
  a.frame(0).comment().append("note");
  ASSERT_EQ(a.frame(0).extensions().size(), 1u);
  EXPECT_EQ(a.frame(0).extensions()[0].kind, TExtension::Comment);
  TGIFImage b;
  b.assign(a);
  EXPECT_EQ(b.frame(0).comment(), QList<QByteArray>{"note"});
  TGIFImage c;
  c.loadFromData(a.saveToData());
  EXPECT_EQ(c.frame(0).comment(), QList<QByteArray>{"note"});
}

TEST(GifImage, AssignFromAndToPictures) {
  QImage pic(5, 4, QImage::Format_RGB32);
  pic.fill(qRgb(1, 2, 3));
  pic.setPixel(2, 2, qRgb(200, 100, 0));
  TGIFImage img;
  img.assign(pic, qRgb(1, 2, 3));
  ASSERT_EQ(img.frameCount(), 1);
  EXPECT_EQ(img.version(), TGIFImage::gv87a);
  EXPECT_EQ(img.width(), 5);
  EXPECT_EQ(img.screenWidth(), 5);
  EXPECT_TRUE(img.frame(0).item()->data.isEmpty());  // no encoded data until saved
  EXPECT_FALSE(img.empty());
  EXPECT_TRUE(img.transparent());
  QImage out;
  img.assignTo(out);
  EXPECT_EQ(out, pic);

  // Saving fills in the item and the global table.
  QByteArray gif = img.saveToData();
  EXPECT_FALSE(img.frame(0).item()->data.isEmpty());
  EXPECT_GT(img.header()->colorTable.count, 0);
  TGIFImage back;
  back.loadFromData(gif);
  EXPECT_EQ(back.frame(0).transparentColor(), qRgb(1, 2, 3));
  EXPECT_EQ(back.frame(0).bitmap().pixel(2, 2), qRgb(200, 100, 0));

  // Adding frames: the new one becomes current; two frames make a GIF89a.
  EXPECT_EQ(img.addFrame(pic), 1);
  EXPECT_EQ(img.currentIndex(), 1);
  EXPECT_EQ(img.version(), TGIFImage::gv89a);
  img.frame(1).setOrigin(QPoint(10, 1));
  img.frame(1).assign(pic);  // recomputes the screen
  EXPECT_EQ(img.screenWidth(), 15);
  EXPECT_EQ(img.screenHeight(), 5);

  // An empty image assigns nothing to a picture.
  TGIFImage empty;
  out = pic;
  empty.assignTo(out);
  EXPECT_TRUE(out.isNull());
  // An empty picture gives a frame without data.
  TGIFImage fromNull;
  fromNull.assign(QImage());
  EXPECT_EQ(fromNull.frameCount(), 1);
  EXPECT_TRUE(fromNull.empty());
  // With a negative index the first frame's bitmap is assigned.
  TGIFImage three;
  three.loadFromData(threeFrames());
  three.setCurrentIndex(-1);
  three.assignTo(out);
  EXPECT_EQ(out, three.frame(0).bitmap());
  QImage fromFrame;
  three.frame(2).assignTo(fromFrame);
  EXPECT_EQ(fromFrame, three.frame(2).bitmap());
}

TEST(GifImage, ClipboardRoundTrip) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  ASSERT_NE(clipboard, nullptr);
  TGIFImage a;
  a.loadFromData(threeFrames());
  a.saveToClipboard();
  const QMimeData* mime = clipboard->mimeData();
  ASSERT_NE(mime, nullptr);
  if (!mime->hasFormat(QString::fromLatin1(ld::kGifClipboardMime)))
    GTEST_SKIP() << "no clipboard on this platform";
  EXPECT_TRUE(mime->hasImage());
  EXPECT_EQ(mime->data(QString::fromLatin1(ld::kGifClipboardMime)), a.formData());

  TGIFImage b;
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.loadFromClipboard();
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(b.frameCount(), 3);
  EXPECT_EQ(b.currentIndex(), 0);
  EXPECT_TRUE(b.frame(0).hasBitmap());  // the clipboard's bitmap replaced frame 0's
  EXPECT_FALSE(b.frame(1).hasBitmap());
  EXPECT_EQ(b.frame(0).bitmap().convertToFormat(QImage::Format_RGB32),
            a.frame(0).bitmap().convertToFormat(QImage::Format_RGB32));

  // A plain bitmap on the clipboard is assigned.
  QImage pic(3, 3, QImage::Format_RGB32);
  pic.fill(qRgb(9, 8, 7));
  clipboard->setImage(pic);
  b.loadFromClipboard();
  EXPECT_EQ(changes, 2);
  ASSERT_EQ(b.frameCount(), 1);
  EXPECT_EQ(b.frame(0).bitmap().convertToFormat(QImage::Format_RGB32), pic);

  // A frame without encoded data: only the bitmap goes on the clipboard.
  TGIFImage c;
  c.assign(pic);
  c.saveToClipboard();
  EXPECT_FALSE(clipboard->mimeData()->hasFormat(QString::fromLatin1(ld::kGifClipboardMime)));
  EXPECT_TRUE(clipboard->mimeData()->hasImage());
}

TEST(GifDraw, DrawsTheCurrentFrameWithItsTransparency) {
  TGIFImage img;
  img.loadFromData(threeFrames());
  img.setCurrentIndex(1);  // indices 1 0 0 1 / 2 2 0 3, key black (index 0)
  QImage c = canvas(8, 4, qRgb(7, 7, 7));
  {
    QPainter p(&c);
    img.draw(p, QRect(0, 0, 8, 4));  // stretched 2x
  }
  EXPECT_EQ(c.pixel(0, 0), kTable4[1]);
  EXPECT_EQ(c.pixel(1, 1), kTable4[1]);
  EXPECT_EQ(c.pixel(2, 0), qRgb(7, 7, 7));  // index 0: see-through
  EXPECT_EQ(c.pixel(5, 1), qRgb(7, 7, 7));
  EXPECT_EQ(c.pixel(0, 2), kTable4[2]);
  EXPECT_EQ(c.pixel(7, 3), kTable4[3]);

  // Without the transparent flag the key colour is drawn.
  img.setTransparentFlag(false);
  c = canvas(8, 4, qRgb(7, 7, 7));
  {
    QPainter p(&c);
    img.draw(p, QRect(0, 0, 8, 4));
  }
  EXPECT_EQ(c.pixel(2, 0), kTable4[0]);
  // A negative index draws nothing.
  img.setCurrentIndex(-1);
  c = canvas(8, 4, qRgb(7, 7, 7));
  QImage before = c;
  {
    QPainter p(&c);
    img.draw(p, QRect(0, 0, 8, 4));
  }
  EXPECT_EQ(c, before);
}

TEST(GifDraw, TransparentStretchNearestNeighbour) {
  QImage src(3, 2, QImage::Format_RGB32);
  const QRgb a = qRgb(10, 0, 0), b = qRgb(0, 20, 0), k = qRgb(0, 0, 0);
  src.setPixel(0, 0, a);
  src.setPixel(1, 0, k);
  src.setPixel(2, 0, b);
  src.setPixel(0, 1, b);
  src.setPixel(1, 1, a);
  src.setPixel(2, 1, k);
  QImage dst = canvas(7, 5, qRgb(50, 50, 50));
  {
    QPainter p(&dst);
    ld::transparentStretch(p, QRect(1, 1, 6, 4), src, QRect(), k);
  }
  // Destination column x maps to source column (x - 1) * 3 / 6, row (y - 1) * 2 / 4.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      QRgb expected = qRgb(50, 50, 50);
      if (x >= 1 && y >= 1) {
        QRgb s = src.pixel((x - 1) * 3 / 6, (y - 1) * 2 / 4);
        if (s != k) expected = s;
      }
      EXPECT_EQ(dst.pixel(x, y), expected) << x << "," << y;
    }
  // With a clip only the clipped part changes, and it is the same as without the clip.
  const QImage full = dst;
  QImage clipped = canvas(7, 5, qRgb(50, 50, 50));
  {
    QPainter p(&clipped);
    p.setClipRect(QRect(2, 2, 3, 2));
    ld::transparentStretch(p, QRect(1, 1, 6, 4), src, QRect(), k);
  }
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(clipped.pixel(x, y), QRect(2, 2, 3, 2).contains(x, y) ? full.pixel(x, y) : qRgb(50, 50, 50))
          << x << "," << y;
  // Shrinking, a source rectangle, and a size below 1 meaning the bitmap's.
  dst = canvas(3, 2, qRgb(50, 50, 50));
  {
    QPainter p(&dst);
    ld::transparentStretch(p, QRect(0, 0, 0, 0), src, QRect(2, 0, 1, 2), ld::kColorNone);
  }
  EXPECT_EQ(dst.pixel(0, 0), b);
  EXPECT_EQ(dst.pixel(2, 1), k);  // not keyed: plain copy
}

TEST(GifDraw, KeyingOfIndexedMonochromeAndDefaultColour) {
  QImage idx(2, 1, QImage::Format_Indexed8);
  idx.setColorTable({qRgb(1, 1, 1), qRgb(255, 0, 255), qRgb(255, 0, 255)});
  idx.setPixel(0, 0, 2);
  idx.setPixel(1, 0, 0);
  QImage dst = canvas(2, 1, qRgb(50, 50, 50));
  {
    QPainter p(&dst);
    ld::transparentStretch(p, QRect(0, 0, 2, 1), idx, QRect(), qRgb(255, 0, 255));
  }
  EXPECT_EQ(dst.pixel(0, 0), qRgb(50, 50, 50));  // keyed by colour value, whatever the index
  EXPECT_EQ(dst.pixel(1, 0), qRgb(1, 1, 1));

  QImage mono(2, 1, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 255), qRgb(0, 255, 0)});
  mono.setPixel(0, 0, 1);
  mono.setPixel(1, 0, 0);
  dst = canvas(2, 1, qRgb(50, 50, 50));
  {
    QPainter p(&dst);
    ld::transparentStretch(p, QRect(0, 0, 2, 1), mono, QRect(), qRgb(0, 0, 255));  // keyed by colour too
  }
  EXPECT_EQ(dst.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(dst.pixel(1, 0), qRgb(50, 50, 50));

  QImage rgb(2, 2, QImage::Format_RGB32);
  rgb.fill(qRgb(4, 5, 6));
  rgb.setPixel(0, 1, qRgb(9, 9, 9));  // bottom-left
  rgb.setPixel(1, 0, qRgb(9, 9, 9));
  dst = canvas(2, 2, qRgb(50, 50, 50));
  {
    QPainter p(&dst);
    ld::transparentStretch(p, QRect(0, 0, 2, 2), rgb, QRect(), ld::kColorDefault);
  }
  EXPECT_EQ(dst.pixel(1, 0), qRgb(50, 50, 50));
  EXPECT_EQ(dst.pixel(0, 0), qRgb(4, 5, 6));
}

TEST(GifDraw, FireworksStyleBlackIsSeeThroughWhenStretchedFullScreen) {
  QImage pic(64, 48, QImage::Format_RGB32);
  pic.fill(qRgb(0, 0, 0));
  for (int i = 0; i < 48; ++i) pic.setPixel(i, i, qRgb(255, 200, 0));
  ld::GifWriteOptions opt;
  opt.transparentKey = qRgb(0, 0, 0);
  TGIFImage img;
  img.loadFromData(ld::encodeGif(pic, opt));
  QImage screen = canvas(320, 240, qRgb(30, 60, 90));
  {
    QPainter p(&screen);
    img.draw(p, screen.rect());
  }
  EXPECT_EQ(screen.pixel(300, 10), qRgb(30, 60, 90));
  EXPECT_EQ(screen.pixel(2, 2), qRgb(255, 200, 0));
  EXPECT_EQ(screen.pixel(100, 100), qRgb(255, 200, 0));
}
