// eventdb plan / prize: what is set reads back, and a refused command stores nothing.
#include "eventdb/plan_commands.h"

#include <gtest/gtest.h>

#include "data/draw_store.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "framework/event_lock.h"
#include "support/temp_app.h"

namespace ld::eventdb {
namespace {

using test::TempApp;

struct Outcome {
  int status = -1;
  QStringList out;
  QString error;
};

Outcome run(const QStringList& args) {
  Outcome r;
  r.status = runPlanCommand(args, r.out, r.error);
  return r;
}

// The plan's lines by level, without the first line (the switch).
QHash<QString, QStringList> byLevel(const QStringList& lines) {
  QHash<QString, QStringList> out;
  for (const QString& line : lines.mid(1)) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    out.insert(fields.value(1), fields);
  }
  return out;
}

QStringList levelsInOrder(const QStringList& lines) {
  QStringList levels;
  for (const QString& line : lines.mid(1)) levels << line.section(QLatin1Char('\t'), 1, 1);
  return levels;
}

class PlanCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const struct {
      const char *name, *department, *number, *tags;
    } people[] = {{"甲", "研发部", "001", "新人"},
                  {"乙", "研发部", "002", ""},
                  {"丙", "销售部", "003", "高管"},
                  {"丁", "市场部", "004", ""},
                  {"戊", "销售部", "005", "新人,高管"}};
    for (const auto& p : people) {
      const int id = app.addParticipant(QString::fromUtf8(p.name), QString::fromUtf8(p.department));
      app.exec(QStringLiteral("update yglb set gh='%1', bq='%2' where id=%3")
                   .arg(QLatin1String(p.number), QString::fromUtf8(p.tags))
                   .arg(id));
    }
    app.setPlan(0, 1, 2, 3, 5);
  }
  QString dir() const { return app.folder(); }
  QString file(const QString& name, const QByteArray& bytes) {
    test::writeFile(app.path(name), bytes);
    return app.path(name);
  }
  // What the commands may change: the plan, its switch and the journal.
  QStringList stored() {
    return app.rows(QStringLiteral("select jx, sl, mcrs, sx, gz, mc from jxsz order by jx")) +
           app.rows(QStringLiteral("select sz from sy where symc='JX'")) +
           app.rows(QStringLiteral("select count(*) from cjrz"));
  }
  TempApp app;
};

TEST_F(PlanCommandTest, SetPrizeReadsBackWithItsRuleAndPool) {
  Outcome before = run({QStringLiteral("plan"), dir()});
  ASSERT_EQ(before.status, 0) << before.error.toStdString();
  EXPECT_TRUE(before.out.value(0).startsWith(QStringLiteral("不限数量")))
      << before.out.value(0).toStdString();
  EXPECT_EQ(byLevel(before.out).value(QStringLiteral("2")).value(3), QStringLiteral("-"));

  const QString excluded = file(QStringLiteral("out.txt"),
                                "\xEF\xBB\xBF"
                                "003\r\n\r\n研发部，乙\n");
  const Outcome set = run({QStringLiteral("plan"), dir(), QStringLiteral("2"), QStringLiteral("4"),
                           QStringLiteral("--per-draw"), QStringLiteral("2"), QStringLiteral("--departments"),
                           QStringLiteral("研发部，销售部, "), QStringLiteral("--exclude-tags"),
                           QStringLiteral("高管"), QStringLiteral("--exclude-people"), excluded});
  ASSERT_EQ(set.status, 0) << set.error.toStdString();
  EXPECT_EQ(set.out, run({QStringLiteral("plan"), dir()}).out) << "what it prints is what is stored";
  EXPECT_TRUE(set.out.value(0).startsWith(QStringLiteral("限制数量："))) << "the limit went on";
  const QStringList second = byLevel(set.out).value(QStringLiteral("2"));
  // Of the five, 甲 alone: 丁 is in another department, 丙 and 戊 carry the tag, 乙 is kept out by name.
  EXPECT_EQ(second, (QStringList{QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("二等奖"),
                                 QStringLiteral("4"), QStringLiteral("2"), QStringLiteral("0"),
                                 QStringLiteral("仅限部门：研发部、销售部；不含标签：高管；另有 2 人不参加"),
                                 QStringLiteral("可抽 1 / 5")}));

  // The rule is replaced as a whole: options left out are no longer part of it.
  ASSERT_EQ(run({QStringLiteral("plan"), dir(), QStringLiteral("2"), QStringLiteral("4"),
                 QStringLiteral("--tags"), QStringLiteral("新人")})
                .status,
            0);
  const QStringList again = byLevel(run({QStringLiteral("plan"), dir()}).out).value(QStringLiteral("2"));
  EXPECT_EQ(again.mid(4), (QStringList{QStringLiteral("1"), QStringLiteral("0"),
                                       QStringLiteral("仅限标签：新人"), QStringLiteral("可抽 2 / 5")}));
}

