// Keys and presentation clickers: what each key does, one action per press, only where the draw is (never
// in the settings window or a text field); a bouncing clicker and an early stop still give a visible roll.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "data/datamodule.h"
#include "data/journal.h"
#include "draw/key_control.h"
#include "draw/lucky_draw.h"
#include "draw/sound.h"
#include "draw/veltrax_form.h"
#include "settings/roster_grid.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "widgets/gif_animator.h"

using namespace ld::test;
using ld::KeyAction;
using State = TVELTRAXForm::DrawState;

namespace {

TEST(KeyMap, ClickerKeysAndTheirActions) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    KeyAction action;
  };
  const Case cases[] = {
      {Qt::Key_Space, Qt::NoModifier, KeyAction::Draw},
      {Qt::Key_Return, Qt::NoModifier, KeyAction::Draw},
      {Qt::Key_Enter, Qt::KeypadModifier, KeyAction::Draw},
      {Qt::Key_PageDown, Qt::NoModifier, KeyAction::Draw},
      {Qt::Key_Right, Qt::NoModifier, KeyAction::Draw},
      {Qt::Key_Down, Qt::NoModifier, KeyAction::Draw},
      {Qt::Key_B, Qt::NoModifier, KeyAction::Blank},
      {Qt::Key_B, Qt::ShiftModifier, KeyAction::Blank},
      {Qt::Key_Period, Qt::NoModifier, KeyAction::Blank},
      {Qt::Key_F11, Qt::NoModifier, KeyAction::Presentation},
      {Qt::Key_F1, Qt::NoModifier, KeyAction::Help},
      {Qt::Key_Question, Qt::ShiftModifier, KeyAction::Help},
      {Qt::Key_Escape, Qt::NoModifier, KeyAction::Dismiss},
      {Qt::Key_Backspace, Qt::NoModifier, KeyAction::Cancel},
      {Qt::Key_Delete, Qt::NoModifier, KeyAction::Absent},
      {Qt::Key_R, Qt::NoModifier, KeyAction::Absent},
      {Qt::Key_M, Qt::NoModifier, KeyAction::Mute},
      {Qt::Key_S, Qt::NoModifier, KeyAction::NextScreen},
      {Qt::Key_F10, Qt::NoModifier, KeyAction::Stage},
      {Qt::Key_PageUp, Qt::NoModifier, KeyAction::TurnPage},
      {Qt::Key_F9, Qt::NoModifier, KeyAction::Panel},
      {Qt::Key_0, Qt::NoModifier, KeyAction::UsualOrder},
      {Qt::Key_1, Qt::NoModifier, KeyAction::Prize1},
      {Qt::Key_5, Qt::KeypadModifier, KeyAction::Prize5},
      {Qt::Key_9, Qt::NoModifier, KeyAction::Prize9},
      {Qt::Key_3, Qt::ControlModifier, KeyAction::None},
      // The window system's and the controls' own.
      {Qt::Key_F4, Qt::AltModifier, KeyAction::None},
      {Qt::Key_Space, Qt::ControlModifier, KeyAction::None},
      {Qt::Key_Tab, Qt::NoModifier, KeyAction::None},
      {Qt::Key_Home, Qt::NoModifier, KeyAction::None},
      {Qt::Key_A, Qt::NoModifier, KeyAction::None},
  };
  for (const Case& c : cases) {
    QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
    EXPECT_EQ(ld::keyActionFor(event), c.action)
        << QKeySequence(c.key | c.modifiers).toString().toStdString();
  }
}

std::unique_ptr<QKeyEvent> timed(QEvent::Type type, int code, quint64 ms) {
  auto event = std::make_unique<QKeyEvent>(type, code, Qt::NoModifier);
  event->setTimestamp(ms);
  return event;
}

// X delivers a held key's repeats either as a release and a press at the same millisecond or as presses
// without releases, not always marked as repeats.
TEST(KeyRepeatsFromTheWindowSystem, OnlyAFreshPressCounts) {
  ld::KeyRepeats repeats;
  EXPECT_FALSE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 1000)));
  repeats.released(*timed(QEvent::KeyRelease, Qt::Key_Space, 1660));
  EXPECT_TRUE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 1660))) << "release and press at once";
  repeats.released(*timed(QEvent::KeyRelease, Qt::Key_Space, 1700));
  EXPECT_TRUE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 1700)));
  repeats.released(*timed(QEvent::KeyRelease, Qt::Key_Space, 1720));
  EXPECT_FALSE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 1800))) << "a quick second press";
  EXPECT_TRUE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 2460))) << "held: presses, no release";
  EXPECT_TRUE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 2500)));
  EXPECT_FALSE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_PageDown, 2510))) << "another key";
  // A release that went to another program: long after, a press is a press again.
  EXPECT_FALSE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 9000)));
  repeats.clear();
  EXPECT_FALSE(repeats.isRepeat(*timed(QEvent::KeyPress, Qt::Key_Space, 9010))) << "forgotten";
  QKeyEvent marked(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QString(), /*autorep=*/true);
  EXPECT_TRUE(repeats.isRepeat(marked));
}

