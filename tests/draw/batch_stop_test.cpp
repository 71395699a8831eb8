// Several winners per press: each stop draws as many as its prize gives and has left, in one block of draw
// orders with a journal row each; absent winners of a press are replaced at their orders, voided wins are
// drawn again; the operator may choose the prize, and an extra prize takes its place in the order.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <array>
#include <map>
#include <set>

#include "data/journal.h"
#include "data/plan_store.h"
#include "draw/draw_session.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

// One event with its draw.
struct Event {
  explicit Event(int people, std::array<int, 4> quantities = {1, 2, 3, 5}) {
    app.setPlan(1, quantities[0], quantities[1], quantities[2], quantities[3]);
    for (int i = 0; i < people; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  }
  PlanStore plan() { return PlanStore(app.dataModule().ADOQuerysetting); }
  void perDraw(int level, int n) {
    Prize prize = *plan().forDraw().prize(level);
    prize.perDraw = n;
    plan().savePrize(prize);
  }
  std::vector<JournalRow> journal(const char* event) {
    std::vector<JournalRow> rows;
    for (JournalRow& row : readJournal(app.dataModule().ADOQuerymain.connection()))
      if (row.event == QLatin1String(event)) rows.push_back(std::move(row));
    return rows;
  }
  // Winners as the roster holds them: "order level name", in draw order.
  QStringList winners() {
    return app.rows(QStringLiteral("select zjsx, zj, xm from yglb where zj>0 order by zjsx"));
  }

  TempApp app;
  DrawSession session{app.dataModule().ADOQuerymain};
};

struct PlanCase {
  const char* name;
  std::array<int, 4> quantity;             // levels 1 … 4
  std::array<int, 4> perDraw;              // levels 1 … 4
  std::vector<std::pair<int, int>> stops;  // level and winners of each stop, in order
};

TEST(BatchStops, EachStopDrawsWhatItsPrizeGivesUntilEveryQuotaIsExact) {
  const PlanCase cases[] = {
      {"2/1/1/1, one per press", {2, 1, 1, 1}, {1, 1, 1, 1}, {{4, 1}, {3, 1}, {2, 1}, {1, 1}, {1, 1}}},
      {"2/1/1/1, two per press", {2, 1, 1, 1}, {2, 2, 2, 2}, {{4, 1}, {3, 1}, {2, 1}, {1, 2}}},
      {"10/5/3/1, dividing", {1, 3, 5, 10}, {1, 3, 5, 5}, {{4, 5}, {4, 5}, {3, 5}, {2, 3}, {1, 1}}},
      {"10/5/3/1, not dividing",
       {1, 3, 5, 10},
       {1, 2, 3, 4},
       {{4, 4}, {4, 4}, {4, 2}, {3, 3}, {3, 2}, {2, 2}, {2, 1}, {1, 1}}},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.name);
    Event e(40, c.quantity);
    for (int level = 1; level <= 4; ++level) e.perDraw(level, c.perDraw[size_t(level - 1)]);
    QSignalSpy completed(&e.session, &DrawSession::levelCompleted);
    QSignalSpy announced(&e.session, &DrawSession::drawn);
    int order = 0;
    std::set<int> ids;
    for (const auto& [level, count] : c.stops) {
      const QList<DrawResult> stop = e.session.stop();
      ASSERT_EQ(stop.size(), count) << "level " << level;
      for (const DrawResult& r : stop) {
        EXPECT_TRUE(r.drawn);
        EXPECT_EQ(r.level, level);
        EXPECT_EQ(r.order, ++order) << "consecutive draw orders";
        EXPECT_TRUE(ids.insert(r.id).second) << "nobody twice";
        EXPECT_EQ(r.prize, prizeName(level));
      }
      ASSERT_EQ(announced.size(), 1);
      EXPECT_EQ(announced.takeFirst().at(0).value<QList<DrawResult>>().size(), count) << "announced at once";
    }
    // Every quota exact, the fireworks once per prize at its last stop, then outside the plan one at a time.
    EXPECT_EQ(
        e.app.rows(QStringLiteral("select zj, count(*) from yglb where zj>0 group by zj order by zj")),
        (QStringList{QStringLiteral("1|%1").arg(c.quantity[0]), QStringLiteral("2|%1").arg(c.quantity[1]),
                     QStringLiteral("3|%1").arg(c.quantity[2]), QStringLiteral("4|%1").arg(c.quantity[3])}));
    QList<int> fireworks;
    for (const QList<QVariant>& signal : completed) fireworks << signal.at(0).toInt();
    EXPECT_EQ(fireworks, (QList<int>{4, 3, 2, 1}));
    EXPECT_EQ(e.journal("drawn").size(), size_t(order)) << "one journal row per winner";
    const QList<DrawResult> after = e.session.stop();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after.front().level, kOutsidePlan);
  }
}

