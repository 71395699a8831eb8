// The draw: rolling tiles, the pick, the prize level and draw order recorded, the fireworks check.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <set>

#include "data/datamodule.h"
#include "data/journal.h"
#include "draw/fireworks_form.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;

namespace {

const QColor kLogoGrey = Qt::gray;  // TempApp's system/logo.jpg

class DrawEngine : public ::testing::Test {
 protected:
  void SetUp() override { writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow); }
  TVELTRAXForm& w() { return f.window(); }
  void addPeople(int n) {
    for (int i = 0; i < n; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(people++), "部门");
  }
  int people = 0;
  // Full draws through the draw icon (start, a tick, stop); for each, whether fireworks showed.
  std::vector<bool> draws(int n) {
    std::vector<bool> shown;
    for (int i = 0; i < n; ++i) {
      click(w().GIFAnimatorlogo);
      w().TimercjTimer();
      click(w().GIFAnimatorlogo);
      shown.push_back(fireworksShown());
      if (shown.back()) fireworks()->Timer1Timer();
    }
    return shown;
  }
  bool tilesAll(QColor c) {
    for (int k = 1; k <= 8; ++k)
      if (!similar(centreColour(*w().Image[k]), c)) return false;
    return true;
  }
  QStringList levelsByOrder() { return f.app.rows("select zj, zjsx from yglb where zj<>0 order by zjsx"); }

  DrawFixture f;
};

TEST_F(DrawEngine, ClicksMoveBetweenIdleRollingAndResult) {
  f.app.addParticipant("甲", "销售", true, Qt::red);
  EXPECT_EQ(w().drawState(), State::Idle);
  EXPECT_TRUE(tilesAll(kLogoGrey));

  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().drawState(), State::Rolling);
  EXPECT_FALSE(w().GlowLabelcj0->isVisible());
  // The real 100 ms timer rolls the only eligible photo into every tile.
  EXPECT_TRUE(QTest::qWaitFor([&] { return tilesAll(Qt::red); }, 5000));

  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().drawState(), State::Result);
  EXPECT_EQ(w().GlowLabelcj0->caption(), QStringLiteral("销售  甲"));
  EXPECT_TRUE(w().GlowLabelcj0->isVisible());
  for (int k = 1; k <= 8; ++k) EXPECT_FALSE(w().Panelzp[k]->isVisible());
  EXPECT_TRUE(similar(centreColour(*w().Image[0]), Qt::red));
  EXPECT_TRUE(f.app.dialogs().shown.empty());

  // A click on the result rolls again; the winner stays recorded and out of the roll.
  f.app.addParticipant("乙", "销售", true, Qt::green);
  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().drawState(), State::Rolling);
  EXPECT_FALSE(w().Panelzp[0]->isVisible());
  w().TimercjTimer();
  EXPECT_TRUE(tilesAll(Qt::green));
  EXPECT_EQ(f.app.rows("select xm, zj, zjsx from yglb where zj<>0"), QStringList({"甲|4|1"}));
}

TEST_F(DrawEngine, FiveEligibleFillTheRingAndTheLastPhotoRepeats) {
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};
  for (int i = 0; i < 5; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), "部门", true, colours[i]);
  f.app.addParticipant("无照片", "部门", false);
  const int winner = f.app.addParticipant("已中奖", "部门", true, Qt::cyan);
  f.app.exec(QStringLiteral("update yglb set zj=4, zjsx=1 where id=%1").arg(winner));

  click(w().GIFAnimatorlogo);
  for (int round = 0; round < 3; ++round) {
    w().TimercjTimer();
    std::set<int> seen;
    for (int k = 1; k <= 5; ++k)
      for (int i = 0; i < 5; ++i)
        if (similar(centreColour(*w().Image[k]), colours[i])) seen.insert(i);
    EXPECT_EQ(seen.size(), 5u) << "tiles 1 to 5 show each eligible photo once";
    for (int k = 6; k <= 8; ++k) EXPECT_EQ(centreColour(*w().Image[k]), centreColour(*w().Image[5])) << k;
  }
}