class Keys : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), "部门");
  }
  TVELTRAXForm& w() { return f.window(); }
  int winners() { return f.app.count("select id from yglb where zj>0"); }
  DrawFixture f;
};

TEST_F(Keys, EveryDrawKeyStartsAndStopsLikeAClickOnTheDrawIcon) {
  const int keys[] = {Qt::Key_Space,    Qt::Key_Return, Qt::Key_Enter,
                      Qt::Key_PageDown, Qt::Key_Right,  Qt::Key_Down};
  int expected = 0;
  for (int code : keys) {
    SCOPED_TRACE(QKeySequence(code).toString().toStdString());
    const State before = w().drawState();
    key(&w(), code);
    if (before == State::Rolling) {
      ++expected;
      EXPECT_EQ(w().drawState(), State::Result);
    } else {
      EXPECT_EQ(w().drawState(), State::Rolling);
    }
    EXPECT_EQ(winners(), expected);
  }
  EXPECT_EQ(expected, 3);
  EXPECT_TRUE(f.app.dialogs().shown.empty());
}

TEST_F(Keys, AHeldKeyActsOnceItsRepeatsDoNothing) {
  key(&w(), Qt::Key_Space);
  ASSERT_EQ(w().drawState(), State::Rolling);
  for (int i = 0; i < 5; ++i) key(&w(), Qt::Key_Space, Qt::NoModifier, /*autoRepeat=*/true);
  EXPECT_EQ(w().drawState(), State::Rolling) << "repeats neither stop nor restart the roll";
  EXPECT_EQ(winners(), 0);
  key(&w(), Qt::Key_PageDown);
  key(&w(), Qt::Key_PageDown, Qt::NoModifier, true);
  EXPECT_EQ(w().drawState(), State::Result);
  EXPECT_EQ(winners(), 1);
  key(&w(), Qt::Key_F1, Qt::NoModifier, true);
  EXPECT_FALSE(w().keyHelp()->isVisible()) << "a repeat is never a first press";

  // Unmarked repeats as the window system sends them: the first press only.
  for (quint64 ms : {5000, 5660, 5700, 5740}) {
    QCoreApplication::sendEvent(&w(), timed(QEvent::KeyPress, Qt::Key_Down, ms).get());
    if (ms != 5000) QCoreApplication::sendEvent(&w(), timed(QEvent::KeyRelease, Qt::Key_Down, ms + 40).get());
  }
  EXPECT_EQ(w().drawState(), State::Rolling);
  EXPECT_EQ(winners(), 1);
}

// The settings window is for the operator's work, not the draw behind it: its keys are the controls' own.
TEST_F(Keys, InTheSettingsWindowKeysMoveTheRosterAndNeverDraw) {
  doubleClick(w().GIFgj);
  ASSERT_EQ(f.program().settingsWindows().size(), 1u);
  TsettingForm& settings = *f.program().settingsWindows().front();
  ld::RosterGrid* grid = settings.StringGridgy;
  ASSERT_EQ(grid->rowCount(), 4);
  grid->setFocus();
  grid->setCurrentCell(0, 0);

  struct Step {
    int key;
    int row;  // where the selection is after it
  };
  const Step steps[] = {{Qt::Key_Down, 1}, {Qt::Key_PageDown, 3}, {Qt::Key_Up, 2},
                        {Qt::Key_Home, 0}, {Qt::Key_End, 3},      {Qt::Key_PageUp, 0}};
  for (const Step& step : steps) {
    SCOPED_TRACE(QKeySequence(step.key).toString().toStdString());
    key(grid, step.key);
    EXPECT_EQ(grid->currentRow(), step.row);
    EXPECT_EQ(settings.Editxm->text(), grid->cell(step.row, 2)) << "the row is loaded into the edit boxes";
  }
  for (int code : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Right, Qt::Key_Delete, Qt::Key_B, Qt::Key_Escape}) {
    key(grid, code);
    key(&settings, code);
  }
  EXPECT_EQ(w().drawState(), State::Idle);
  EXPECT_EQ(winners(), 0);
  EXPECT_FALSE(f.program().blanked());
  EXPECT_TRUE(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Confirm).isEmpty()) << "no absence question";
  EXPECT_TRUE(settings.isVisible());

  settings.Editgsmc->setFocus();
  settings.Editgsmc->clear();
  key(settings.Editgsmc, Qt::Key_Space, Qt::NoModifier, false, QStringLiteral(" "));
  key(settings.Editgsmc, Qt::Key_B, Qt::NoModifier, false, QStringLiteral("b"));
  EXPECT_EQ(settings.Editgsmc->text(), QStringLiteral(" b")) << "typing stays typing";

  // The same clicker goes on drawing once the draw window is in front again.
  key(&w(), Qt::Key_Space);
  EXPECT_EQ(w().drawState(), State::Rolling);
}

