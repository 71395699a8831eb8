#include <gtest/gtest.h>

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "support/shots.h"
#include "widgets/rotated_label.h"

namespace {

// Treats "Fixedsys" as a bitmap font; every font installed here is scalable.
class BitmapAwareLabel : public TRotatedLabel {
 protected:
  bool isOutlineFont(const QFont& font) const override {
    return font.family() != QStringLiteral("Fixedsys") && TRotatedLabel::isOutlineFont(font);
  }
};

// The clock of the draw window.
void MakeClock(TRotatedLabel& label) {
  label.setGeometry(148, 225, 27, 157);
  label.setAutoSize(false);
  label.setTransparent(true);
  label.setAngle(90);
  label.setRotation(TRotatedLabel::roFlat);
  QFont font(QStringLiteral("Verdana"));
  font.setBold(true);
  font.setPixelSize(16);
  label.setFont(font);
  label.setFontColor(QColor(192, 192, 192));
}

// The label drawn alone over black, and the bounds of what it inked.
QRect Ink(TRotatedLabel& label, QImage* shown = nullptr) {
  QImage image(label.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  QRect ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(0, 0, 0)) ink |= QRect(x, y, 1, 1);
  if (shown) *shown = image;
  return ink;
}

}  // namespace

TEST(RotatedLabelTest, AngleIsKeptFromZeroTo359AndRotationResetsIt) {
  TRotatedLabel label;
  for (auto [given, stored] : {std::pair{-90, 270}, {450, 90}, {360, 0}, {-1, 359}, {-450, 270}}) {
    label.setAngle(given);
    EXPECT_EQ(label.angle(), stored) << given;
  }
  TRotatedLabel fresh;
  fresh.setAngle(90);
  EXPECT_EQ(fresh.rotation(), TRotatedLabel::roFlat) << "a turn makes flat rotation";
  fresh.setRotation(TRotatedLabel::roFlat);  // the stored design's order: the angle survives
  EXPECT_EQ(fresh.angle(), 90);
  fresh.setRotation(TRotatedLabel::roCurve);
  EXPECT_EQ(fresh.angle(), 90);
  fresh.setRotation(TRotatedLabel::roFlat);
  EXPECT_EQ(fresh.angle(), 0);
  fresh.setAngle(45);
  fresh.setRotation(TRotatedLabel::roNone);
  EXPECT_EQ(fresh.angle(), 0);
}

TEST(RotatedLabelTest, OnlyOutlineFontsTurn) {
  BitmapAwareLabel label;
  label.setFont(QFont(QStringLiteral("Fixedsys")));
  label.setAngle(90);
  EXPECT_EQ(label.font().family(), QStringLiteral("Verdana")) << "turning picks an outline font";
  EXPECT_EQ(label.angle(), 90);
  label.setFont(QFont(QStringLiteral("Fixedsys")));
  EXPECT_EQ(label.angle(), 0) << "a bitmap font cannot stay turned";

  BitmapAwareLabel curved;
  curved.setFont(QFont(QStringLiteral("Fixedsys")));
  curved.setRotation(TRotatedLabel::roCurve);
  EXPECT_EQ(curved.font().family(), QStringLiteral("Verdana"));

  TRotatedLabel clock;
  MakeClock(clock);
  EXPECT_EQ(clock.angle(), 90) << "Verdana, or what stands in for it, is scalable here";
}

TEST(RotatedLabelTest, PlacementFollowsAngleAndAlignment) {
  const QRect tall(0, 0, 27, 157), wide(0, 0, 157, 27);
  const TRotatedLabel::TextExtent text{100, 19, 15};  // q = 19 / 4 = 4.75, rounded 5
  auto at = [&](const QRect& box, int angle, Qt::Alignment alignment) {
    return TRotatedLabel::textOriginFor(box, angle, alignment, text);
  };
  EXPECT_EQ(at(tall, 90, Qt::AlignLeft), QPoint(18, 157));
  EXPECT_EQ(at(tall, 90, Qt::AlignHCenter), QPoint(18, 129));
  EXPECT_EQ(at(tall, 90, Qt::AlignRight), QPoint(18, 100));
  EXPECT_EQ(at(tall, 270, Qt::AlignLeft), QPoint(8, 0));
  EXPECT_EQ(at(tall, 270, Qt::AlignHCenter), QPoint(8, 28));
  EXPECT_EQ(at(tall, 270, Qt::AlignRight), QPoint(8, 57));
  EXPECT_EQ(at(wide, 0, Qt::AlignLeft), QPoint(0, 13 - 9 + 15)) << "top of the text at centre - h div 2";
  EXPECT_EQ(at(wide, 0, Qt::AlignHCenter), QPoint(28, 19));
  EXPECT_EQ(at(wide, 0, Qt::AlignRight), QPoint(57, 19));
  EXPECT_EQ(at(wide, 180, Qt::AlignLeft), QPoint(157, 9));
  EXPECT_EQ(at(wide, 180, Qt::AlignHCenter), QPoint(129, 9));
  EXPECT_EQ(at(wide, 180, Qt::AlignRight), QPoint(100, 9));
  // 45 degrees: from the centre (78, 78) 4.75 * 0.707 -> 3 across the baseline, 50 * 0.707 -> 35 back along
  // it.
  EXPECT_EQ(at(QRect(0, 0, 157, 157), 45, Qt::AlignLeft), QPoint(78 + 3 - 35, 78 + 3 + 35));
  // Halves go to the even neighbour: 18 / 4 = 4.5 gives 4, 22 / 4 = 5.5 gives 6.
  EXPECT_EQ(TRotatedLabel::textOriginFor(tall, 90, Qt::AlignLeft, {100, 18, 14}).x(), 17);
  EXPECT_EQ(TRotatedLabel::textOriginFor(tall, 90, Qt::AlignLeft, {100, 22, 17}).x(), 19);
}

