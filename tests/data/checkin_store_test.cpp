// Check-in: codes that can be typed and cannot be guessed, one check-in per person whatever the phones do,
// every check-in and refusal in the journal, and the rule "checked in only" drawing from exactly them.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include "data/checkin_store.h"
#include "data/draw_store.h"
#include "data/prize_rule.h"
#include "data/roster_store.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

class CheckIn : public ::testing::Test {
 protected:
  void SetUp() override {
    roster.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"), QStringLiteral("zp\\a.jpg"),
                          QStringLiteral("E001"));
    roster.addParticipant(QStringLiteral("O'Brien<b>"), QStringLiteral("市场部"), QStringLiteral("zp\\b.jpg"),
                          QStringLiteral("e002"));
    roster.addParticipant(QStringLiteral("李四"), QStringLiteral("研发部"), QStringLiteral("zp\\c.jpg"));
    roster.addParticipant(QStringLiteral("王五"), QStringLiteral("研发部"), QStringLiteral("zp\\d.jpg"));
    for (const PersonalCode& c : store.codes()) codes[c.id] = c;
  }
  int journalRows(const QString& event) {
    return app.count(QStringLiteral("select xh from cjrz where lx='%1'").arg(event));
  }

  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  RosterStore roster{q};
  CheckInStore store{q};
  QHash<int, PersonalCode> codes;
};

TEST_F(CheckIn, CodesAreShortWithAnEmployeeNumberLongWithoutAndKept) {
  ASSERT_EQ(codes.size(), 4);
  const QRegularExpression alphabet(QStringLiteral("^[%1]+$").arg(QLatin1String(kCodeAlphabet)));
  for (const PersonalCode& c : codes) {
    SCOPED_TRACE(c.name.toStdString());
    EXPECT_EQ(c.code.size(), c.employeeId.isEmpty() ? kCodeAloneLength : kCodeLength);
    EXPECT_TRUE(alphabet.match(c.code).hasMatch()) << c.code.toStdString();
  }
  EXPECT_NE(codes[3].code, codes[4].code);
  // A second run, and a participant added later, keep every code given.
  roster.addParticipant(QStringLiteral("赵六"), QStringLiteral("市场部"), QStringLiteral("zp\\e.jpg"));
  EXPECT_EQ(store.issueCodes(), 1);
  EXPECT_EQ(store.issueCodes(), 0);
  for (const PersonalCode& c : store.codes()) {
    if (codes.contains(c.id)) {
      EXPECT_EQ(c.code, codes[c.id].code);
    }
  }
}

TEST_F(CheckIn, OnePersonOnePhone) {
  const PersonalCode& zhang = codes[1];
  // Typed as people type: lower case, blanks, a dash; the employee number in another case.
  QString typed = zhang.code.toLower();
  typed.insert(3, QStringLiteral(" - "));
  CheckInResult r = store.checkIn(QStringLiteral(" e001 "), typed, "phone-A");
  EXPECT_EQ(r.outcome, CheckInOutcome::CheckedIn);
  EXPECT_EQ(r.name, QStringLiteral("张三"));
  EXPECT_FALSE(r.time.isEmpty());
  EXPECT_EQ(app.rows(QStringLiteral("select qd<>'' from yglb where id=1")), QStringList{QStringLiteral("1")});
  EXPECT_EQ(journalRows(QStringLiteral("checked in")), 1);
  EXPECT_EQ(app.rows(QStringLiteral("select gh, xm, yy from cjrz where lx='checked in'")),
            QStringList{QStringLiteral("E001|张三|手机")});

  // The same phone again is only told it is in; another phone is refused and listed, once per try.
  EXPECT_EQ(store.checkIn(QStringLiteral("E001"), zhang.code, "phone-A").outcome, CheckInOutcome::AlreadyCheckedIn);
  EXPECT_EQ(store.checkIn(QStringLiteral("E001"), zhang.code, "phone-B").outcome, CheckInOutcome::OtherPhone);
  EXPECT_EQ(journalRows(QStringLiteral("checked in")), 1);
  EXPECT_EQ(journalRows(QStringLiteral("check-in refused")), 1);
  const std::vector<RefusedCheckIn> refused = store.refused();
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].name, QStringLiteral("张三"));
  EXPECT_EQ(refused[0].employeeId, QStringLiteral("E001"));
  // The phone's token is never stored as it is.
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where qdsb like '%phone%'")), 0);

  ASSERT_TRUE(store.byPhone("phone-A"));
  EXPECT_EQ(store.byPhone("phone-A")->id, 1);
  EXPECT_FALSE(store.byPhone("phone-B"));
  EXPECT_FALSE(store.byPhone(""));
}