TEST_F(Keys, NothingWhileAModalWindowWaitsForItsAnswer) {
  QDialog question(&w());
  question.setModal(true);
  question.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &question);
  key(&question, Qt::Key_Space);
  key(&w(), Qt::Key_PageDown);
  EXPECT_EQ(w().drawState(), State::Idle);
}

TEST_F(Keys, EscapeNeverEndsTheProgramAndClosesTheOverlay) {
  int closed = 0;
  QObject::connect(&w(), &TVELTRAXForm::closed, [&] { ++closed; });
  key(&w(), Qt::Key_Escape);
  key(&w(), Qt::Key_F1);
  EXPECT_TRUE(w().keyHelp()->isVisible());
  EXPECT_TRUE(w().keyHelp()->geometry().intersects(w().Panelcj->geometry()));
  key(&w(), Qt::Key_Escape);
  EXPECT_FALSE(w().keyHelp()->isVisible());
  key(&w(), Qt::Key_Question, Qt::ShiftModifier, false, QStringLiteral("?"));
  EXPECT_TRUE(w().keyHelp()->isVisible());
  key(&w(), Qt::Key_F1);
  EXPECT_FALSE(w().keyHelp()->isVisible());
  key(&w(), Qt::Key_Escape);
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(closed, 0);
}

TEST_F(Keys, BlankCoversTheScreenAndTheNextKeyOnlyBringsThePictureBack) {
  key(&w(), Qt::Key_B);
  ASSERT_TRUE(f.program().blanked());
  QWidget* blank = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QStringLiteral("BlankScreen")) blank = top;
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->geometry(), w().screen()->geometry());
  EXPECT_EQ(blank->grab().toImage().pixelColor(5, 5), QColor(Qt::black));

  key(blank, Qt::Key_Space);
  EXPECT_FALSE(f.program().blanked());
  EXPECT_EQ(w().drawState(), State::Idle) << "the key that ends the black screen does nothing else";
  key(&w(), Qt::Key_Period, Qt::NoModifier, false, QStringLiteral("."));
  EXPECT_TRUE(f.program().blanked());
  key(blank, Qt::Key_Escape);
  EXPECT_FALSE(f.program().blanked());
  key(&w(), Qt::Key_B);
  click(blank);
  EXPECT_FALSE(f.program().blanked()) << "a click brings the picture back too";
}

TEST_F(Keys, TheSwitchOffQuestionKeepsItsOwnKeys) {
  w().TimergjTimer();
  key(w().Panelgj, Qt::Key_Space);
  EXPECT_EQ(w().drawState(), State::Idle) << "no draw behind the question";
  key(w().Panelgj, Qt::Key_Escape);
  EXPECT_FALSE(w().Panelgj->isVisible()) << "Escape still answers 取消";
  EXPECT_TRUE(w().isVisible());
}

// A clicker that bounces sends its press twice within a few tens of milliseconds; an operator who presses
// again at once still wants to see a roll.
TEST_F(Keys, ABounceCountsOnceAndAnEarlyStopWaitsForTheMinimumRoll) {
  // A minimum far above the waits below, so that a slow machine cannot turn an early stop into a late one.
  w().setPressTiming({300, 2000});
  QElapsedTimer clock;
  clock.start();
  key(&w(), Qt::Key_PageDown);
  key(&w(), Qt::Key_PageDown);  // the bounce, at once
  ASSERT_EQ(w().drawState(), State::Rolling) << "the bounce neither stopped the roll nor drew";
  EXPECT_FALSE(w().stopPending());

  QTest::qWait(350);
  key(&w(), Qt::Key_PageDown);
  EXPECT_TRUE(w().stopPending()) << "a deliberate stop before the minimum is kept for later";
  EXPECT_EQ(w().drawState(), State::Rolling);
  EXPECT_EQ(winners(), 0);
  QTest::qWait(350);
  key(&w(), Qt::Key_PageDown);  // pressed again while waiting: still one stop
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().drawState() == State::Result; }, 10000));
  EXPECT_GE(clock.elapsed(), 2000) << "the winner came after the minimum roll";
  EXPECT_EQ(winners(), 1);

  // A press after the minimum stops at once.
  w().setPressTiming({300, 600});
  QTest::qWait(350);
  key(&w(), Qt::Key_Space);
  ASSERT_EQ(w().drawState(), State::Rolling);
  QTest::qWait(650);
  key(&w(), Qt::Key_Space);
  EXPECT_EQ(w().drawState(), State::Result);
  EXPECT_EQ(winners(), 2);
}