TEST_F(DrawEngine, NobodyEligibleRollsTheLogoAndStopsWithNoWinnerAndNoFireworks) {
  f.app.setPlan(0, 1, 2, 3, 5);  // unlimited: the quantity sums are all 0, like the winner count
  f.app.addParticipant("无照片", "部门", false);
  click(w().GIFAnimatorlogo);
  w().TimercjTimer();
  EXPECT_TRUE(tilesAll(kLogoGrey));
  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().GlowLabelcj0->caption(), QStringLiteral("无人中奖"));
  EXPECT_TRUE(w().Panelzp[0]->isVisible());
  EXPECT_TRUE(similar(centreColour(*w().Image[0]), kLogoGrey));
  EXPECT_EQ(f.app.count("select id from yglb where zj<>0 or zjsx<>0"), 0);
  EXPECT_FALSE(fireworksShown()) << "a stop that recorded nobody celebrates nothing";
}

TEST_F(DrawEngine, LimitedPlanHandsOutLevelsFromTheLuckyPrizeUp) {
  f.app.setPlan(1, 1, 1, 1, 2);
  addPeople(5);
  EXPECT_EQ(draws(5), std::vector<bool>({false, true, true, true, true}));
  // Every prize drawn and nobody left: a stop that records nobody does not celebrate again.
  EXPECT_EQ(draws(1), std::vector<bool>({false}));
  addPeople(1);
  EXPECT_EQ(draws(1), std::vector<bool>({false}));
  EXPECT_EQ(levelsByOrder(), QStringList({"4|1", "4|2", "3|3", "2|4", "1|5", "99|6"}));
  EXPECT_TRUE(w().GlowLabelcj0->caption().endsWith(QStringLiteral("（计划外）"))) << "the plan is used up";
}

// Every stop leaves a journal row written with it: the winners exactly as recorded, and the empty stops.
TEST_F(DrawEngine, TheJournalTellsEveryStopAsRecorded) {
  f.app.setPlan(1, 1, 1, 1, 2);
  addPeople(2);
  draws(3);
  ld::Connection c;
  c.setConnectionString(TDataModule1::connectionStringFor(f.app.folder()));
  QStringList journal;
  for (const ld::JournalRow& row : ld::readJournal(c))
    journal << QStringLiteral("%1|%2|%3|%4|%5|%6")
                   .arg(row.event)
                   .arg(row.order.value_or(0))
                   .arg(row.level.value_or(0))
                   .arg(row.id.value_or(0))
                   .arg(row.name)
                   .arg(row.poolSize.value_or(-1));
  QStringList expected;
  int pool = 2;
  for (const QString& winner : f.app.rows("select zjsx, zj, id, xm from yglb where zj<>0 order by zjsx"))
    expected << QStringLiteral("drawn|") + winner + QStringLiteral("|%1").arg(pool--);
  expected << QStringLiteral("nobody|0|0|0||0");
  EXPECT_EQ(journal, expected);
}

// A level without prizes leaves the whole plan unusable, whichever level it is.
TEST_F(DrawEngine, AZeroQuantityAtAnyLevelMakesEveryWinnerOutsideThePlan) {
  addPeople(4);
  for (int level = 1; level <= 4; ++level) {
    SCOPED_TRACE(level);
    int q[5] = {0, 1, 1, 1, 1};
    q[level] = 0;
    f.app.setPlan(1, q[1], q[2], q[3], q[4]);
    draws(1);
    EXPECT_EQ(levelsByOrder().last(), QStringLiteral("99|%1").arg(level));
    EXPECT_FALSE(w().GlowLabelcj0->caption().contains(QStringLiteral("计划外")))
        << "no plan applies, so nothing is used up";
  }
}

