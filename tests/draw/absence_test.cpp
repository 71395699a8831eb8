// An absent winner: recorded as absent, never drawn again, and replaced by the next stop at the same prize
// level and draw order, with the board, the fireworks and the journal as if the absent one had never won.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

#include "data/datamodule.h"
#include "data/journal.h"
#include "data/prize_levels.h"
#include "data/roster_store.h"
#include "draw/draw_session.h"
#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/errors.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;

namespace {

class Absence : public ::testing::Test {
 protected:
  void SetUp() override { writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow); }
  TVELTRAXForm& w() { return f.window(); }
  // A start and a stop from the clicker; whether the fireworks came.
  bool draw() {
    key(&w(), Qt::Key_PageDown);
    w().TimercjTimer();
    key(&w(), Qt::Key_PageDown);
    const bool shown = fireworksShown();
    if (shown) fireworks()->Timer1Timer();
    return shown;
  }
  // The shown winner marked absent with the Delete key, the question answered Yes.
  void absent(int code = Qt::Key_Delete) {
    f.app.dialogs().confirmAnswers.push_back(true);
    key(&w(), code);
  }
  QStringList winners() { return f.app.rows("select zj, zjsx from yglb where zj>0 order by zjsx"); }
  QStringList board() { return w().GlowLabelzj->caption().split(QLatin1Char('\r')); }
  QStringList journal() {
    ld::Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(f.app.folder()));
    QStringList rows;
    for (const ld::JournalRow& row : ld::readJournal(c))
      rows << QStringLiteral("%1 %2|%3").arg(row.event).arg(row.level.value_or(0)).arg(row.order.value_or(0));
    return rows;
  }
  DrawFixture f;
};

// Plan 2/1/1/1; at every level, and once outside the plan, the winner who completes the level is absent.
TEST_F(Absence, EveryLevelKeepsItsSequenceOrdersBoardAndFireworks) {
  f.app.setPlan(1, 1, 1, 1, 2);
  for (int i = 0; i < 14; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), "部门");

  EXPECT_FALSE(draw());
  absent();  // the very first winner
  EXPECT_EQ(winners(), QStringList());
  EXPECT_EQ(board(), QStringList({"幸运奖2位", ""}));
  EXPECT_TRUE(w().GlowLabelcj0->caption().endsWith(QStringLiteral("（缺席）")));

  struct Step {
    int level, order;
    bool fireworks;
    QString boardHeading;
  };
  const Step steps[] = {{4, 1, false, "幸运奖2位"}, {4, 2, true, "幸运奖2位"}, {3, 3, true, "三等奖1位"},
                        {2, 4, true, "二等奖1位"},  {1, 5, true, "一等奖1位"}, {99, 6, false, "一等奖1位"}};
  QStringList expected;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.order);
    EXPECT_EQ(draw(), step.fireworks);
    EXPECT_EQ(winners(), QStringList(expected) << QStringLiteral("%1|%2").arg(step.level).arg(step.order));
    const QString name =
        f.app.rows(QStringLiteral("select xm from yglb where zjsx=%1 and zj>0").arg(step.order))[0];
    if (step.level != 99) {
      EXPECT_EQ(board().first(), step.boardHeading);
      EXPECT_EQ(board().last(), name);
    }
    if (step.order == 1) {  // the first of two lucky prizes is not the one who is absent
      expected << winners().last();
      continue;
    }
    absent(step.order % 2 ? Qt::Key_R : Qt::Key_Delete);
    EXPECT_EQ(winners(), expected) << "the absent winner is no winner";
    EXPECT_FALSE(board().contains(name));
    // The replacement: same level, same order; the level's fireworks again when it completes the level.
    EXPECT_EQ(draw(), step.fireworks);
    expected << QStringLiteral("%1|%2").arg(step.level).arg(step.order);
    EXPECT_EQ(winners(), expected);
    if (step.level != 99) {
      EXPECT_EQ(board().first(), step.boardHeading);
    }
  }
  EXPECT_EQ(winners(), QStringList({"4|1", "4|2", "3|3", "2|4", "1|5", "99|6"}));
  EXPECT_EQ(f.app.rows("select zj, zjsx from yglb where zj<0"), QStringList(6, "-1|0"));
  EXPECT_EQ(f.app.count("select id from yglb where zj=0"), 14 - 12);
  EXPECT_EQ(journal(),
            QStringList({"drawn 4|1", "absent 4|1", "drawn 4|1", "drawn 4|2", "absent 4|2", "drawn 4|2",
                         "drawn 3|3", "absent 3|3", "drawn 3|3", "drawn 2|4", "absent 2|4", "drawn 2|4",
                         "drawn 1|5", "absent 1|5", "drawn 1|5", "drawn 99|6", "absent 99|6", "drawn 99|6"}));
  EXPECT_TRUE(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).isEmpty());
}