TEST_F(Keys, EscapeOrBackspaceCallsOffARollAndTheJournalTellsOfIt) {
  for (int code : {Qt::Key_Escape, Qt::Key_Backspace}) {
    SCOPED_TRACE(QKeySequence(code).toString().toStdString());
    key(&w(), Qt::Key_Space);
    ASSERT_EQ(w().drawState(), State::Rolling);
    key(&w(), code);
    EXPECT_EQ(w().drawState(), State::Idle);
    EXPECT_FALSE(f.program().sound().rolling());
  }
  EXPECT_EQ(winners(), 0);
  int cancelled = 0;
  for (const ld::JournalRow& row : ld::readJournal(f.app.dataModule().ADOConnection)) {
    EXPECT_NE(row.event, QStringLiteral("drawn"));
    if (row.event == QStringLiteral("roll cancelled")) ++cancelled;
  }
  EXPECT_EQ(cancelled, 2);
  key(&w(), Qt::Key_Backspace);  // nothing rolling: nothing to call off, nothing journaled
  EXPECT_EQ(ld::readJournal(f.app.dataModule().ADOConnection).size(), 2u);

  // A stop already waiting for the minimum roll is called off with the roll.
  w().setPressTiming({0, 5000});
  key(&w(), Qt::Key_Space);
  key(&w(), Qt::Key_Space);
  ASSERT_TRUE(w().stopPending());
  key(&w(), Qt::Key_Escape);
  EXPECT_FALSE(w().stopPending());
  QTest::qWait(50);
  EXPECT_EQ(winners(), 0);
}

// A stray press after the last prize: the operator has been told what it would give, and takes it back.
TEST_F(Keys, AfterTheLastPrizeTheOperatorIsToldAndAStrayRollIsTakenBack) {
  f.app.setPlan(1, 1, 1, 1, 1);
  for (int i = 4; i < 8; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), "部门");
  const auto noticeUp = [&] { return f.program().planNotice() && f.program().planNotice()->isVisible(); };
  for (int i = 0; i < 7; ++i) key(&w(), Qt::Key_Space);
  EXPECT_FALSE(noticeUp()) << "a prize is left";
  key(&w(), Qt::Key_Space);
  ASSERT_EQ(winners(), 4);
  ASSERT_TRUE(noticeUp());
  auto* notice = qobject_cast<QLabel*>(f.program().planNotice());
  ASSERT_TRUE(notice);
  EXPECT_TRUE(notice->text().contains(QStringLiteral("计划外")));
  EXPECT_FALSE(notice->geometry().intersects(f.program().winnerArea())) << "the hall sees the winner whole";
  EXPECT_NE(QApplication::activeWindow(), notice) << "the keyboard stays with the draw";

  // The first prize's winner is not in the room: that prize is drawn again.
  f.app.dialogs().confirmAnswers = {true};
  key(&w(), Qt::Key_Delete);
  ASSERT_EQ(winners(), 3);
  EXPECT_FALSE(noticeUp());
  key(&w(), Qt::Key_Space);
  key(&w(), Qt::Key_Space);
  ASSERT_EQ(winners(), 4);
  EXPECT_TRUE(noticeUp());

  key(&w(), Qt::Key_Space);
  EXPECT_EQ(w().drawState(), State::Rolling) << "a press still starts at once, as always";
  key(&w(), Qt::Key_Escape);
  EXPECT_EQ(winners(), 4) << "taken back: nobody outside the plan";
  EXPECT_TRUE(noticeUp());
}

TEST_F(Keys, TheKeyboardComesBackToTheDrawAfterTheBlackScreen) {
  key(&w(), Qt::Key_B);
  ASSERT_TRUE(f.program().blanked());
  key(&w(), Qt::Key_B);
  ASSERT_FALSE(f.program().blanked());
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == static_cast<QWidget*>(&w()); }));
}

}  // namespace
