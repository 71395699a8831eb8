// The prize plan as a list: the prizes in drawing order, the blocks of winners they are handed out in, and
// the one reading the draw and the board share.
#include <gtest/gtest.h>

#include <climits>

#include "data/datamodule.h"
#include "data/plan_store.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

PrizePlan planOf(int q1, int q2, int q3, int q4, bool limited = true) {
  PrizePlan plan;
  plan.limited = limited;
  plan.prizes = {{4, prizeName(4), q4, 1, 1, {}},
                 {3, prizeName(3), q3, 2, 1, {}},
                 {2, prizeName(2), q2, 3, 1, {}},
                 {1, prizeName(1), q1, 4, 1, {}}};
  return plan;
}

int levelOf(const Prize* prize, int none) { return prize ? prize->level : none; }

struct NextCase {
  std::array<int, 4> q;      // q1 … q4
  std::array<int, 4> drawn;  // winners of levels 1 … 4
  int outside;               // winners outside the plan
  int next;                  // level of the next winner, 99 outside the plan
};

TEST(PlanOrder, TheNextPrizeIsTheFirstInDrawingOrderWithWinnersLeft) {
  const NextCase cases[] = {
      {{1, 2, 3, 5}, {0, 0, 0, 0}, 0, 4},
      {{1, 2, 3, 5}, {0, 0, 0, 4}, 0, 4},
      {{1, 2, 3, 5}, {0, 0, 0, 5}, 0, 3},
      {{1, 2, 3, 5}, {0, 0, 3, 5}, 0, 2},
      {{1, 2, 3, 5}, {0, 2, 3, 5}, 0, 1},
      {{1, 2, 3, 5}, {1, 2, 3, 5}, 0, 99},
      // A prize drawn out of turn (chosen on the night) or a win taken back: the first prize short of its
      // quantity comes next, wherever the others stand.
      {{1, 2, 3, 5}, {1, 0, 0, 0}, 0, 4},
      {{1, 2, 3, 5}, {1, 2, 3, 4}, 0, 4},
      // Winners outside the plan and beyond a lowered quantity take the places of the prizes in order, as
      // one sequence of winners always did: three of them use up two lucky prizes and a third prize.
      {{1, 1, 1, 2}, {0, 0, 0, 0}, 3, 2},
      {{1, 2, 3, 5}, {0, 0, 1, 9}, 0, 1},
      {{1, 2, 3, 5}, {0, 0, 0, 0}, 11, 99},
      // A level without prizes: the plan does not apply.
      {{0, 5, 0, 3}, {0, 0, 0, 0}, 0, 99},
  };
  for (const NextCase& c : cases) {
    const PrizePlan plan = planOf(c.q[0], c.q[1], c.q[2], c.q[3]);
    QHash<int, int> drawn{{kOutsidePlan, c.outside}};
    for (int level = 1; level <= 4; ++level) drawn.insert(level, c.drawn[size_t(level - 1)]);
    SCOPED_TRACE(testing::Message() << c.q[0] << "," << c.q[1] << "," << c.q[2] << "," << c.q[3] << " with "
                                    << c.drawn[0] << "," << c.drawn[1] << "," << c.drawn[2] << ","
                                    << c.drawn[3] << " and " << c.outside << " outside");
    EXPECT_EQ(levelOf(plan.nextPrize(drawn), kOutsidePlan), c.next);
  }
  EXPECT_EQ(planOf(1, 2, 3, 5, false).nextPrize({}), nullptr) << "an unlimited plan has no next prize";
}

TEST(PlanOrder, TheBoardAndTheFireworksWithoutAPlanFollowTheBlocksOfTheSequenceOfWinners) {
  const struct {
    std::array<int, 4> q;
    int winners;
    int board;  // level on the board, 0 for none
    bool completes;
  } cases[] = {
      {{1, 2, 3, 5}, 0, 4, false},  {{1, 2, 3, 5}, 5, 4, true},   {{1, 2, 3, 5}, 6, 3, false},
      {{1, 2, 3, 5}, 11, 1, true},  {{1, 2, 3, 5}, 12, 0, false},
      // A level without prizes: no board, yet a block end still counts for the fireworks.
      {{0, 5, 0, 3}, 3, 0, true},   {{0, 5, 0, 3}, 4, 0, false},  {{0, 5, 0, 3}, 8, 0, true},
      // Quantities as large as an int holds are summed without overflow.
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, INT_MAX - 1, 4, false},
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, INT_MAX, 4, true},
  };
  for (const auto& c : cases) {
    const PrizePlan plan = planOf(c.q[0], c.q[1], c.q[2], c.q[3]);
    EXPECT_EQ(levelOf(plan.prizeOnBoard(c.winners), 0), c.board) << c.winners;
    EXPECT_EQ(plan.completesBlock(c.winners), c.completes) << c.winners;
  }
}

