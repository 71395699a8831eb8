#include "widgets/gif_animator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <vector>

#include "widgets/gif_image.h"

namespace {

// The test pictures' global table: 8 colours, so frames use a 3-bit code size.
enum Colour : std::uint8_t { kBlack, kRed, kGreen, kBlue, kWhite, kYellow, kMagenta, kCyan };
const QRgb kTable[8] = {qRgb(0, 0, 0),       qRgb(255, 0, 0),   qRgb(0, 200, 0),   qRgb(0, 0, 255),
                        qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(255, 0, 255), qRgb(0, 255, 255)};
const QRgb kWindow = qRgb(10, 20, 30);  // the control's window colour in these tests
const QRgb kUnder = qRgb(200, 0, 0);    // the sibling beneath a control

struct GifFrame {
  QRect rect;
  std::vector<std::uint8_t> pixels;  // colour indices, row by row; empty means all `fill`
  std::uint8_t fill = kBlack;
  int disposal = 1;
  int delayCs = 0;
  int transparent = -1;
};

void put16(QByteArray& out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}

// An LZW stream that never compresses: a clear code before the table would widen the codes.
QByteArray uncompressedLzw(const std::vector<std::uint8_t>& pixels, int codeSize) {
  const int clear = 1 << codeSize, width = codeSize + 1, maxRun = (1 << codeSize) - 2;
  QByteArray bytes;
  std::uint32_t acc = 0;
  int bits = 0;
  auto emitCode = [&](int code) {
    acc |= std::uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.append(char(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  emitCode(clear);
  int run = 0;
  for (std::uint8_t p : pixels) {
    if (run == maxRun) {
      emitCode(clear);
      run = 0;
    }
    emitCode(p);
    ++run;
  }
  emitCode(clear + 1);
  if (bits > 0) bytes.append(char(acc & 0xFF));
  QByteArray out;
  out.append(char(codeSize));
  for (qsizetype i = 0; i < bytes.size(); i += 255) {
    const QByteArray block = bytes.mid(i, 255);
    out.append(char(block.size()));
    out.append(block);
  }
  out.append('\0');
  return out;
}

QByteArray makeGif(QSize screen, const std::vector<GifFrame>& frames, int background = kBlack) {
  QByteArray out("GIF89a");
  put16(out, screen.width());
  put16(out, screen.height());
  out.append(char(0x80 | 0x70 | 2));  // global table of 8 entries
  out.append(char(background));
  out.append('\0');
  for (QRgb c : kTable) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
  }
  for (const GifFrame& f : frames) {
    out.append("\x21\xF9\x04", 3);
    out.append(char((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
    put16(out, f.delayCs);
    out.append(char(f.transparent >= 0 ? f.transparent : 0));
    out.append('\0');
    out.append(',');
    put16(out, f.rect.left());
    put16(out, f.rect.top());
    put16(out, f.rect.width());
    put16(out, f.rect.height());
    out.append('\0');
    std::vector<std::uint8_t> pixels = f.pixels;
    if (pixels.empty()) pixels.assign(size_t(f.rect.width() * f.rect.height()), f.fill);
    out.append(uncompressedLzw(pixels, 3));
  }
  out.append(';');
  return out;
}

QImage solid(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QImage paintRect(QImage image, QRect r, QRgb colour) {
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) image.setPixel(x, y, colour);
  return image;
}

// Empty when equal, else the first differing pixel, so a failure says where.
std::string difference(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return "size differs";
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb a = actual.pixel(x, y) | 0xFF000000u, e = expected.pixel(x, y) | 0xFF000000u;
      if (a != e)
        return QString("(%1,%2): %3 instead of %4").arg(x).arg(y).arg(a, 8, 16).arg(e, 8, 16).toStdString();
    }
  return {};
}

// A shown parent with a red sibling under the control, as the handset lies under the icons.
struct Scene {
  QWidget parent;
  QWidget* under;
  TGIFAnimator* animator;
  explicit Scene(QSize size = {40, 30}) {
    parent.resize(size);
    under = new QWidget(&parent);
    under->setGeometry(parent.rect());
    under->setAutoFillBackground(true);
    QPalette p = under->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(kUnder));
    under->setPalette(p);
    animator = new TGIFAnimator(&parent);
    QPalette ap = animator->palette();
    ap.setColor(QPalette::Window, QColor::fromRgb(kWindow));
    animator->setPalette(ap);
    parent.show();
  }
  QImage grab() { return parent.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// disposal 1 backdrop, a restore-to-background patch, a restore-to-previous dot, then a kept dot.
std::vector<GifFrame> disposalSequence() {
  return {{QRect(0, 0, 4, 4), {}, kYellow, 1},
          {QRect(1, 1, 2, 2), {}, kGreen, 2},
          {QRect(0, 0, 1, 1), {}, kBlue, 3},
          {QRect(3, 3, 1, 1), {}, kRed, 1}};
}

std::vector<QImage> disposalSequenceExpected() {
  const QImage f0 = solid({4, 4}, kTable[kYellow]);
  const QImage f1 = paintRect(f0, QRect(1, 1, 2, 2), kTable[kGreen]);
  const QImage restored = paintRect(f0, QRect(1, 1, 2, 2), kWindow);
  const QImage f2 = paintRect(restored, QRect(0, 0, 1, 1), kTable[kBlue]);
  const QImage f3 = paintRect(restored, QRect(3, 3, 1, 1), kTable[kRed]);
  return {f0, f1, f2, f3};
}

TEST(GifAnimatorCompose, DisposalSequenceIsTheSameStepByStepAndByJumps) {
  Scene scene;
  TGIFAnimator& a = *scene.animator;
  a.image().loadFromData(makeGif({4, 4}, disposalSequence()));
  const std::vector<QImage> expected = disposalSequenceExpected();

  for (int step = 0; step < 4; ++step) {
    EXPECT_EQ(a.frameIndex(), step);
    EXPECT_EQ(difference(a.composedFrame(), expected[size_t(step)]), "") << "tick to frame " << step;
    a.tick();
  }
  EXPECT_EQ(a.frameIndex(), 0);
  EXPECT_EQ(difference(a.composedFrame(), expected[0]), "") << "wrap to 0";

  for (int index : {3, 1, 2, 0, 2, 3}) {
    a.setFrameIndex(index);
    EXPECT_EQ(difference(a.composedFrame(), expected[size_t(index)]), "") << "jump to frame " << index;
  }
}

// Frame n composed after a jump from frame 0 and after stepping from frame n - 1 must agree.
void expectByJumpAndStep(TGIFAnimator& a, int n, const QImage& expected) {
  a.setFrameIndex(0);
  a.setFrameIndex(n);
  EXPECT_EQ(difference(a.composedFrame(), expected), "") << "jump to " << n;
  a.setFrameIndex(n - 1);
  a.composedFrame();
  a.tick();
  EXPECT_EQ(difference(a.composedFrame(), expected), "") << "step to " << n;
}

TEST(GifAnimatorCompose, RestorePreviousAndUndefinedDisposals) {
  Scene scene;
  TGIFAnimator& a = *scene.animator;
  // An opaque full-screen frame that restores to previous must not become the replay's start.
  a.image().loadFromData(makeGif({3, 3}, {{QRect(0, 0, 3, 3), {}, kRed, 1},
                                          {QRect(0, 0, 3, 3), {}, kBlue, 3},
                                          {QRect(2, 2, 1, 1), {}, kGreen, 1}}));
  expectByJumpAndStep(a, 2, paintRect(solid({3, 3}, kTable[kRed]), QRect(2, 2, 1, 1), kTable[kGreen]));

  // Disposal 5 is undefined: it leaves the frame, whichever way frame 2 is reached.
  a.image().loadFromData(makeGif({2, 1}, {{QRect(0, 0, 2, 1), {}, kRed, 1},
                                          {QRect(0, 0, 1, 1), {}, kGreen, 5},
                                          {QRect(1, 0, 1, 1), {}, kBlue, 1}}));
  expectByJumpAndStep(a, 2, paintRect(solid({2, 1}, kTable[kGreen]), QRect(1, 0, 1, 1), kTable[kBlue]));
}

TEST(GifAnimatorCompose, FillIsTheKeyTheBackgroundOrTheWindowColour) {
  // Frame 0 has a transparent colour: it is the fill, and its pixels are keyed out.
  {
    Scene scene;
    TGIFAnimator& a = *scene.animator;
    a.image().loadFromData(makeGif(
        {2, 2}, {{QRect(0, 0, 2, 1), {kCyan, kBlue}, kBlack, 1, 0, kCyan}, {QRect(0, 1, 1, 1), {}, kRed, 2}},
        kMagenta));
    a.setFrameIndex(1);
    const QImage f1 = paintRect(paintRect(solid({2, 2}, kTable[kCyan]), QRect(1, 0, 1, 1), kTable[kBlue]),
                                QRect(0, 1, 1, 1), kTable[kRed]);
    EXPECT_EQ(difference(a.composedFrame(), f1), "");
  }
  // Only a later frame is transparent: the image's background colour fills, and a restore shows it.
  const QByteArray laterKey = makeGif(
      {2, 1}, {{QRect(0, 0, 1, 1), {}, kRed, 2}, {QRect(0, 0, 2, 1), {kCyan, kGreen}, kBlack, 1, 0, kCyan}},
      kMagenta);
  {
    Scene scene;
    TGIFAnimator& a = *scene.animator;
    a.image().loadFromData(laterKey);
    EXPECT_EQ(difference(a.composedFrame(),
                         paintRect(solid({2, 1}, kTable[kMagenta]), QRect(0, 0, 1, 1), kTable[kRed])),
              "");
    a.tick();
    EXPECT_EQ(difference(a.composedFrame(),
                         paintRect(solid({2, 1}, kTable[kMagenta]), QRect(1, 0, 1, 1), kTable[kGreen])),
              "");
  }
  // The same picture not marked transparent falls back to the window colour.
  {
    Scene scene;
    TGIFAnimator& a = *scene.animator;
    a.image().setTransparentFlag(false);
    a.image().loadFromData(laterKey);
    a.setFrameIndex(1);
    EXPECT_EQ(
        difference(a.composedFrame(), paintRect(solid({2, 1}, kWindow), QRect(1, 0, 1, 1), kTable[kGreen])),
        "");
  }
}

TEST(GifAnimatorPaint, KeyColourShowsTheSiblingBelow) {
  Scene scene({6, 4});
  TGIFAnimator& a = *scene.animator;
  // Column 0 key, column 1 blue, column 2 white (the key of the handset, not of this picture).
  a.image().loadFromData(makeGif(
      {3, 2}, {{QRect(0, 0, 3, 2), {kCyan, kBlue, kWhite, kCyan, kBlue, kWhite}, kBlack, 1, 0, kCyan}}));
  QImage shot = scene.grab();
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(shot.pixel(0, y), kUnder);
    EXPECT_EQ(shot.pixel(1, y), kTable[kBlue]);
    EXPECT_EQ(shot.pixel(2, y), kTable[kWhite]);
  }
  EXPECT_EQ(shot.pixel(4, 3), kUnder) << "outside the picture nothing is drawn";

  a.setTransparent(false);
  shot = scene.grab();
  EXPECT_EQ(shot.pixel(0, 0), kTable[kCyan]);
  EXPECT_EQ(shot.pixel(1, 0), kTable[kBlue]);

  // Stretched, the keyed columns stay keyed at the new size.
  a.setTransparent(true);
  a.setAutoSize(false);
  a.setStretch(true);
  a.setGeometry(0, 0, 6, 4);
  shot = scene.grab();
  const QRgb columns[3] = {kUnder, kTable[kBlue], kTable[kWhite]};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(shot.pixel(x, y), columns[x / 2]) << x << "," << y;
}

TEST(GifAnimatorPaint, StretchCentreAndNaturalPlacement) {
  Scene scene({20, 10});
  TGIFAnimator& a = *scene.animator;
  a.setAutoSize(false);
  a.setGeometry(0, 0, 20, 10);
  EXPECT_EQ(difference(scene.grab(), solid({20, 10}, kUnder)), "") << "an empty control draws nothing";

  a.image().loadFromData(makeGif({4, 2}, {{QRect(0, 0, 4, 2), {}, kBlue, 1}}));
  const QImage under = solid({20, 10}, kUnder);
  EXPECT_EQ(difference(scene.grab(), paintRect(under, QRect(0, 0, 4, 2), kTable[kBlue])), "") << "natural";
  a.setCenter(true);
  EXPECT_EQ(difference(scene.grab(), paintRect(under, QRect(8, 4, 4, 2), kTable[kBlue])), "") << "centre";
  a.setStretch(true);
  EXPECT_EQ(difference(scene.grab(), solid({20, 10}, kTable[kBlue])), "") << "stretch wins over centre";

  // A picture larger than the control: halves truncate toward zero, so (3 - 6) / 2 is -1, not -2.
  a.setStretch(false);
  a.setGeometry(0, 0, 3, 3);
  std::vector<std::uint8_t> columns;
  for (int i = 0; i < 24; ++i) columns.push_back(std::uint8_t(i % 6));  // column x has colour x
  a.image().loadFromData(makeGif({6, 4}, {{QRect(0, 0, 6, 4), columns}}));
  const QImage shot = scene.grab();
  EXPECT_EQ(shot.pixel(0, 0), kTable[kRed]);
  EXPECT_EQ(shot.pixel(2, 2), kTable[kBlue]);
}

TEST(GifAnimatorSize, LoadsTakeTheLogicalScreenAndKeepTheTopLeft) {
  Scene scene({200, 200});
  TGIFAnimator& a = *scene.animator;
  EXPECT_EQ(a.size(), QSize(105, 105));
  a.move(7, 9);
  int changes = 0;
  QObject::connect(&a, &TGIFAnimator::OnChange, [&] { ++changes; });

  QTemporaryDir dir;
  const QString path = dir.filePath("logo.gif");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(makeGif({30, 20}, {{QRect(0, 0, 30, 20), {}, kBlue, 1}, {QRect(0, 0, 2, 2), {}, kRed, 1}}));
  }
  a.loadFromFile(path);
  EXPECT_EQ(a.geometry(), QRect(7, 9, 30, 20));
  EXPECT_EQ(changes, 1);

  a.setFrameIndex(1);
  QByteArray form;
  const QByteArray gif = makeGif({12, 11}, {{QRect(0, 0, 12, 11), {}, kGreen, 1}});
  put16(form, int(gif.size()));
  put16(form, 0);
  form.append(gif);
  a.loadFromFormData(form);
  EXPECT_EQ(a.geometry(), QRect(7, 9, 12, 11));
  EXPECT_EQ(a.frameIndex(), 0) << "a load shows the image's current frame";
  EXPECT_EQ(changes, 2);

  TGIFImage other;
  other.loadFromData(makeGif({5, 6}, {{QRect(0, 0, 5, 6), {}, kRed, 1}}));
  a.setAutoSize(false);
  a.setImage(other);
  EXPECT_EQ(a.geometry(), QRect(7, 9, 12, 11)) << "without AutoSize the size stays";
  EXPECT_EQ(a.image().screenWidth(), 5);
  EXPECT_EQ(a.composedFrame().pixel(4, 5), kTable[kRed]);
  a.setAutoSize(true);
  EXPECT_EQ(a.geometry(), QRect(7, 9, 5, 6)) << "switching AutoSize on adjusts at once";
}

TEST(GifAnimatorSize, FailedLoadLeavesNoStalePicture) {
  Scene scene({10, 10});
  TGIFAnimator& a = *scene.animator;
  a.image().loadFromData(makeGif({3, 3}, {{QRect(0, 0, 3, 3), {}, kBlue, 1},
                                          {QRect(0, 0, 1, 1), {}, kRed, 1},
                                          {QRect(1, 1, 1, 1), {}, kRed, 1}}));
  a.setFrameIndex(1);
  EXPECT_FALSE(a.composedFrame().isNull());

  // One good frame, then an unknown extension label: the frame read so far stays, with no current index.
  QByteArray gif = makeGif({5, 5}, {{QRect(0, 0, 5, 5), {}, kGreen, 1}});
  gif.chop(1);
  gif.append("\x21\x77", 2);
  QByteArray form;
  put16(form, int(gif.size()));
  put16(form, 0);
  form.append(gif);
  EXPECT_THROW(a.loadFromFormData(form), EInvalidGraphicOperation);
  EXPECT_EQ(a.image().frameCount(), 1);
  EXPECT_EQ(a.frameIndex(), -1);
  EXPECT_TRUE(a.composedFrame().isNull());
  EXPECT_EQ(a.frameInterval(), 0);
  EXPECT_EQ(scene.grab().pixel(0, 0), kUnder);
}

TEST(GifAnimatorTiming, IntervalsAreClampedAndBadIndicesIgnored) {
  Scene scene;
  TGIFAnimator& a = *scene.animator;
  auto* timer = a.findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);

  a.image().loadFromData(makeGif({2, 2}, {{QRect(0, 0, 2, 2), {}, kBlue, 1, 5}}));
  a.setAnimate(true);
  EXPECT_EQ(a.frameInterval(), 0) << "single frame";
  EXPECT_FALSE(timer->isActive()) << "a single frame never ticks";
  a.setAnimate(false);

  a.image().loadFromData(makeGif({2, 2}, {{QRect(0, 0, 2, 2), {}, kBlue, 1, 0},
                                          {QRect(0, 0, 2, 2), {}, kRed, 1, 2},
                                          {QRect(0, 0, 2, 2), {}, kGreen, 1, 1200},
                                          {QRect(0, 0, 2, 2), {}, kWhite, 1, 7}}));
  int frameChanges = 0;
  QObject::connect(&a, &TGIFAnimator::OnFrameChanged, [&] { ++frameChanges; });
  const int expected[4] = {50, 50, 10000, 70};
  for (int i : {3, 2, 1, 0}) {
    a.setFrameIndex(i);
    EXPECT_EQ(a.frameInterval(), expected[i]) << "frame " << i;
  }
  EXPECT_EQ(frameChanges, 4);

  a.setFrameIndex(-1);
  a.setFrameIndex(4);
  a.setFrameIndex(0);
  EXPECT_EQ(a.frameIndex(), 0);
  EXPECT_EQ(frameChanges, 4) << "ignored and unchanged indices raise nothing";

  a.setAnimate(true);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 50);
  a.tick();
  a.tick();
  EXPECT_EQ(timer->interval(), 10000) << "the next frame's interval";
}

TEST(GifAnimatorTiming, LoopOffPlaysOnceAndStopsOnFrameZero) {
  Scene scene;
  auto* a = scene.animator;
  a->image().loadFromData(makeGif({2, 2}, {{QRect(0, 0, 2, 2), {}, kBlue, 1, 5},
                                           {QRect(0, 0, 2, 2), {}, kRed, 1, 5},
                                           {QRect(0, 0, 2, 2), {}, kGreen, 1, 5}}));
  int starts = 0, stops = 0;
  std::vector<int> shown;
  QObject::connect(a, &TGIFAnimator::OnStart, [&] { ++starts; });
  QObject::connect(a, &TGIFAnimator::OnStop, [&] { ++stops; });
  QObject::connect(a, &TGIFAnimator::OnFrameChanged, [&] { shown.push_back(a->frameIndex()); });

  a->setLoop(false);
  a->setAnimate(true);
  a->tick();
  a->tick();
  a->tick();
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 0}));
  EXPECT_FALSE(a->animate());
  EXPECT_FALSE(a->findChild<QTimer*>()->isActive());
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);

  a->setLoop(true);
  a->setAnimate(true);
  for (int i = 0; i < 4; ++i) a->tick();
  EXPECT_EQ(a->frameIndex(), 1);
  EXPECT_TRUE(a->animate()) << "looping runs on past frame 0";

  a->hide();
  a->tick();
  EXPECT_EQ(a->frameIndex(), 1) << "a hidden control does not step";
  a->show();

  // The timer drives the same steps.
  shown.clear();
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 2; }, 5000));
  EXPECT_EQ(shown, (std::vector<int>{2, 0}));

  delete a;  // tearing down a running animation raises nothing
  EXPECT_EQ(stops, 1);
}

