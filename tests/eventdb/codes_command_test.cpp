// eventdb codes: the list HR sends reads back as the roster holds it, codes stay what they were, and the
// invitation cards come as a whole PDF or not at all.
#include "eventdb/codes_command.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "data/checkin_store.h"
#include "framework/event_lock.h"
#include "support/temp_app.h"
#include "transfer/invitation_cards.h"
#include "transfer/table_file.h"

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
  r.status = runCodesCommand(args, r.out, r.error);
  return r;
}

std::vector<QStringList> cellsOf(const QString& file) {
  std::vector<QStringList> rows;
  for (const TableRow& row : readTable(file).rows) rows.push_back(row.cells);
  return rows;
}

class CodesCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const struct {
      const char *name, *department, *number;
    } people[] = {{"甲", "研发部", "00123"}, {"乙", "销售部", ""}, {"丙", "=HYPERLINK()", "E7"}};
    for (const auto& p : people) {
      const int id = app.addParticipant(QString::fromUtf8(p.name), QString::fromUtf8(p.department));
      app.exec(QStringLiteral("update yglb set gh='%1' where id=%2").arg(QLatin1String(p.number)).arg(id));
    }
  }
  QString out(const QString& name) const { return work.path() + QLatin1Char('/') + name; }
  // The roster as the list should show it, in id order.
  std::vector<QStringList> expected() {
    std::vector<QStringList> rows{
        {QStringLiteral("工号"), QStringLiteral("部门"), QStringLiteral("姓名"), QStringLiteral("签到码")}};
    for (const QString& row : app.rows(QStringLiteral("select gh, bm, xm, qdm from yglb order by id")))
      rows.push_back(row.split(QLatin1Char('|')));
    return rows;
  }
  TempApp app;
  QTemporaryDir work;
};

TEST_F(CodesCommandTest, TheListReadsBackInBothFormatsAndCodesStayAsIssued) {
  for (const char* name : {"codes.csv", "codes.xlsx"}) {
    SCOPED_TRACE(name);
    const QString file = out(QString::fromLatin1(name));
    const Outcome first = run({QStringLiteral("codes"), app.folder(), file});
    ASSERT_EQ(first.status, 0) << first.error.toStdString();
    const std::vector<QStringList> written = cellsOf(file);
    EXPECT_EQ(written, expected())
        << "a 工号 keeps its zeros, a formula-like department reads back as stored";
    // Issued once: the second run and the other format list the same codes.
    const Outcome again = run({QStringLiteral("codes"), app.folder(), file});
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(cellsOf(file), written);
  }
  EXPECT_TRUE(test::readFile(out(QStringLiteral("codes.csv"))).startsWith("\xEF\xBB\xBF"));

  static const QRegularExpression alphabet(QStringLiteral("^[%1]+$").arg(QLatin1String(kCodeAlphabet)));
  for (const QString& row : app.rows(QStringLiteral("select gh, qdm from yglb"))) {
    const QString gh = row.section(QLatin1Char('|'), 0, 0), code = row.section(QLatin1Char('|'), 1, 1);
    EXPECT_EQ(code.size(), gh.isEmpty() ? kCodeAloneLength : kCodeLength) << row.toStdString();
    EXPECT_TRUE(alphabet.match(code).hasMatch()) << row.toStdString();
  }

  // Someone added later gets a code; the others keep theirs.
  const QStringList before = app.rows(QStringLiteral("select qdm from yglb order by id"));
  app.addParticipant(QStringLiteral("丁"), QStringLiteral("市场部"));
  ASSERT_EQ(run({QStringLiteral("codes"), app.folder(), out(QStringLiteral("codes.csv"))}).status, 0);
  const QStringList after = app.rows(QStringLiteral("select qdm from yglb order by id"));
  ASSERT_EQ(after.size(), 4);
  EXPECT_EQ(after.mid(0, 3), before);
  EXPECT_EQ(after[3].size(), kCodeAloneLength);
  EXPECT_EQ(cellsOf(out(QStringLiteral("codes.csv"))), expected());
}