TEST(PlanStore, TheDrawAndTheBoardReadOnePlanOfFourPrizesInDrawingOrder) {
  TempApp app;
  app.setPlan(1, 1, 2, 3, 5);
  PlanStore store(app.dataModule().ADOQuerymain);
  for (const PrizePlan& plan : {store.forDraw(), store.forBoard()}) {
    ASSERT_EQ(plan.prizes.size(), 4u);
    EXPECT_TRUE(plan.applies());
    QStringList read;
    for (const Prize& p : plan.prizes)
      read << QStringLiteral("%1 %2 %3 %4 %5")
                  .arg(p.drawOrder)
                  .arg(p.level)
                  .arg(p.name)
                  .arg(p.quantity)
                  .arg(p.perDraw);
    EXPECT_EQ(read, (QStringList{"1 4 幸运奖 5 1", "2 3 三等奖 3 1", "3 2 二等奖 2 1", "4 1 一等奖 1 1"}));
    EXPECT_EQ(plan.prize(2)->quantity, 2);
    EXPECT_EQ(plan.prize(99), nullptr);
  }

  // A missing quantity row reads 0, and the plan no longer applies; switched off, no quantity is read.
  app.exec(QStringLiteral("delete from jxsz where jx=3"));
  EXPECT_FALSE(store.forDraw().applies());
  EXPECT_EQ(store.forBoard().prize(3)->quantity, 0);
  app.exec(QStringLiteral("update sy set sz=0 where symc='JX'"));
  const PrizePlan off = store.forDraw();
  EXPECT_FALSE(off.limited);
  EXPECT_EQ(off.prize(4)->quantity, 0);
}

TEST(PlanStore, SavingBindsTheQuantitiesLeavesUngivenLevelsAndIsJournaled) {
  TempApp app;
  app.setPlan(0, 1, 2, 3, 5);
  PlanStore store(app.dataModule().ADOQuerysetting);
  EXPECT_FALSE(store.stored().limited);
  store.save(true, {7, std::nullopt, 0, 100000});
  const StoredPrizePlan saved = store.stored();
  EXPECT_TRUE(saved.limited);
  EXPECT_EQ(saved.quantities[0], QStringLiteral("7"));
  EXPECT_EQ(saved.quantities[1], QStringLiteral("2"));
  EXPECT_EQ(saved.quantities[2], QStringLiteral("0"));
  EXPECT_EQ(saved.quantities[3], QStringLiteral("100000"));
  EXPECT_EQ(app.count(QStringLiteral("select xh from cjrz where lx='plan changed'")), 1);

  app.exec(QStringLiteral("delete from jxsz where jx=2"));
  EXPECT_FALSE(store.stored().quantities[1].has_value()) << "a missing row is no quantity";
  store.save(false, {1, 1, 1, 1});
  EXPECT_FALSE(store.stored().limited);
  EXPECT_EQ(app.rows(QStringLiteral("select sl from jxsz order by jx")), (QStringList{"7", "0", "100000"}))
      << "switched off, the quantities stay";
}

TEST(PlanStore, ExtraPrizesTakeLevelsFrom100UpTheFirstOneToo) {
  TempApp app;
  app.setPlan(1, 1, 2, 3, 5);
  PlanStore store(app.dataModule().ADOQuerysetting);
  Prize extra{0, QStringLiteral("特别奖"), 2, 0, 1, {}};
  EXPECT_EQ(store.addPrize(extra, std::nullopt), kFirstExtraLevel);
  extra.name = QStringLiteral("阳光奖");
  EXPECT_EQ(store.addPrize(extra, 2), kFirstExtraLevel + 1);
  store.removePrize(kFirstExtraLevel + 1);
  EXPECT_EQ(store.addPrize(extra, std::nullopt), kFirstExtraLevel + 1);
}

}  // namespace