TEST(BatchStops, AbsentWinnersOfAPressAreReplacedAtTheirOrdersAndNobodyElse) {
  Event e(30, {1, 2, 3, 10});
  e.perDraw(4, 5);
  const QList<DrawResult> first = e.session.stop();
  ASSERT_EQ(first.size(), 5);
  // The third and the last of the press are not in the room.
  e.session.markAbsent(first[2]);
  e.session.markAbsent(first[4]);
  EXPECT_EQ(e.winners().size(), 3);
  EXPECT_EQ(e.session.upcomingLevel(), 4);

  const QList<DrawResult> replacements = e.session.stop();
  ASSERT_EQ(replacements.size(), 2);
  EXPECT_EQ(replacements[0].order, 3);
  EXPECT_EQ(replacements[1].order, 5);
  for (const DrawResult& r : replacements) {
    EXPECT_TRUE(r.replacement);
    EXPECT_EQ(r.level, 4);
    EXPECT_NE(r.id, first[2].id);
    EXPECT_NE(r.id, first[4].id) << "an absent winner is never drawn again";
  }
  // A replacement may be absent too: it is replaced once more, at the same order.
  e.session.markAbsent(replacements[0]);
  const QList<DrawResult> again = e.session.stop();
  ASSERT_EQ(again.size(), 1);
  EXPECT_EQ(again.front().order, 3);

  // Then the prize goes on where the press left it.
  const QList<DrawResult> next = e.session.stop();
  ASSERT_EQ(next.size(), 5);
  EXPECT_EQ(next.front().order, 6);
  EXPECT_EQ(e.winners().size(), 10);
  EXPECT_EQ(e.journal("absent").size(), 3u);
  // An earlier press's winner can no longer be marked absent.
  EXPECT_THROW(e.session.markAbsent(first[0]), Error);
  EXPECT_EQ(e.winners().size(), 10);
}

TEST(BatchStops, AVoidedWinIsDrawnAgainAtItsPrizesNextStopAndItsOrderIsNeverReused) {
  Event e(20, {1, 1, 2, 3});
  e.session.stop();
  e.session.stop();
  e.session.stop();  // the lucky prize is complete
  const QList<DrawResult> third = e.session.stop();
  ASSERT_EQ(third.front().level, 3);
  const RecordedWinner declined{
      {third.front().id, third.front().department, third.front().name, {}}, 3, third.front().order};

  EXPECT_THROW(e.session.voidWin(declined, QStringLiteral("  ")), Error) << "a reason is required";
  e.session.voidWin(declined, QStringLiteral("放弃领奖"));
  const std::vector<JournalRow> voided = e.journal("voided");
  ASSERT_EQ(voided.size(), 1u);
  EXPECT_EQ(voided.front().reason, QStringLiteral("放弃领奖"));
  EXPECT_EQ(voided.front().prize, QStringLiteral("三等奖"));
  EXPECT_EQ(e.app.rows(QStringLiteral("select zj, zjsx from yglb where id=%1").arg(declined.id)),
            QStringList{QStringLiteral("-2|4")});
  EXPECT_THROW(e.session.voidWin(declined, QStringLiteral("again")), Error) << "voided once";

  // The third prize has two left again; the voided participant is out of the pool; order 4 stays taken.
  const QList<DrawResult> redraw = e.session.stop();
  ASSERT_EQ(redraw.size(), 1);
  EXPECT_EQ(redraw.front().level, 3);
  EXPECT_EQ(redraw.front().order, 5);
  EXPECT_NE(redraw.front().id, declined.id);
}