TEST_F(DrawEngine, WithoutLevelsWinnersGetTheMarkerAndOnlyCompletedBlocksCelebrate) {
  f.app.setPlan(0, 1, 1, 1, 2);
  addPeople(8);
  EXPECT_EQ(draws(3), std::vector<bool>({false, false, false}));
  EXPECT_EQ(levelsByOrder(), QStringList({"99|1", "99|2", "99|3"}));
  EXPECT_FALSE(w().GlowLabelcj0->caption().contains(QStringLiteral("计划外")))
      << "an unlimited plan has no marker";
  // Three markers count as winners: the lucky prizes are gone and the next is a second prize.
  f.app.setPlan(1, 1, 1, 1, 2);
  EXPECT_EQ(draws(1), std::vector<bool>({true}));
  EXPECT_EQ(levelsByOrder().last(), "2|4");
  // A quantity of 0: markers again, but the fireworks still follow the block ends (2 + 1 + 0 + 2 = 5).
  f.app.setPlan(1, 2, 0, 1, 2);
  EXPECT_EQ(draws(2), std::vector<bool>({true, false}));
  EXPECT_EQ(levelsByOrder().mid(4), QStringList({"99|5", "99|6"}));
  // After a reset the next draw starts at order 1 with the lucky prize.
  f.app.setPlan(1, 1, 1, 1, 2);
  f.app.exec("update yglb set zj=0,zjsx=0");
  draws(1);
  EXPECT_EQ(levelsByOrder(), QStringList({"4|1"}));
}

TEST_F(DrawEngine, WinnerPhotoMissingOrUnreadableShowsTheLogo) {
  f.app.addParticipant("甲", "部门", true, Qt::red);
  QFile::remove(f.app.path("zp/部门_甲.jpg"));
  draws(1);
  EXPECT_EQ(levelsByOrder(), QStringList({"4|1"}));
  EXPECT_TRUE(similar(centreColour(*w().Image[0]), kLogoGrey));

  // Never the previous face under a new name, nor an empty box.
  f.app.addParticipant("乙", "部门", true, Qt::green);
  writeFile(f.app.path("zp/部门_乙.jpg"), "not a jpeg");
  draws(1);
  EXPECT_EQ(w().GlowLabelcj0->caption(), QStringLiteral("部门  乙"));
  EXPECT_TRUE(similar(centreColour(*w().Image[0]), kLogoGrey));
  EXPECT_TRUE(f.app.dialogs().shown.empty()) << "no box waits for an answer";
}

TEST_F(DrawEngine, APhotoPathLeavingTheFolderIsNotRead) {
  writeFile(f.app.path("secret.jpg"), solidJpeg(480, 360, Qt::red));
  f.app.exec("INSERT INTO yglb ( xm,bm, zp ) VALUES ( 'x', 'y','zp\\..\\secret.jpg' )");
  click(w().GIFAnimatorlogo);
  w().TimercjTimer();
  EXPECT_TRUE(tilesAll(kLogoGrey));
}

TEST_F(DrawEngine, ABadDrawOrderIsReportedAfterTheTimerStopped) {
  const int a = f.app.addParticipant("甲", "部门");
  f.app.addParticipant("乙", "部门");
  f.app.exec(QStringLiteral("update yglb set zj=4, zjsx='abc' where id=%1").arg(a));
  click(w().GIFAnimatorlogo);
  click(w().GIFAnimatorlogo);
  EXPECT_FALSE(w().Timercj.isActive());
  EXPECT_EQ(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1);
  EXPECT_EQ(f.app.count("select id from yglb where zj<>0"), 1) << "nothing recorded";
  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().drawState(), State::Rolling);
}

// The default error handler's message box runs an event loop, in which the draw timer keeps firing.
class NestingDialogs : public ld::ScriptedDialogs {
 public:
  void error(const QString& text) override {
    ScriptedDialogs::error(text);
    maxDepth = std::max(maxDepth, ++depth);
    runEventLoop(350);
    --depth;
  }
  int depth = 0;
  int maxDepth = 0;
};

TEST_F(DrawEngine, AFailingTickStopsTheRollWithOneMessageAndAClickStartsAgain) {
  auto owned = std::make_unique<NestingDialogs>();
  NestingDialogs* boxes = owned.get();
  auto previous = ld::setDialogs(std::move(owned));
  click(w().GIFAnimatorlogo);
  f.app.exec("drop table yglb");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w().Timercj.isActive(); }, 5000));
  EXPECT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->maxDepth, 1);
  EXPECT_EQ(w().drawState(), State::Idle);
  click(w().GIFAnimatorlogo);
  EXPECT_EQ(w().drawState(), State::Rolling);
  w().Timercj.stop();
  ld::setDialogs(std::move(previous));
}

}  // namespace