// A PDF of whole pages, eight cards to a page.
TEST_F(CodesCommandTest, CardsAreAPdfWithAPageForEveryEightPeople) {
  const struct {
    int people;
    int pages;
  } cases[] = {{3, 1}, {8, 1}, {9, 2}, {17, 3}};
  int have = 3;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.people);
    for (; have < c.people; ++have)
      app.addParticipant(QStringLiteral("员工%1").arg(have), QStringLiteral("生产部"));
    const QString cards = out(QStringLiteral("cards-%1.pdf").arg(c.people));
    const Outcome r = run({QStringLiteral("codes"), app.folder(), out(QStringLiteral("codes.xlsx")),
                           QStringLiteral("--cards"), cards, QStringLiteral("--url"),
                           QStringLiteral("https://draw.example.com:8443/")});
    ASSERT_EQ(r.status, 0) << r.error.toStdString();
    const QByteArray pdf = test::readFile(cards);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    EXPECT_EQ(QString::fromLatin1(pdf).count(page), c.pages);
    EXPECT_TRUE(r.out.join(QLatin1Char('\n')).contains(QStringLiteral("（%1 页）").arg(c.pages)));
  }
}

TEST(CheckInLinks, CarryTheNumberAndCodeEncodedAfterAnyBase) {
  const struct {
    const char *base, *number, *code, *link;
  } cases[] = {
      {"http://10.0.0.5:8080", "00123", "K8DU2Q", "http://10.0.0.5:8080/checkin?gh=00123&code=K8DU2Q"},
      {"https://x.example/draw//", "A 1&b=2", "K8DU2Q",
       "https://x.example/draw/checkin?gh=A%201%26b%3D2&code=K8DU2Q"},
      {" http://h ", "工号", "", "http://h/checkin?gh=%E5%B7%A5%E5%8F%B7&code="},
      {"http://h", "", "VTRFP35K4A", "http://h/checkin?gh=&code=VTRFP35K4A"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(checkInLink(QString::fromUtf8(c.base), QString::fromUtf8(c.number), QString::fromUtf8(c.code)),
              QString::fromUtf8(c.link));
  for (const char* bad : {"ftp://h", "http://", "h:8080", "http://h/?a=1", "http://h/#x", ""})
    EXPECT_FALSE(checkInBaseProblem(QString::fromUtf8(bad)).isEmpty()) << bad;
}

// A command refused or failed writes no file and issues no code.
TEST_F(CodesCommandTest, RefusedOrFailedRunsLeaveNothingBehind) {
  const QString list = out(QStringLiteral("codes.csv")), cards = out(QStringLiteral("cards.pdf"));
  const QString url = QStringLiteral("http://10.0.0.5:8080");
  const QString nowhere = out(QStringLiteral("missing/cards.pdf"));
  const struct {
    QStringList rest;
    int status;
    const char* says;
  } cases[] = {
      {{list, QStringLiteral("--cards"), cards}, 2, "--url"},
      {{list, QStringLiteral("--url"), url}, 2, "--cards"},
      {{list, QStringLiteral("--cards"), cards, QStringLiteral("--url"), QStringLiteral("ftp://x")},
       2,
       "http://"},
      {{list, QStringLiteral("--cards")}, 2, "缺少值"},
      {{list, QStringLiteral("--english")}, 2, "--english"},
      {{out(QStringLiteral("codes.txt"))}, 2, ".xlsx"},
      {{}, 2, ""},
      {{list, QStringLiteral("--cards"), nowhere, QStringLiteral("--url"), url}, 1, "无法写入"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rest.join(QLatin1Char(' ')).toStdString());
    const Outcome r = run(QStringList{QStringLiteral("codes"), app.folder()} + c.rest);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says))) << r.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(list));
    EXPECT_FALSE(QFileInfo::exists(cards));
    if (c.status == 2) {
      EXPECT_EQ(app.count(QStringLiteral("select id from yglb where qdm<>''")), 0);
    }
  }
  // While the lucky draw has the event, no code is issued.
  {
    EventLock program(app.folder());
    const Outcome locked = run({QStringLiteral("codes"), app.folder(), list});
    EXPECT_EQ(locked.status, 1);
    EXPECT_FALSE(QFileInfo::exists(list));
  }
  // An empty roster has no cards to print.
  app.exec(QStringLiteral("delete from yglb"));
  const Outcome empty = run({QStringLiteral("codes"), app.folder(), list, QStringLiteral("--cards"), cards,
                             QStringLiteral("--url"), url});
  EXPECT_EQ(empty.status, 1);
  EXPECT_FALSE(QFileInfo::exists(cards));
}

}  // namespace
}  // namespace ld::eventdb
