// The fireworks window: a random picture over the whole primary screen, black see-through, three seconds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTest>

#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/window_shape.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/gif_writer.h"

using namespace ld::test;

namespace {

class Fireworks : public ::testing::Test {
 protected:
  void SetUp() override {
    writeGif(app.path("system/0.gif"), {40, 30}, Qt::green, Qt::black, 10);  // a green square on black
    form.pickNumber = [this] {
      ++picks;
      return number;
    };
  }
  void TearDown() override { deleteOtherTopLevels(&form); }
  QColor middle() {
    const QImage frame = form.GIFAnimator->composedFrame();
    return frame.pixelColor(frame.width() / 2, frame.height() / 2);
  }

  TempApp app;
  TFormyanhua form;
  int number = 7;
  int picks = 0;
};

TEST_F(Fireworks, CoversTheScreenWithTheDrawnPictureOrPictureZeroBlackCutAway) {
  form.celebrate();
  ASSERT_TRUE(form.isVisible());
  EXPECT_TRUE(similar(middle(), Qt::green)) << "7.gif is missing";
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form.geometry(), screen);
  // Stretched, not cropped: the square covers the middle of the screen, its black frame is see-through.
  const QRegion shape = form.mask();
  EXPECT_TRUE(shape.contains(screen.center()));
  EXPECT_TRUE(shape.contains(QPoint(screen.width() * 3 / 10, screen.height() * 6 / 10)));
  EXPECT_FALSE(shape.contains(QPoint(screen.width() / 10, screen.height() / 10)));
  EXPECT_FALSE(shape.contains(QPoint(screen.width() * 9 / 10, screen.height() * 9 / 10)));

  form.Timer1Timer();
  writeGif(app.path("system/7.gif"), {40, 30}, Qt::red, Qt::black, 10);
  form.celebrate();
  EXPECT_TRUE(similar(middle(), Qt::red));
  EXPECT_TRUE(app.dialogs().shown.empty());
}

TEST_F(Fireworks, HidesAfterThreeSecondsAndAShowWhileUpChangesNothing) {
  form.Timer1.stop();
  QElapsedTimer clock;
  clock.start();
  form.celebrate();
  writeGif(app.path("system/7.gif"), {40, 30}, Qt::red, Qt::black, 10);
  // Halfway through the three seconds, a second show; had it restarted the timer, the window would stay
  // until 4.5 s.
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock.elapsed() >= 1500; }, 5000));
  form.celebrate();
  EXPECT_EQ(picks, 1) << "no new picture";
  EXPECT_TRUE(similar(middle(), Qt::green));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
  const qint64 hidden = clock.elapsed();
  EXPECT_GE(hidden, 3000) << "hidden before its three seconds";
  EXPECT_LT(hidden, 4200) << "the timer was restarted by the second show";
  EXPECT_FALSE(form.Timer1.isActive());
  form.celebrate();
  EXPECT_EQ(picks, 2);
  EXPECT_TRUE(form.Timer1.isActive()) << "a fresh period";
}

TEST_F(Fireworks, WithNothingToShowItReportsAndStaysHidden) {
  writeGif(app.path("system/7.gif"), {40, 30}, Qt::black);
  form.celebrate();
  EXPECT_FALSE(form.isVisible()) << "an all-black picture would be no mask at all";

  QFile::remove(app.path("system/7.gif"));
  QFile::remove(app.path("system/0.gif"));
  const QImage before = form.GIFAnimator->composedFrame();
  form.celebrate();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1);
  EXPECT_EQ(form.GIFAnimator->composedFrame(), before);
}

TEST_F(Fireworks, PicksEachNumberedPictureWithEqualChance) {
  TFormyanhua fresh;
  std::array<int, 15> counts{};
  for (int i = 0; i < 14000; ++i) {
    const int n = fresh.pickNumber();
    ASSERT_TRUE(n >= 1 && n <= 14) << n;
    ++counts[static_cast<size_t>(n)];
  }
  for (int n = 1; n <= 14; ++n) EXPECT_NEAR(counts[static_cast<size_t>(n)], 1000, 150) << n;  // 5 sigma
}

// Single white sparks on black, each row shifted against the one above, so that no two rows merge into
// one band: far more rectangles than an X server takes for a window shape.
QImage sparks(QSize size, int leftColumns) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (int y = 0; y < size.height(); ++y)
    for (int x = y % 2; x < leftColumns; x += 3) image.setPixel(x, y, 0xffffffffu);
  return image;
}

TEST(WindowShape, AShapeTooFineForTheXServerIsCoarsenedWithoutCuttingAwayAnythingShown) {
  const QImage fine = sparks({1280, 1024}, 640);
  const QRegion exact = ld::regionOutsideKey(fine, Qt::black);
  ASSERT_GT(exact.rectCount(), 32765) << "not a picture that would vanish";
  const QRegion shape = ld::shapeOutsideKey(fine, Qt::black);
  EXPECT_LE(shape.rectCount(), ld::kMaxShapeRects);
  EXPECT_TRUE((exact - shape).isEmpty()) << "a spark was cut away";
  EXPECT_FALSE(shape.contains(QPoint(1000, 500))) << "the black right half stays see-through";

  QImage plain(4, 2, QImage::Format_RGB32);
  plain.fill(Qt::black);
  plain.setPixelColor(1, 0, Qt::white);
  plain.setPixelColor(3, 1, Qt::red);
  EXPECT_EQ(ld::shapeOutsideKey(plain, Qt::black), ld::regionOutsideKey(plain, Qt::black))
      << "exact when it fits";
  EXPECT_EQ(ld::shapeOutsideKey(plain, Qt::black, 1), QRegion(0, 0, 4, 2));
}

TEST_F(Fireworks, AFinelyDetailedPictureStillGetsAShapeTheXServerTakes) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  QFile file(app.path("system/0.gif"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(ld::encodeGif(sparks(screen, screen.width()), {}));
  file.close();
  form.celebrate();
  ASSERT_TRUE(form.isVisible());
  EXPECT_GT(form.shape().rectCount(), 0);
  EXPECT_LE(form.shape().rectCount(), ld::kMaxShapeRects);
  EXPECT_EQ(form.mask(), form.shape());
  EXPECT_TRUE(form.mask().contains(QPoint(3, 0)) && form.mask().contains(QPoint(1, 1)));
}

TEST(FireworksWindow, IsCreatedOnceAndFoundAgainByName) {
  DrawFixture f;
  writeGif(f.app.path("system/0.gif"), {40, 30}, Qt::green, Qt::black, 10);
  f.program().celebrate();
  TFormyanhua* first = fireworks();
  ASSERT_TRUE(first && first == f.program().fireworksWindow() && first->isVisible());
  first->Timer1Timer();
  first->setObjectName("FORMYANHUA");
  f.program().celebrate();
  EXPECT_EQ(fireworks(), first);
  EXPECT_TRUE(first->isVisible());
  int windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) windows += qobject_cast<TFormyanhua*>(w) != nullptr;
  EXPECT_EQ(windows, 1);
}

}  // namespace
