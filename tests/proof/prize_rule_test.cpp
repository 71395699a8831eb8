// A prize's rule, shown openly, is the whole truth about its pool: over random rosters and random rules the
// draw's pool is exactly the people the rule admits, and nobody outside it is ever drawn for the prize.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <set>

#include "data/draw_store.h"
#include "data/plan_store.h"
#include "data/prize_rule.h"
#include "draw/draw_session.h"
#include "framework/errors.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

const QStringList kDepartments{QStringLiteral("销售部"), QStringLiteral("研发部"), QStringLiteral("HR"),
                               QStringLiteral("财务部")};
const QStringList kTags{QStringLiteral("外包"), QStringLiteral("manager"), QStringLiteral("新人"),
                        QStringLiteral("VIP")};

QStringList someOf(QRandomGenerator& random, const QStringList& from, bool shuffleCase = false) {
  QStringList out;
  for (const QString& item : from)
    if (random.bounded(3) == 0) out << (shuffleCase && random.bounded(2) ? item.toUpper() : item);
  return out;
}

struct Person {
  int id;
  QString department, name, employeeId, tags;
  bool eligible;
};

TEST(PrizeRules, OverRandomRostersAndRulesThePoolIsExactlyWhomTheRuleAdmits) {
  QRandomGenerator random(20261208);  // fixed: a failure can be run again
  TempApp app;
  app.setPlan(1, 1, 1, 1, 1);
  std::vector<Person> roster;
  for (int i = 0; i < 60; ++i) {
    const QString department = kDepartments[random.bounded(kDepartments.size())];
    const bool photo = random.bounded(8) != 0;
    const int id = app.addParticipant(QStringLiteral("人%1").arg(i), department, photo);
    const QString employeeId =
        random.bounded(4) ? QStringLiteral("E%1").arg(i, 3, 10, QLatin1Char('0')) : QString();
    const QString tags = someOf(random, kTags).join(QLatin1Char(','));
    app.exec(QStringLiteral("update yglb set gh='%1', bq='%2' where id=%3").arg(employeeId, tags).arg(id));
    const bool drawn = random.bounded(10) == 0;
    if (drawn) app.exec(QStringLiteral("update yglb set zj=99, zjsx=%1 where id=%1").arg(id));
    roster.push_back({id, department, QStringLiteral("人%1").arg(i), employeeId, tags, photo && !drawn});
  }

  DrawStore store(app.dataModule().ADOQuerymain);
  for (int round = 0; round < 300; ++round) {
    PrizeRule rule;
    // Case differs from the roster's now and then: the columns ignore it for ASCII letters.
    rule.departments = someOf(random, kDepartments, true);
    rule.excludeDepartments = someOf(random, kDepartments, true);
    rule.tags = someOf(random, kTags, true);
    rule.excludeTags = someOf(random, kTags, true);
    for (int k = random.bounded(4); k > 0; --k) {
      const Person& p = roster[random.bounded(int(roster.size()))];
      if (random.bounded(2) && !p.employeeId.isEmpty())
        rule.excludePeople.push_back({p.employeeId.toLower(), {}, {}});
      else
        rule.excludePeople.push_back({{}, p.department, p.name});
    }
    std::vector<int> expected;
    for (const Person& p : roster)
      if (p.eligible && rule.admits(p.department, p.name, p.employeeId, p.tags)) expected.push_back(p.id);
    SCOPED_TRACE(QString::fromUtf8(rule.toJson()).toStdString());
    ASSERT_EQ(store.eligibleIds(rule), expected);
    ASSERT_EQ(store.eligibleCount(rule), int(expected.size()));
    // The rule read back from its JSON is the same rule.
    ASSERT_EQ(PrizeRule::fromJson(rule.toJson()), rule);
  }
}

