// The draw window's shell: layout and shape, placement, clock, power key, settings windows and start-up
// with optional and missing pictures.
#include <gtest/gtest.h>

#include <QPointer>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "draw/window_shape.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "transfer/import_dialog.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"
#include "widgets/rotated_label.h"

using namespace ld::test;

namespace {

TEST(DrawWindow, TilesRingTheDrawPanelBeneathTheWinnerPhoto) {
  DrawFixture f;
  TVELTRAXForm& w = f.window();
  const QRect ring[9] = {{12, 33, 416, 312},  {166, 0, 104, 78},   {251, 81, 104, 78},
                         {294, 163, 104, 78}, {251, 245, 104, 78}, {166, 327, 104, 78},
                         {78, 245, 104, 78},  {16, 163, 104, 78},  {78, 80, 104, 78}};
  for (int k = 0; k <= 8; ++k) {
    EXPECT_EQ(w.Panelzp[k]->geometry(), ring[k]) << k;
    EXPECT_EQ(w.Image[k]->geometry(), k ? QRect(2, 2, 100, 74) : QRect(6, 6, 404, 300)) << k;
  }
  QStringList order;
  for (QObject* o : w.Panelcj->children()) order << o->objectName();
  EXPECT_EQ(order,
            QStringList({"GlowLabel2", "GlowLabelcj0", "GlowLabelzj", "Panelzp1", "Panelzp8", "Panelzp6",
                         "Panelzp5", "Panelzp4", "Panelzp2", "Panelzp7", "Panelzp3", "Panelzp0"}));
  EXPECT_EQ(w.Panelcj->geometry(), QRect(176, 40, 630, 410));
  EXPECT_EQ(w.GIFAnimatorlogo->geometry(), QRect(809, 209, 59, 60));
  EXPECT_EQ(w.GIFgj->geometry(), QRect(904, 196, 89, 89));
  EXPECT_EQ(w.Labelrqsj->angle(), 90);
  EXPECT_EQ(w.Labelrqsj->rotation(), TRotatedLabel::roFlat);
  EXPECT_TRUE(f.app.dialogs().shown.empty());
}

TEST(DrawWindow, NavyIsCutAwayAndPhotoPanelsHaveRoundedCorners) {
  QImage picture(4, 2, QImage::Format_RGB32);
  picture.fill(QColor(0, 0, 128));
  picture.setPixelColor(1, 0, QColor(0, 0, 129));
  picture.setPixelColor(3, 1, Qt::white);
  EXPECT_EQ(ld::regionOutsideKey(picture, QColor(0, 0, 128)), QRegion(1, 0, 1, 1) + QRegion(3, 1, 1, 1));

  DrawFixture f;
  const QRegion shape = f.window().mask();
  EXPECT_TRUE(shape.contains(QPoint(500, 250))) << "the handset's screen";
  EXPECT_FALSE(shape.contains(QPoint(500, 500))) << "below the handset";
  EXPECT_FALSE(shape.contains(QPoint(1, 1))) << "beside its rounded corner";
  const QRegion photo = f.window().Panelzp[0]->mask();
  EXPECT_TRUE(photo.contains(QPoint(10, 0)) && photo.contains(QPoint(208, 156)));
  EXPECT_FALSE(photo.contains(QPoint(0, 0)) || photo.contains(QPoint(415, 311)));
  EXPECT_FALSE(f.window().Panelzp[3]->mask().contains(QPoint(0, 0)));
}

TEST(DrawWindow, IsCentredOnTheWholeScreenTruncatingTowardZero) {
  EXPECT_EQ(ld::centredTopLeft(QRect(0, 0, 1280, 1024), QSize(1015, 506)), QPoint(132, 259));
  EXPECT_EQ(ld::centredTopLeft(QRect(0, 0, 800, 479), QSize(1015, 506)), QPoint(-107, -13));
  DrawFixture f;
  EXPECT_EQ(f.window().pos(), ld::centredTopLeft(QGuiApplication::primaryScreen()->geometry(), {1015, 506}));
}

TEST(DrawWindow, ClockShowsTwoDigitDateAndTimeWithTwoSpaces) {
  EXPECT_EQ(TVELTRAXForm::clockText(QDateTime(QDate(2026, 12, 6), QTime(9, 5))), "26-12-06  09:05");
  EXPECT_EQ(TVELTRAXForm::clockText(QDateTime(QDate(2031, 1, 31), QTime(23, 59))), "31-01-31  23:59");
  DrawFixture f;
  const QDateTime now = QDateTime::currentDateTime();
  const QString shown = f.window().Labelrqsj->caption();
  EXPECT_TRUE(shown == TVELTRAXForm::clockText(now) || shown == TVELTRAXForm::clockText(now.addSecs(-60)));
}

class PowerKey : public ::testing::Test {
 protected:
  TVELTRAXForm& w() { return f.window(); }
  DrawFixture f;
};

TEST_F(PowerKey, AHoldOfTwoSecondsAsksToSwitchOff) {
  press(w().GIFgj);
  release(w().GIFgj);
  EXPECT_FALSE(w().Timergj.isActive());

  QElapsedTimer held;
  held.start();
  press(w().GIFgj, Qt::RightButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w().Panelgj->isVisible(); }, 5000));
  EXPECT_GE(held.elapsed(), 2000) << "asked before two seconds of holding";
  EXPECT_FALSE(w().Panelcj->isVisible());
  EXPECT_EQ(w().focusWidget(), w().Panelgj);
  EXPECT_TRUE(w().Timergj.isActive()) << "fires again while held";
  release(w().GIFgj, Qt::RightButton);
  EXPECT_FALSE(w().Timergj.isActive());
  EXPECT_TRUE(w().Panelgj->isVisible()) << "stays until answered";
}