TEST(RotatedLabelTest, ClockReadsUpwardFromTheBottomEdgeCentredAcross) {
  QImage picture(220, 220, QImage::Format_RGB32);
  QPainter painter(&picture);
  QLinearGradient gradient(0, 0, 220, 220);
  gradient.setColorAt(0, QColor(20, 20, 30));
  gradient.setColorAt(1, QColor(60, 80, 120));
  painter.fillRect(picture.rect(), gradient);
  for (int y = 0; y < 220; y += 12) painter.fillRect(0, y, 220, 4, QColor(90, 40, 40));
  painter.end();
  QWidget screen;
  screen.resize(picture.size());
  TRotatedLabel clock(&screen);
  MakeClock(clock);
  clock.move(96, 30);
  clock.setCaption(QDateTime(QDate(2026, 12, 6), QTime(9, 5)).toString(QStringLiteral("yy-MM-dd  hh:mm")));
  QImage shown = picture;
  screen.render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_TRUE(ld::test::keepShot(shown, QStringLiteral("rotated_clock.png")));
  EXPECT_EQ(shown.copy(0, 0, 96, 220), picture.copy(0, 0, 96, 220)) << "transparent: nothing but glyphs";

  EXPECT_EQ(clock.textOrigin().y(), 157);
  const QRect ink = Ink(clock);
  EXPECT_GE(ink.bottom(), 150) << "starts at the bottom edge";
  EXPECT_NEAR(ink.top(), 157 - QFontMetrics(clock.font()).horizontalAdvance(clock.caption()), 4);
  EXPECT_NEAR((ink.left() + ink.right()) / 2.0, 13.5, 3.5) << "roughly centred across";

  // More text reaches higher from the same bottom: the caption runs upward.
  clock.setCaption(QStringLiteral("W"));
  const QRect one = Ink(clock);
  clock.setCaption(QStringLiteral("WWW"));
  const QRect three = Ink(clock);
  EXPECT_NEAR(one.bottom(), three.bottom(), 1);
  EXPECT_LT(three.top(), one.top() - 20);

  // The top of a "T" faces left: its bar becomes the leftmost, fullest column.
  clock.setCaption(QStringLiteral("T"));
  QImage t_image;
  const QRect t = Ink(clock, &t_image);
  auto column = [&](int x) {
    int count = 0;
    for (int y = t.top(); y <= t.bottom(); ++y) count += t_image.pixel(x, y) != qRgb(0, 0, 0);
    return count;
  };
  EXPECT_GT(column(t.left() + 1), 2 * column(t.right() - 1));
}

TEST(RotatedLabelTest, DrawsOneClippedLineOnlyInsideItsBox) {
  QWidget parent;
  parent.resize(120, 220);
  parent.setAutoFillBackground(true);
  parent.setPalette(QPalette(QColor(0, 0, 128)));
  TRotatedLabel clock(&parent);
  MakeClock(clock);
  clock.move(40, 30);
  clock.setCaption(QStringLiteral("26-12-06  09:05  26-12-06  09:05"));
  const QImage shown = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
  int topInk = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const bool inked = shown.pixel(x, y) != qRgb(0, 0, 128);
      ASSERT_TRUE(!inked || clock.geometry().contains(x, y)) << x << "," << y;
      topInk += inked && y == clock.y();
    }
  }
  EXPECT_GT(topInk, 0) << "a long caption is cut off at the top edge";

  clock.setCaption(QString());
  clock.setTransparent(false);
  clock.setPalette(QPalette(QColor(1, 2, 3)));
  EXPECT_EQ(Ink(clock), clock.rect()) << "an opaque label fills its box";

  TRotatedLabel broken, spaced;
  MakeClock(broken);
  MakeClock(spaced);
  broken.setCaption(QStringLiteral("12\r\n34\r5"));
  spaced.setCaption(QStringLiteral("12 34 5"));
  QImage first, second;
  Ink(broken, &first);
  Ink(spaced, &second);
  EXPECT_EQ(first, second) << "line breaks are drawn as spaces on the one line";
}