TEST(BatchStops, TheChosenPrizeIsDrawnUntilItIsCompleteThenTheUsualOrderResumes) {
  Event e(20, {2, 1, 1, 2});
  e.session.choosePrize(1);
  EXPECT_EQ(e.session.upcomingLevel(), 1);
  EXPECT_EQ(e.session.stop().front().level, 1);
  EXPECT_EQ(e.session.stop().front().level, 1);
  EXPECT_EQ(e.session.upcomingLevel(), 4) << "the first prize is complete: the usual order again";
  EXPECT_EQ(e.session.stop().front().level, 4);
  EXPECT_THROW(e.session.choosePrize(57), Error);
  e.session.choosePrize(std::nullopt);
  EXPECT_EQ(e.session.stop().front().level, 4);
  EXPECT_EQ(e.session.stop().front().level, 3);
}

TEST(BatchStops, AnExtraPrizeAddedBetweenTwoLevelsIsDrawnInItsPlaceByName) {
  Event e(20, {1, 1, 1, 1});
  e.session.stop();  // the lucky prize
  Prize extra;
  extra.name = QStringLiteral("总经理特别奖");
  extra.quantity = 3;
  extra.perDraw = 2;
  const int level = e.plan().addPrize(extra, 2);
  EXPECT_EQ(level, kFirstExtraLevel);
  QStringList order;
  for (const Prize& p : e.plan().forDraw().prizes) order << p.name;
  EXPECT_EQ(order, (QStringList{"幸运奖", "三等奖", "总经理特别奖", "二等奖", "一等奖"}));

  EXPECT_EQ(e.session.stop().front().level, 3);
  const QList<DrawResult> special = e.session.stop();
  ASSERT_EQ(special.size(), 2);
  EXPECT_EQ(special.front().prize, QStringLiteral("总经理特别奖"));
  EXPECT_EQ(e.session.stop().size(), 1) << "one left of three";
  EXPECT_EQ(e.session.stop().front().level, 2);
  EXPECT_EQ(e.journal("drawn")[2].prize, QStringLiteral("总经理特别奖"));
  EXPECT_TRUE(e.session.boardText()->startsWith(QStringLiteral("二等奖")))
      << "the board names the prize drawn";

  // Names stay unambiguous, and a prize somebody won stays.
  extra.name = QStringLiteral("二等奖");
  EXPECT_THROW(e.plan().addPrize(extra, std::nullopt), Error);
  extra.name = QStringLiteral("计划外");
  EXPECT_THROW(e.plan().addPrize(extra, std::nullopt), Error);
  EXPECT_THROW(e.plan().removePrize(level), Error);
  EXPECT_THROW(e.plan().removePrize(2), Error);
}

TEST(BatchStops, APrizesRuleDecidesItsPoolAndTheJournalCarriesIt) {
  Event e(0, {1, 1, 3, 4});
  for (int i = 0; i < 6; ++i) e.app.addParticipant(QStringLiteral("销%1").arg(i), QStringLiteral("销售部"));
  for (int i = 0; i < 6; ++i) e.app.addParticipant(QStringLiteral("研%1").arg(i), QStringLiteral("研发部"));
  e.app.exec(QStringLiteral("update yglb set bq='外包' where xm in ('研0','研1','研2','销0')"));
  Prize lucky = *e.plan().forDraw().prize(4);
  lucky.perDraw = 4;
  lucky.rule.excludeTags = QStringList{QStringLiteral("外包")};
  e.plan().savePrize(lucky);
  Prize third = *e.plan().forDraw().prize(3);
  third.perDraw = 3;
  third.rule.departments = QStringList{QStringLiteral("研发部")};
  e.plan().savePrize(third);

  const std::vector<PrizeStatus> status = e.session.prizeStatus();
  ASSERT_EQ(status.front().prize.level, 4);
  EXPECT_EQ(status.front().pool, 8);
  EXPECT_EQ(status.front().eligible, 12);

  for (const DrawResult& r : e.session.stop()) {
    EXPECT_EQ(r.rule, QStringLiteral("不含标签：外包"));
    EXPECT_EQ(r.pool, 8);
    EXPECT_EQ(r.eligible, 12);
  }
  // Only 研3 … 研5 and the outsourced 研0 … 研2 are left in 研发部 for the third prize.
  for (const DrawResult& r : e.session.stop()) EXPECT_EQ(r.department, QStringLiteral("研发部"));
  EXPECT_EQ(e.app.count(QStringLiteral("select id from yglb where zj=4 and bq='外包'")), 0);
  // Every row of the draw carries the rule in force: the wins, and an absence of the latest press (the
  // second prize's, which has no rule).
  const QList<DrawResult> latest = e.session.stop();
  e.session.markAbsent(latest.front());
  std::vector<JournalRow> rows = e.journal("drawn");
  const std::vector<JournalRow> absent = e.journal("absent");
  ASSERT_EQ(absent.size(), 1u);
  rows.insert(rows.end(), absent.begin(), absent.end());
  const std::map<int, QString> ruleOf{
      {4, QStringLiteral("不含标签：外包")}, {3, QStringLiteral("仅限部门：研发部")}, {2, QString()}};
  for (const JournalRow& row : rows)
    EXPECT_EQ(row.rule, ruleOf.at(row.level.value_or(0))) << row.event.toStdString();
}

}  // namespace