TEST_F(PowerKey, CancelKeepsTheDrawRollingEscapeCancelsAndOkEndsTheProgram) {
  f.app.addParticipant("甲", "部门");
  click(w().GIFAnimatorlogo);
  w().TimergjTimer();
  click(w().Buttonqx);
  EXPECT_TRUE(w().Panelcj->isVisible() && !w().Panelgj->isVisible());
  EXPECT_EQ(w().drawState(), TVELTRAXForm::DrawState::Rolling);

  w().TimergjTimer();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(w().Panelgj, &escape);
  EXPECT_TRUE(w().Panelcj->isVisible() && w().isVisible());

  int closed = 0;
  QObject::connect(&w(), &TVELTRAXForm::closed, [&] { ++closed; });
  w().TimergjTimer();
  click(w().Buttonqd);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(w().isVisible());
}

TEST_F(PowerKey, EachDoubleClickOpensAFurtherSettingsWindowAndClosingOneFreesIt) {
  auto windows = [] {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) n += qobject_cast<TsettingForm*>(top) != nullptr;
    return n;
  };
  doubleClick(w().GIFgj);
  doubleClick(w().GIFgj);
  const auto& open = f.program().settingsWindows();
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(windows(), 2);
  EXPECT_NE(open[0].get(), open[1].get());
  EXPECT_TRUE(open[1]->isVisible() && !open[1]->isModal());
  EXPECT_FALSE(w().Timergj.isActive()) << "a double-click never holds the key";

  QPointer<TsettingForm> first(open[0].get());
  first->close();
  QCoreApplication::processEvents();
  EXPECT_TRUE(first.isNull()) << "a closed settings window gives its memory back";
  EXPECT_EQ(windows(), 1);
}