// Staff checked them in at the door; their own phone later is theirs, not "another phone".
TEST_F(CheckIn, APhoneAfterACheckInByHandIsToldItIsIn) {
  ASSERT_EQ(store.checkInByHand(1).outcome, CheckInOutcome::CheckedIn);
  EXPECT_EQ(store.checkIn(QStringLiteral("E001"), codes[1].code, "phone-A").outcome,
            CheckInOutcome::AlreadyCheckedIn);
  EXPECT_EQ(journalRows(QStringLiteral("check-in refused")), 0);
  EXPECT_EQ(journalRows(QStringLiteral("checked in")), 1);
  ASSERT_TRUE(store.byPhone("phone-A"));
  EXPECT_EQ(store.byPhone("phone-A")->id, 1);
  // From then on that phone is the one: a further phone is refused as usual.
  EXPECT_EQ(store.checkIn(QStringLiteral("E001"), codes[1].code, "phone-B").outcome, CheckInOutcome::OtherPhone);
}

TEST_F(CheckIn, WrongCodesCheckNobodyIn) {
  const struct {
    QString employeeId, code;
  } wrong[] = {
      {QStringLiteral("E001"), codes[2].code},         // another person's code
      {QStringLiteral("E001"), QString()},             // none
      {QStringLiteral("E999"), codes[1].code},         // nobody's number
      {QString(), codes[1].code},                      // a short code alone names nobody
      {QStringLiteral("E001"), codes[3].code},         // a code-alone person's code under a number
      {QStringLiteral("' or 1=1 --"), QStringLiteral("' or '1'='1")},
  };
  for (const auto& w : wrong) {
    SCOPED_TRACE((w.employeeId + QLatin1Char('/') + w.code).toStdString());
    EXPECT_EQ(store.checkIn(w.employeeId, w.code, "phone").outcome, CheckInOutcome::WrongCode);
  }
  EXPECT_EQ(store.counts().checkedIn, 0);
  EXPECT_EQ(app.count(QStringLiteral("select xh from cjrz")), 0);
  // Without an employee number the long code alone is enough.
  const CheckInResult li = store.checkIn(QString(), codes[3].code, "phone");
  EXPECT_EQ(li.outcome, CheckInOutcome::CheckedIn);
  EXPECT_EQ(li.id, 3);
}

TEST_F(CheckIn, ByHandAndTheRuleCheckedInOnly) {
  EXPECT_EQ(store.checkInByHand(4).outcome, CheckInOutcome::CheckedIn);
  EXPECT_EQ(store.checkInByHand(4).outcome, CheckInOutcome::AlreadyCheckedIn);
  EXPECT_EQ(store.checkInByHand(99).outcome, CheckInOutcome::WrongCode);
  EXPECT_EQ(app.rows(QStringLiteral("select xm, yy from cjrz where lx='checked in'")),
            QStringList{QStringLiteral("王五|手工")});
  ASSERT_EQ(store.checkIn(QStringLiteral("E002"), codes[2].code, "p").outcome, CheckInOutcome::CheckedIn);
  EXPECT_EQ(store.counts().checkedIn, 2);
  EXPECT_EQ(store.counts().total, 4);

  PrizeRule rule;
  rule.checkedInOnly = true;
  DrawStore draw(q);
  EXPECT_EQ(draw.eligibleIds(rule), (std::vector<int>{2, 4}));
  rule.departments = QStringList{QStringLiteral("研发部")};
  EXPECT_EQ(draw.eligibleIds(rule), (std::vector<int>{4}));
  EXPECT_TRUE(rule.admits(QStringLiteral("研发部"), QStringLiteral("王五"), {}, {}, true));
  EXPECT_FALSE(rule.admits(QStringLiteral("研发部"), QStringLiteral("王五"), {}, {}, false));
  EXPECT_EQ(PrizeRule::fromJson(rule.toJson()), rule);
  EXPECT_TRUE(rule.text().contains(QStringLiteral("仅限已签到")));

  // Found by number or by part of the name, a name's % or _ taken as it is.
  EXPECT_EQ(store.find(QStringLiteral("e001")).size(), 1u);
  EXPECT_EQ(store.find(QStringLiteral("Brien<")).size(), 1u);
  EXPECT_TRUE(store.find(QStringLiteral("%")).empty());
  EXPECT_EQ(store.find(QStringLiteral("王五")).at(0).checkedInAt.isEmpty(), false);
}

}  // namespace