// --checked-in reaches the stored rule, and the pool counts only those who checked in.
TEST_F(PlanCommandTest, CheckedInOnlyIsStoredAndNarrowsThePool) {
  app.exec(QStringLiteral("update yglb set qd='2024-01-19T18:00:00' where gh in ('001','003','004')"));
  const Outcome set = run({QStringLiteral("plan"), dir(), QStringLiteral("1"), QStringLiteral("1"),
                           QStringLiteral("--checked-in")});
  ASSERT_EQ(set.status, 0) << set.error.toStdString();
  EXPECT_EQ(byLevel(set.out).value(QStringLiteral("1")).mid(6),
            (QStringList{QStringLiteral("仅限已签到"), QStringLiteral("可抽 3 / 5")}));
  const Outcome added = run({QStringLiteral("prize"), QStringLiteral("add"), dir(), QStringLiteral("签到奖"),
                             QStringLiteral("1"), QStringLiteral("--departments"),
                             QStringLiteral("研发部,销售部"), QStringLiteral("--checked-in")});
  ASSERT_EQ(added.status, 0) << added.error.toStdString();
  EXPECT_EQ(
      byLevel(run({QStringLiteral("plan"), dir()}).out).value(added.out.value(0)).mid(6),
      (QStringList{QStringLiteral("仅限部门：研发部、销售部；仅限已签到"), QStringLiteral("可抽 2 / 5")}));

  Query& q = app.dataModule().ADOQuerysetting;
  const PrizePlan stored = PlanStore(q).forDraw();
  const struct {
    int level;
    int pool;
  } cases[] = {{1, 3}, {added.out.value(0).toInt(), 2}, {2, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    const Prize* prize = stored.prize(c.level);
    ASSERT_TRUE(prize);
    EXPECT_EQ(prize->rule.checkedInOnly, c.level != 2);
    EXPECT_EQ(DrawStore(q).eligibleCount(prize->rule), c.pool);
  }
  // Setting the prize again without it takes it away: the rule is replaced as a whole.
  ASSERT_EQ(run({QStringLiteral("plan"), dir(), QStringLiteral("1"), QStringLiteral("1")}).status, 0);
  EXPECT_FALSE(PlanStore(q).forDraw().prize(1)->rule.checkedInOnly);
}

TEST_F(PlanCommandTest, AddedPrizesTakeTheirPlaceAndLeaveAgain) {
  const Outcome added =
      run({QStringLiteral("prize"), QStringLiteral("add"), dir(), QStringLiteral(" 特别奖 "),
           QStringLiteral("2"), QStringLiteral("--before"), QStringLiteral("2")});
  ASSERT_EQ(added.status, 0) << added.error.toStdString();
  ASSERT_EQ(added.out, QStringList{QStringLiteral("100")});
  const Outcome last =
      run({QStringLiteral("prize"), QStringLiteral("add"), dir(), QStringLiteral("阳光奖"),
           QStringLiteral("1"), QStringLiteral("--exclude-departments"), QStringLiteral("市场部")});
  ASSERT_EQ(last.out, QStringList{QStringLiteral("101")});

  QStringList plan = run({QStringLiteral("plan"), dir()}).out;
  EXPECT_EQ(levelsInOrder(plan),
            (QStringList{QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("100"), QStringLiteral("2"),
                         QStringLiteral("1"), QStringLiteral("101")}));
  EXPECT_EQ(byLevel(plan).value(QStringLiteral("100")).mid(0, 4),
            (QStringList{QStringLiteral("3"), QStringLiteral("100"), QStringLiteral("特别奖"),
                         QStringLiteral("2")}));
  EXPECT_EQ(byLevel(plan).value(QStringLiteral("101")).value(7), QStringLiteral("可抽 4 / 5"));

  // Setting an added prize keeps its name and place.
  ASSERT_EQ(run({QStringLiteral("plan"), dir(), QStringLiteral("100"), QStringLiteral("6")}).status, 0);
  plan = run({QStringLiteral("plan"), dir()}).out;
  EXPECT_EQ(byLevel(plan).value(QStringLiteral("100")).mid(0, 4),
            (QStringList{QStringLiteral("3"), QStringLiteral("100"), QStringLiteral("特别奖"),
                         QStringLiteral("6")}));

  ASSERT_EQ(run({QStringLiteral("prize"), QStringLiteral("remove"), dir(), QStringLiteral("100")}).status, 0);
  EXPECT_EQ(levelsInOrder(run({QStringLiteral("plan"), dir()}).out),
            (QStringList{QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"),
                         QStringLiteral("101")}));
}

TEST_F(PlanCommandTest, RefusedCommandsSayWhyAndStoreNothing) {
  ASSERT_EQ(run({QStringLiteral("prize"), QStringLiteral("add"), dir(), QStringLiteral("特别奖"),
                 QStringLiteral("2")})
                .status,
            0);
  app.exec(QStringLiteral("update yglb set zj=100, zjsx=1 where gh='001'"));  // the added prize is won
  const QString missing = app.path(QStringLiteral("missing.txt"));
  const QString badLine = file(QStringLiteral("bad.txt"), "003\n研发部,乙,多余\n");
  const QString latin1 = file(QStringLiteral("latin1.txt"), "M\xfcller\n");
  const auto plan = [&](std::initializer_list<const char*> rest) {
    QStringList args{QStringLiteral("plan"), dir()};
    for (const char* arg : rest) args << QString::fromUtf8(arg);
    return args;
  };
  const auto prize = [&](const char* action, std::initializer_list<const char*> rest) {
    QStringList args{QStringLiteral("prize"), QString::fromLatin1(action), dir()};
    for (const char* arg : rest) args << QString::fromUtf8(arg);
    return args;
  };
  const struct {
    QStringList args;
    int status;
    const char* says;
  } cases[] = {
      {plan({"5", "3"}), 1, "第 5 级"},
      {plan({"99", "3"}), 1, "第 99 级"},
      {plan({"2", "0"}), 1, "至少为 1"},
      {plan({"2", "3", "--per-draw", "0"}), 1, "每次抽取人数至少为 1"},
      {plan({"2", "3", "--exclude-people"}), 2, "--exclude-people 后面缺少值"},
      {plan({"2", "3", "--exclude-people", qPrintable(missing)}), 1, "无法读取"},
      {plan({"2", "3", "--exclude-people", qPrintable(badLine)}), 1, "第 2 行"},
      {plan({"2", "3", "--exclude-people", qPrintable(latin1)}), 1, "UTF-8"},
      {plan({"2", "三"}), 2, "QUANTITY"},
      {plan({"2", "3", "--per-draw", "two"}), 2, "--per-draw"},
      {plan({"2", "3", "--before", "1"}), 2, "--before"},
      {plan({"2"}), 2, ""},
      {prize("add", {"特别奖", "1"}), 1, "已经有名为"},
      {prize("add", {"作废", "1"}), 1, "不能用作"},
      {prize("add", {"新奖", "0"}), 1, "至少为 1"},
      {prize("add", {"新奖", "1", "--before", "7"}), 1, "第 7 级"},
      {prize("add", {"新奖"}), 2, ""},
      {prize("remove", {"1"}), 1, "不能删除"},
      {prize("remove", {"100"}), 1, "已经有人中奖"},
      {prize("remove", {"102"}), 1, "第 102 级"},
      {prize("rename", {"100", "x"}), 2, ""},
  };
  const QStringList before = stored();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.mid(2).join(QLatin1Char(' ')).toStdString());
    const Outcome r = run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says))) << r.error.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(stored(), before);
  }
  // While the lucky draw runs on the folder nothing is written; reading goes on.
  EventLock program(dir());
  const Outcome locked = run(plan({"2", "3"}));
  EXPECT_EQ(locked.status, 1);
  EXPECT_TRUE(locked.error.contains(QStringLiteral("正被另一个程序"))) << locked.error.toStdString();
  EXPECT_EQ(stored(), before);
  EXPECT_EQ(run({QStringLiteral("plan"), dir()}).status, 0);
}

}  // namespace
}  // namespace ld::eventdb