// The settings window's spreadsheet buttons, answered by the program: an import shows in the grid at once,
// the exports write the winners and the roster.
TEST_F(PowerKey, SettingsWindowImportsARosterAndExportsTheWinners) {
  f.app.setPlan(1, 1, 1, 1, 2);
  f.app.addParticipant("甲", "销售");
  doubleClick(w().GIFgj);
  TsettingForm& settings = *f.program().settingsWindows().back();
  const QString csv = f.app.path("roster.csv");
  writeFile(csv, QByteArray("部门,姓名\n研发,乙\n研发,丙\n"));
  f.app.dialogs().fileAnswers = {csv};
  f.app.dialogs().confirmAnswers = {true, true};
  // The preview takes the import once its photos are ready, as the operator's click on 导入 does.
  QTimer::singleShot(0, [] {
    auto* preview = qobject_cast<ld::ImportPreviewDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview->importButton()->isEnabled(); }));
    preview->importButton()->click();
  });
  settings.Buttondrmd->click();
  EXPECT_EQ(f.app.count("select id from yglb"), 3);
  EXPECT_EQ(settings.StringGridgy->rowCount(), 3) << "the grid shows the imported rows";

  click(w().GIFAnimatorlogo);
  click(w().GIFAnimatorlogo);
  const QString out = f.app.path("winners.csv");
  f.app.dialogs().fileAnswers = {out};
  settings.Buttondczj->click();
  const QString written = QString::fromUtf8(readFile(out));
  const QString winner = f.app.rows("select xm from yglb where zj<>0").value(0);
  EXPECT_TRUE(written.contains(QStringLiteral("幸运奖")) && written.contains(winner))
      << written.toStdString();
  const QString roster = f.app.path("roster-out.csv");
  f.app.dialogs().fileAnswers = {roster};
  settings.Buttondcmd->click();
  const QString listed = QString::fromUtf8(readFile(roster));
  EXPECT_TRUE(listed.contains(QStringLiteral("研发,乙")) && listed.contains(QStringLiteral("销售,甲")))
      << listed.toStdString();
}

TEST(DrawWindowStart, LogoGifReplacesTheDrawIconAndTheOutlineFollows) {
  DrawFixture f;
  writeGif(f.app.path("system/logo.gif"), {120, 290}, Qt::red, Qt::red);  // reaches below the handset
  TVELTRAXForm& w = f.window();
  EXPECT_EQ(w.GIFAnimatorlogo->geometry(), QRect(809, 209, 120, 290));
  EXPECT_TRUE(similar(w.GIFAnimatorlogo->composedFrame().pixelColor(60, 145), Qt::red));
  EXPECT_TRUE(w.mask().contains(QPoint(830, 495)));
  EXPECT_FALSE(w.mask().contains(QPoint(700, 495)));
}

TEST(DrawWindowStart, ADamagedLogoGifIsReportedAndTheBuiltInIconStays) {
  DrawFixture f;
  writeFile(f.app.path("system/logo.gif"), "GIF89a broken");
  TVELTRAXForm& w = f.window();
  EXPECT_EQ(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1);
  EXPECT_EQ(w.GIFAnimatorlogo->size(), QSize(59, 60));
  EXPECT_FALSE(w.GIFAnimatorlogo->composedFrame().isNull());
  EXPECT_EQ(w.GlowLabelzj->caption(), QStringLiteral("幸运奖5位\r")) << "the rest of start-up ran";
}

// A missing or damaged placeholder is reported once, naming the file, and start-up goes on to the end.
TEST(DrawWindowStart, ABadPlaceholderIsReportedByNameAndStartUpGoesOn) {
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "missing");
    DrawFixture f(/*withLogo=*/false);
    if (damaged) writeFile(f.app.path("system/logo.jpg"), solidJpeg(64, 48, Qt::gray).left(200));
    TVELTRAXForm& w = f.window();
    const QStringList errors = f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("logo.jpg"))) << errors[0].toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Labelrqsj->caption().isEmpty());
    for (int k = 1; k <= 8; ++k) EXPECT_FALSE(w.Image[k]->hasPicture()) << k;
    for (int k = 0; k <= 8; ++k) EXPECT_FALSE(w.Panelzp[k]->mask().isEmpty()) << "tile " << k << " shaped";
    EXPECT_EQ(w.GlowLabelzj->caption(), QStringLiteral("幸运奖5位\r")) << "the board heading is there";
    EXPECT_FALSE(w.mask().isEmpty());
  }
}

}  // namespace