TEST(PrizeRules, NobodyOutsideAPrizesRuleIsEverDrawnForIt) {
  QRandomGenerator random(7);
  for (int round = 0; round < 12; ++round) {
    TempApp app;
    app.setPlan(1, 1, 1, 1, 40);
    for (int i = 0; i < 40; ++i) {
      const int id = app.addParticipant(QStringLiteral("人%1").arg(i), kDepartments[random.bounded(4)]);
      app.exec(
          QStringLiteral("update yglb set bq='%1' where id=%2").arg(someOf(random, kTags).join(',')).arg(id));
    }
    PlanStore plan(app.dataModule().ADOQuerysetting);
    Prize lucky = *plan.forDraw().prize(4);
    lucky.perDraw = 1 + random.bounded(8);
    lucky.rule.departments = someOf(random, kDepartments);
    lucky.rule.excludeTags = someOf(random, kTags);
    plan.savePrize(lucky);
    DrawSession session(app.dataModule().ADOQuerymain);
    // Drawn until the rule's pool is empty: every winner inside the rule, then nobody.
    std::set<int> winners;
    for (QList<DrawResult> stop = session.stop(); stop.front().drawn; stop = session.stop())
      for (const DrawResult& r : stop) {
        const QStringList row =
            app.rows(QStringLiteral("select bm, xm, gh, bq from yglb where id=%1").arg(r.id));
        const QStringList f = row.value(0).split(QLatin1Char('|'));
        ASSERT_TRUE(lucky.rule.admits(f[0], f[1], f[2], f[3])) << r.name.toStdString();
        ASSERT_TRUE(winners.insert(r.id).second);
      }
    int admitted = 0;
    for (const QString& row : app.rows(QStringLiteral("select bm, xm, gh, bq from yglb"))) {
      const QStringList f = row.split(QLatin1Char('|'));
      admitted += lucky.rule.admits(f[0], f[1], f[2], f[3]);
    }
    EXPECT_EQ(int(winners.size()), admitted) << "everybody the rule admits can win";
  }
}

// Tags typed by hand with blanks after the commas, and a stored rule that cannot be read: the statement and
// the rule agree, and a rule nobody can read lets nobody in, is said so, and is never saved as another.
TEST(PrizeRules, HandTypedTagsAndAnUnreadableRuleAreTreatedAlikeEverywhere) {
  TempApp app;
  app.setPlan(1, 1, 1, 1, 1);
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  DrawStore store(app.dataModule().ADOQuerymain);
  for (const char* stored : {"外包, 销售", "外包 ,  销售", " 销售 "}) {
    app.exec(QStringLiteral("update yglb set bq='%1' where id=%2").arg(QString::fromUtf8(stored)).arg(id));
    PrizeRule rule;
    rule.tags = QStringList{QStringLiteral("销售")};
    EXPECT_TRUE(rule.admits(QStringLiteral("部门"), QStringLiteral("甲"), {}, QString::fromUtf8(stored)))
        << stored;
    EXPECT_EQ(store.eligibleCount(rule), 1) << stored;
  }

  app.exec(QStringLiteral("update jxsz set gz='{broken' where jx=4"));
  PlanStore plan(app.dataModule().ADOQuerysetting);
  Prize lucky = *plan.forDraw().prize(4);
  EXPECT_EQ(store.eligibleCount(lucky.rule), 0);
  EXPECT_EQ(lucky.rule.text(), QStringLiteral("规则无法读取，无人可抽"));
  lucky.quantity = 2;
  EXPECT_THROW(plan.savePrize(lucky), Error) << "saved as read it would let everybody in";
  lucky.rule = PrizeRule{};
  EXPECT_NO_THROW(plan.savePrize(lucky)) << "set again, it saves";
  EXPECT_EQ(store.eligibleCount(plan.forDraw().prize(4)->rule), 1);
}

TEST(PrizeRules, TheRuleIsWrittenOutAndBadInputIsRefusedByName) {
  PrizeRule rule;
  EXPECT_EQ(rule.text(), QString());
  rule.departments = QStringList{QStringLiteral("销售部"), QStringLiteral("市场部")};
  rule.excludeTags = QStringList{QStringLiteral("外包")};
  rule.excludePeople = parseExcludedPeople(QStringLiteral("E001\n\n销售部,张伟\r\n市场部\t李娜\n"));
  EXPECT_EQ(rule.text(), QStringLiteral("仅限部门：销售部、市场部；不含标签：外包；另有 3 人不参加"));
  ASSERT_EQ(rule.excludePeople.size(), 3u);
  EXPECT_EQ(rule.excludePeople[0], (ExcludedPerson{QStringLiteral("E001"), {}, {}}));
  EXPECT_EQ(rule.excludePeople[2], (ExcludedPerson{{}, QStringLiteral("市场部"), QStringLiteral("李娜")}));

  const struct {
    const char* input;
    const char* names;
  } badLists[] = {{"E1\n销售部,张伟,多余\n", "第 2 行"}, {"销售部,\n", "第 1 行"}};
  for (const auto& c : badLists) {
    try {
      parseExcludedPeople(QString::fromUtf8(c.input));
      ADD_FAILURE() << c.input;
    } catch (const Error& e) {
      EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.names))) << e.message().toStdString();
    }
  }
  for (const char* json :
       {"[1]", "{\"departments\":\"销售部\"}", "{\"tags\":[1]}", "{\"excludePeople\":[{}]}", "{"})
    EXPECT_THROW(PrizeRule::fromJson(json), Error) << json;
}

}  // namespace