TEST_F(Absence, TheAbsentAreNeverDrawnAgainUntilTheResultsAreCleared) {
  f.app.addParticipant("甲", "销售", true, Qt::red);
  f.app.addParticipant("乙", "研发", true, Qt::green);
  draw();
  const QString first = w().shownWinner()->name;
  absent();
  draw();
  EXPECT_NE(w().shownWinner()->name, first);
  key(&w(), Qt::Key_Space);
  w().TimercjTimer();
  EXPECT_TRUE(similar(centreColour(*w().Image[1]), Qt::gray)) << "nobody left to roll: the placeholder";
  key(&w(), Qt::Key_Space);
  EXPECT_EQ(w().GlowLabelcj0->caption(), QStringLiteral("无人中奖"));
  EXPECT_FALSE(w().shownWinner().has_value());

  EXPECT_EQ(ld::resultName(ld::kAbsent), QStringLiteral("缺席"));
  EXPECT_EQ(ld::resultName(4), QStringLiteral("幸运奖"));
  // 清空中奖纪录 in the settings window: the absent take part again.
  ld::RosterStore(f.app.dataModule().ADOQuerysetting).clearResults();
  EXPECT_EQ(f.app.count("select id from yglb where zj=0 and zjsx=0"), 2);
}

TEST_F(Absence, OnlyTheShownWinnerAfterAYesAndOnlyOnce) {
  f.app.addParticipant("甲", "部门");
  f.app.addParticipant("乙", "部门");
  key(&w(), Qt::Key_Delete);
  key(&w(), Qt::Key_Space);
  key(&w(), Qt::Key_R);
  EXPECT_TRUE(f.app.dialogs().shown.empty()) << "no question without a winner shown";
  EXPECT_FALSE(w().absentAction()->isEnabled());

  key(&w(), Qt::Key_Space);
  ASSERT_EQ(w().drawState(), State::Result);
  EXPECT_TRUE(w().absentAction()->isEnabled());
  EXPECT_EQ(w().Image[0]->contextMenuPolicy(), Qt::ActionsContextMenu);
  EXPECT_TRUE(w().Image[0]->actions().contains(w().absentAction()));
  key(&w(), Qt::Key_Delete);  // answered No
  ASSERT_EQ(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Confirm).size(), 1);
  EXPECT_TRUE(f.app.dialogs().lastText().contains(w().shownWinner()->name));
  EXPECT_TRUE(f.app.dialogs().lastText().contains(QStringLiteral("幸运奖")));
  EXPECT_EQ(winners(), QStringList({"4|1"}));

  f.app.dialogs().confirmAnswers.push_back(true);
  w().absentAction()->trigger();  // the photo's right-click menu
  EXPECT_EQ(winners(), QStringList());
  EXPECT_FALSE(w().absentAction()->isEnabled());
  key(&w(), Qt::Key_Delete);
  EXPECT_EQ(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Confirm).size(), 2) << "asked once more, never";
  EXPECT_EQ(f.app.count("select id from yglb where zj=-1"), 1);
}

TEST_F(Absence, AStaleResultIsRefusedAndNothingChanges) {
  f.app.addParticipant("甲", "部门");
  f.app.addParticipant("乙", "部门");
  ld::DrawSession session(f.app.dataModule().ADOQuerymain);
  const ld::DrawResult first = session.stop().front();
  const ld::DrawResult second = session.stop().front();
  ASSERT_TRUE(first.drawn && second.drawn);
  EXPECT_THROW(session.markAbsent(first), ld::Error) << "a later winner holds the next order";
  f.app.exec("update yglb set zj=0,zjsx=0");  // results cleared in the settings window meanwhile
  EXPECT_THROW(session.markAbsent(second), ld::Error);
  EXPECT_EQ(f.app.count("select id from yglb where zj<>0"), 0);
  EXPECT_EQ(f.app.count("select xh from cjrz where lx='absent'"), 0);
  EXPECT_THROW(session.markAbsent(ld::DrawResult{}), ld::Error) << "nobody drawn";
}

}  // namespace