TEST(GifAnimatorMouse, ButtonEvents) {
  Scene scene;
  TGIFAnimator& a = *scene.animator;
  a.setAutoSize(false);
  a.setGeometry(0, 0, 20, 20);
  std::vector<std::string> log;
  QObject::connect(&a, &TGIFAnimator::Click, [&] { log.push_back("click"); });
  QObject::connect(&a, &TGIFAnimator::DblClick, [&] { log.push_back("dblclick"); });
  QObject::connect(&a, &TGIFAnimator::MouseDown, [&](Qt::MouseButton b) {
    log.push_back(b == Qt::LeftButton ? "down-left" : "down-other");
  });
  QObject::connect(&a, &TGIFAnimator::MouseUp,
                   [&](Qt::MouseButton b) { log.push_back(b == Qt::LeftButton ? "up-left" : "up-other"); });
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), a.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&a, &event);
  };

  send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {6, 6}, Qt::LeftButton);
  EXPECT_EQ(log, (std::vector<std::string>{"down-left", "click", "up-left"}));

  log.clear();
  send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {25, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);
  send(QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton);
  EXPECT_EQ(log, (std::vector<std::string>{"down-left", "up-left", "down-other", "up-other"}))
      << "released outside, or another button: no click";

  log.clear();
  send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton);
  EXPECT_EQ(log,
            (std::vector<std::string>{"down-left", "click", "up-left", "dblclick", "down-left", "up-left"}));
}

}  // namespace