namespace {

// A replacement its prize's rule leaves nobody for waits, keeping its order free, while the operator draws
// another prize; once somebody may take it, it comes first again.
TEST(BatchStops, AReplacementNobodyCanTakeWaitsWithoutHoldingUpTheOtherPrizes) {
  Event e(10, {1, 1, 1, 1});
  const int only = e.app.addParticipant(QStringLiteral("唯一"), QStringLiteral("董事会"));
  Prize lucky = *e.plan().forDraw().prize(4);
  lucky.rule.departments = QStringList{QStringLiteral("董事会")};
  e.plan().savePrize(lucky);
  const QList<DrawResult> first = e.session.stop();
  ASSERT_EQ(first.front().id, only);
  e.session.markAbsent(first.front());
  EXPECT_FALSE(e.session.stop().front().drawn) << "the lucky prize's rule leaves nobody";

  e.session.choosePrize(3);
  const QList<DrawResult> next = e.session.stop();
  ASSERT_TRUE(next.front().drawn);
  EXPECT_EQ(next.front().level, 3);
  EXPECT_EQ(next.front().order, 2) << "order 1 stays free for the replacement";
  e.app.addParticipant(QStringLiteral("新人"), QStringLiteral("董事会"));
  const QList<DrawResult> replacement = e.session.stop();
  EXPECT_TRUE(replacement.front().replacement);
  EXPECT_EQ(replacement.front().order, 1);
  EXPECT_EQ(replacement.front().level, 4);
}

// An extra prize stays while anything of the draw names it, and a level once used is never given again.
TEST(BatchStops, AnExtraPrizeIsRemovedOnlyWhenNothingNamesItAndItsLevelIsNeverReused) {
  Event e(10, {1, 1, 1, 1});
  Prize extra;
  extra.name = QStringLiteral("甲奖");
  extra.quantity = 2;
  const int level = e.plan().addPrize(extra, 4);
  const QList<DrawResult> won = e.session.stop();
  ASSERT_EQ(won.front().level, level);
  e.session.markAbsent(won.front());
  EXPECT_THROW(e.plan().removePrize(level), Error) << "owed a replacement";
  const QList<DrawResult> replaced = e.session.stop();
  e.session.voidWin({{replaced.front().id, {}, replaced.front().name, {}}, level, replaced.front().order},
                    QStringLiteral("放弃领奖"));
  EXPECT_THROW(e.plan().removePrize(level), Error) << "its rows name it";

  // After the results are cleared nothing of the draw names it: it goes, and its level is not given again.
  e.app.exec(QStringLiteral("update yglb set zj=0, zjsx=0"));
  appendJournal(e.app.dataModule().ADOQuerymain.connection(),
                {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
  e.plan().removePrize(level);
  extra.name = QStringLiteral("乙奖");
  EXPECT_EQ(e.plan().addPrize(extra, std::nullopt), level + 1);
}

// Voiding one winner of a press leaves the others of it to be marked absent.
TEST(BatchStops, AVoidedWinnerOfThePressLeavesTheOthersMarkableAbsent) {
  Event e(20, {1, 1, 1, 5});
  e.perDraw(4, 3);
  const QList<DrawResult> press = e.session.stop();
  ASSERT_EQ(press.size(), 3);
  const DrawResult& last = press.back();
  e.session.voidWin({{last.id, last.department, last.name, {}}, last.level, last.order},
                    QStringLiteral("不符合资格"));
  EXPECT_NO_THROW(e.session.markAbsent(press.front()));
  EXPECT_THROW(e.session.markAbsent(last), Error) << "a voided win is no win to mark";
}

}  // namespace
