// Results export and moving an event between machines.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zip.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <ostream>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/draw_store.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "data/prize_levels.h"
#include "data/query.h"
#include "data/transaction.h"
#include "framework/application.h"
#include "framework/errors.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "support/transfer_helpers.h"
#include "transfer/event_pack.h"
#include "transfer/results_export.h"
#include "transfer/table_file.h"

namespace ld {
namespace {

using test::cellsOf;
using test::errorOf;
using test::readFile;
using test::TempApp;
using test::writeFile;

class ExportTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir out;
  Query& q() { return app.dataModule().ADOQuerysetting; }
  void win(int id, int level, int order) {
    app.exec(QStringLiteral("update yglb set zj=%1, zjsx=%2 where id=%3").arg(level).arg(order).arg(id));
  }
};

TEST_F(ExportTest, WinnersInDrawOrderWithPrizeNames) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"));  // not drawn
  const int c = app.addParticipant(QStringLiteral("赵六"), QStringLiteral("客服部"));
  win(a, 4, 2);
  win(b, kOutsidePlan, 3);
  win(c, 1, 1);
  const std::vector<QStringList> expected = {
      {QStringLiteral("中奖顺序"), QStringLiteral("奖项"), QStringLiteral("部门"), QStringLiteral("姓名"),
       QStringLiteral("抽奖时间")},
      {"1", QStringLiteral("一等奖"), QStringLiteral("客服部"), QStringLiteral("赵六")},
      {"2", QStringLiteral("幸运奖"), QStringLiteral("研发部"), QStringLiteral("张三")},
      {"3", QStringLiteral("计划外"), QStringLiteral("销售部"), QStringLiteral("李四")}};
  for (const char* ext : {"csv", "xlsx"}) {
    SCOPED_TRACE(ext);
    const QString file = out.path() + QStringLiteral("/w.") + QLatin1String(ext);
    EXPECT_EQ(exportResults(file, q()), 3);
    // Recorded without the draw, so without a time: the time cell is empty (xlsx leaves it out).
    auto cells = cellsOf(readTable(file));
    for (QStringList& row : cells)
      while (!row.isEmpty() && row.last().isEmpty()) row.removeLast();
    EXPECT_EQ(cells, expected);
  }
  EXPECT_TRUE(readFile(out.path() + QStringLiteral("/w.csv")).startsWith("\xEF\xBB\xBF"));
}

// Departments are text even when every one of them is digits: "007" keeps its zeros in the sheet.
TEST_F(ExportTest, DepartmentsOfDigitsKeepTheirLeadingZeros) {
  const QString departments[] = {QStringLiteral("007"), QStringLiteral("010"), QStringLiteral("8")};
  for (int i = 0; i < 3; ++i)
    win(app.addParticipant(QStringLiteral("员工%1").arg(i), departments[i]), 4, i + 1);
  for (const char* ext : {"csv", "xlsx"}) {
    SCOPED_TRACE(ext);
    const QString file = out.path() + QStringLiteral("/digits.") + QLatin1String(ext);
    ASSERT_EQ(exportResults(file, q()), 3);
    const auto cells = cellsOf(readTable(file));
    ASSERT_EQ(cells.size(), 4u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(cells[size_t(i) + 1].value(0), QString::number(i + 1));
      EXPECT_EQ(cells[size_t(i) + 1].value(2), departments[i]);
    }
  }
}

TEST_F(ExportTest, DrawTimeComesFromTheLatestJournalRecord) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  win(a, 3, 1);
  win(b, 3, 2);
  const auto journal = [&](const char* sj, const char* lx, int order, int id) {
    app.exec(
        QStringLiteral("insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, rs) values ('%1', '%2', %3, 3, %4, "
                       "'', '', 0)")
            .arg(QLatin1String(sj), QLatin1String(lx))
            .arg(order)
            .arg(id));
  };
  journal("2026-12-24T19:00:01.250", "drawn", 1, a);
  journal("2026-12-24T19:05:00.000", "drawn", 2, a);  // an older draw of the same person, another order
  journal("2026-12-24T19:30:00.000", "results cleared", 1, a);
  journal("2026-12-24T20:00:00.000", "drawn", 1, a);  // after a reset, drawn again first: the latest counts
  const auto rows = winnersTable(q());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].value(4), QStringLiteral("抽奖时间"));
  EXPECT_EQ(rows[1].value(4), QStringLiteral("2026-12-24 20:00:00"));
  EXPECT_EQ(rows[2].value(4), QString());  // no journal record for this draw
}

// An absent winner stays in the export with the order and prize they were drawn at, just before the one
// drawn in their place; the time is a real date in the workbook.
TEST_F(ExportTest, AbsentWinnersAndTheDrawTimeAsADate) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  const int c = app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"));
  win(b, 2, 1);
  app.exec(QStringLiteral("update yglb set zj=%1, zjsx=0 where id in (%2, %3)").arg(kAbsent).arg(a).arg(c));
  const auto journal = [&](const char* sj, const char* lx, int order, int level, int id) {
    app.exec(
        QStringLiteral("insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, rs) values ('%1', '%2', %3, %4, "
                       "%5, '', '', 0)")
            .arg(QLatin1String(sj), QLatin1String(lx))
            .arg(order)
            .arg(level)
            .arg(id));
  };
  journal("2026-12-24T19:00:00.000", "drawn", 1, 2, a);
  journal("2026-12-24T19:00:30.000", "absent", 1, 2, a);
  journal("2026-12-24T19:01:00.000", "drawn", 1, 2, b);
  // Absent without a journal row of it (marked by an older version): listed last, its prize unknown.
  const std::vector<QStringList> expected = {
      {QStringLiteral("中奖顺序"), QStringLiteral("奖项"), QStringLiteral("部门"), QStringLiteral("姓名"),
       QStringLiteral("抽奖时间"), QStringLiteral("状态")},
      {"1", QStringLiteral("二等奖"), QStringLiteral("研发部"), QStringLiteral("张三"), "2026-12-24 19:00:00",
       QStringLiteral("缺席")},
      {"1", QStringLiteral("二等奖"), QStringLiteral("销售部"), QStringLiteral("李四"), "2026-12-24 19:01:00",
       QStringLiteral("中奖")},
      {"", "", QStringLiteral("市场部"), QStringLiteral("王五"), "", QStringLiteral("缺席")}};
  for (const char* ext : {"csv", "xlsx"}) {
    SCOPED_TRACE(ext);
    const QString file = out.path() + QStringLiteral("/a.") + QLatin1String(ext);
    EXPECT_EQ(exportResults(file, q()), 1) << "absent ones are not counted as winners";
    auto cells = cellsOf(readTable(file));
    for (QStringList& row : cells)
      while (row.size() < 6) row << QString();
    EXPECT_EQ(cells, expected);
  }
  // In the workbook the time is a number with a date format, not text.
  int error = 0;
  zip_t* z =
      zip_open(QFile::encodeName(out.path() + QStringLiteral("/a.xlsx")).constData(), ZIP_RDONLY, &error);
  ASSERT_TRUE(z);
  zip_file_t* f = zip_fopen(z, "xl/worksheets/sheet1.xml", 0);
  ASSERT_TRUE(f);
  QByteArray xml(1 << 16, '\0');
  xml.resize(qsizetype(zip_fread(f, xml.data(), zip_uint64_t(xml.size()))));
  zip_fclose(f);
  zip_close(z);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("<c r=\"E2\" s=\"\\d+\"><v>46380\\.79"))
                  .match(QString::fromUtf8(xml))
                  .hasMatch())
      << xml.toStdString();
}

// Employee numbers go out as text wherever the roster has them, and a roster export imports back as it was
// written, formula-like names included.
TEST_F(ExportTest, EmployeeNumbersAndTagsGoOutAndComeBackExactly) {
  const int a = app.addParticipant(QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("O'Neill"), QStringLiteral("-销售-"));
  app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"));
  app.exec(QStringLiteral("update yglb set gh='00123', bq='新人,上海' where id=%1").arg(a));
  app.exec(QStringLiteral("update yglb set gh='10023' where id=%1").arg(b));
  win(b, 1, 1);
  const auto rows = rosterTable(q());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (QStringList{QStringLiteral("部门"), QStringLiteral("姓名"), QStringLiteral("照片"),
                                  QStringLiteral("工号"), QStringLiteral("标签")}));
  EXPECT_EQ(rows[1].mid(3), (QStringList{"00123", QStringLiteral("新人,上海")}));
  for (const char* ext : {"csv", "xlsx"}) {
    SCOPED_TRACE(ext);
    const QString roster = out.path() + QStringLiteral("/r.") + QLatin1String(ext);
    EXPECT_EQ(exportRoster(roster, q()), 3);
    auto back = cellsOf(readTable(roster));
    for (QStringList& row : back)
      while (row.size() < 5) row << QString();
    EXPECT_EQ(back, rows);
    const QString winners = out.path() + QStringLiteral("/w.") + QLatin1String(ext);
    EXPECT_EQ(exportResults(winners, q()), 1);
    EXPECT_EQ(cellsOf(readTable(winners)).at(1).mid(0, 5),
              (QStringList{"1", QStringLiteral("一等奖"), QStringLiteral("-销售-"), QStringLiteral("O'Neill"),
                           "10023"}));
  }
  EXPECT_TRUE(readFile(out.path() + QStringLiteral("/r.csv")).contains("'=HYPERLINK"));
  // Without employee numbers the tables are as they always were.
  app.exec(QStringLiteral("update yglb set gh='', bq=''"));
  EXPECT_EQ(rosterTable(q())[0].size(), 3);
  EXPECT_EQ(winnersTable(q())[0].value(4), QStringLiteral("抽奖时间"));
}

// English headings and prize names only when asked, and the same file whichever language the program speaks.
TEST_F(ExportTest, EnglishOnlyWhenAskedWhateverTheProgramSpeaks) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  const int c = app.addParticipant(QStringLiteral("O'Brien"), QStringLiteral("Sales"));
  const int d = app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"));
  win(a, 1, 1);
  win(b, kOutsidePlan, 2);
  win(c, 4, 3);
  win(d, 7, 4);  // no level of the plan: the number, in either language
  const std::vector<QStringList> chinese = {
      {QStringLiteral("中奖顺序"), QStringLiteral("奖项"), QStringLiteral("部门"), QStringLiteral("姓名"),
       QStringLiteral("抽奖时间")},
      {"1", QStringLiteral("一等奖"), QStringLiteral("研发部"), QStringLiteral("张三")},
      {"2", QStringLiteral("计划外"), QStringLiteral("销售部"), QStringLiteral("李四")},
      {"3", QStringLiteral("幸运奖"), "Sales", "O'Brien"},
      {"4", "7", QStringLiteral("市场部"), QStringLiteral("王五")}};
  const std::vector<QStringList> english = {
      {"Draw order", "Prize", "Department", "Name", "Time of draw"},
      {"1", "First prize", QStringLiteral("研发部"), QStringLiteral("张三")},
      {"2", "Outside the plan", QStringLiteral("销售部"), QStringLiteral("李四")},
      {"3", "Lucky prize", "Sales", "O'Brien"},
      {"4", "7", QStringLiteral("市场部"), QStringLiteral("王五")}};
  const struct {
    Language session;
    TableLanguage file;
    const std::vector<QStringList>& expected;
  } cases[] = {{Language::Chinese, TableLanguage::Chinese, chinese},
               {Language::Chinese, TableLanguage::English, english},
               {Language::English, TableLanguage::Chinese, chinese},
               {Language::English, TableLanguage::English, english}};
  auto* program = QCoreApplication::instance();
  for (const auto& c : cases) {
    // Chinese needs nothing of ours loaded (only Qt's own dialog texts may be missing).
    const bool spoken = setLanguage(*program, c.session);
    ASSERT_TRUE(spoken || c.session == Language::Chinese);
    for (const char* ext : {"csv", "xlsx"}) {
      SCOPED_TRACE(QStringLiteral("session %1, file %2, %3")
                       .arg(int(c.session))
                       .arg(int(c.file))
                       .arg(QLatin1String(ext))
                       .toStdString());
      const QString file = out.path() + QStringLiteral("/w.") + QLatin1String(ext);
      EXPECT_EQ(exportResults(file, q(), c.file), 4);
      auto cells = cellsOf(readTable(file));
      for (QStringList& row : cells)
        while (!row.isEmpty() && row.last().isEmpty()) row.removeLast();
      EXPECT_EQ(cells, c.expected);
    }
    // The English file names the prizes as the English screen does.
    if (c.session == Language::English) {
      EXPECT_EQ(english[1][1], shownPrizeName(1));
      EXPECT_EQ(english[2][1], Tr::tr("计划外奖项"));
      EXPECT_EQ(english[3][1], shownPrizeName(4));
    }
  }
  setLanguage(*program, Language::Chinese);

  const auto roster = rosterTable(q(), TableLanguage::English);
  const auto stored = rosterTable(q());
  ASSERT_EQ(roster.size(), 5u);
  EXPECT_EQ(roster.front(), (QStringList{"Department", "Name", "Photo"}));
  EXPECT_EQ(stored.front(),
            (QStringList{QStringLiteral("部门"), QStringLiteral("姓名"), QStringLiteral("照片")}));
  EXPECT_TRUE(std::equal(roster.begin() + 1, roster.end(), stored.begin() + 1))
      << "values are never translated";
}

// An extra prize goes out under its own name; a voided win stays at its order with why, and a win voided
// before the results were cleared is a win again.
TEST_F(ExportTest, ExtraPrizesByNameAndVoidedWinsWithTheirReason) {
  Prize special;
  special.name = QStringLiteral("特别奖");
  special.quantity = 1;
  ASSERT_EQ(PlanStore(q()).addPrize(special, std::nullopt), kFirstExtraLevel);
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  const int c = app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"));
  const int d = app.addParticipant(QStringLiteral("赵六"), QStringLiteral("客服部"));
  const int e = app.addParticipant(QStringLiteral("钱七"), QStringLiteral("财务部"));
  win(a, kFirstExtraLevel, 1);
  win(b, kVoided, 2);
  win(c, 2, 3);
  win(d, 4, 4);
  win(e, kVoided, 5);  // of a prize since taken out of the plan: the journal names it
  const auto journal = [&](const char* sj, const char* lx, int order, int level, int id, const char* prize,
                           const char* reason) {
    app.exec(
        QStringLiteral("insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, rs, jp, yy) values ('%1', '%2', "
                       "%3, %4, %5, '', '', 0, '%6', '%7')")
            .arg(QLatin1String(sj), QLatin1String(lx))
            .arg(order)
            .arg(level)
            .arg(id)
            .arg(QString::fromUtf8(prize), QString::fromUtf8(reason)));
  };
  journal("2026-12-24T19:00:00.000", "voided", 1, 3, d, "三等奖", "旧的");
  journal("2026-12-24T19:10:00.000", "results cleared", 0, 0, 0, "", "");
  journal("2026-12-24T20:00:00.000", "drawn", 1, kFirstExtraLevel, a, "特别奖", "");
  journal("2026-12-24T20:01:00.000", "drawn", 2, 2, b, "二等奖", "");
  journal("2026-12-24T20:02:00.000", "voided", 2, 2, b, "二等奖", "本人放弃");
  journal("2026-12-24T20:03:00.000", "voided", 5, kFirstExtraLevel + 1, e, "阳光奖", "不在职");
  const std::vector<QStringList> chinese = {
      {QStringLiteral("中奖顺序"), QStringLiteral("奖项"), QStringLiteral("部门"), QStringLiteral("姓名"),
       QStringLiteral("抽奖时间"), QStringLiteral("状态"), QStringLiteral("作废原因")},
      {"1", QStringLiteral("特别奖"), QStringLiteral("研发部"), QStringLiteral("张三"), "2026-12-24 20:00:00",
       QStringLiteral("中奖"), ""},
      {"2", QStringLiteral("二等奖"), QStringLiteral("销售部"), QStringLiteral("李四"), "2026-12-24 20:01:00",
       QStringLiteral("作废"), QStringLiteral("本人放弃")},
      {"3", QStringLiteral("二等奖"), QStringLiteral("市场部"), QStringLiteral("王五"), "",
       QStringLiteral("中奖"), ""},
      {"4", QStringLiteral("幸运奖"), QStringLiteral("客服部"), QStringLiteral("赵六"), "",
       QStringLiteral("中奖"), ""},
      {"5", QStringLiteral("阳光奖"), QStringLiteral("财务部"), QStringLiteral("钱七"), "",
       QStringLiteral("作废"), QStringLiteral("不在职")}};
  std::vector<QStringList> english = chinese;
  english[0] = {"Draw order", "Prize", "Department", "Name", "Time of draw", "Status", "Reason for voiding"};
  for (const auto& [row, prize, status] : {std::tuple{1, "", "Won"},
                                           {2, "Second prize", "Voided"},
                                           {3, "Second prize", "Won"},
                                           {4, "Lucky prize", "Won"},
                                           {5, "", "Voided"}}) {
    if (*prize) english[size_t(row)][1] = QLatin1String(prize);
    english[size_t(row)][5] = QLatin1String(status);
  }
  const std::pair<TableLanguage, const std::vector<QStringList>*> languages[] = {
      {TableLanguage::Chinese, &chinese}, {TableLanguage::English, &english}};
  for (const auto& [language, expected] : languages) {
    for (const char* ext : {"csv", "xlsx"}) {
      SCOPED_TRACE(QStringLiteral("%1 %2").arg(int(language)).arg(QLatin1String(ext)).toStdString());
      const QString file = out.path() + QStringLiteral("/v.") + QLatin1String(ext);
      EXPECT_EQ(exportResults(file, q(), language), 3) << "voided wins are not counted as winners";
      auto cells = cellsOf(readTable(file));
      for (QStringList& row : cells)
        while (row.size() < 7) row << QString();
      EXPECT_EQ(cells, *expected);
    }
  }
}

TEST_F(ExportTest, NothingDrawnGivesTheHeaderOnly) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  EXPECT_EQ(exportResults(out.path() + QStringLiteral("/w.xlsx"), q()), 0);
  EXPECT_EQ(readTable(out.path() + QStringLiteral("/w.xlsx")).rows.size(), 1u);
  EXPECT_FALSE(errorOf([&] { exportResults(out.path() + QStringLiteral("/w.pdf"), q()); }).isEmpty());
}

class PackTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir work;
  QString archive() { return work.path() + QStringLiteral("/event.zip"); }
  QString target() { return work.path() + QStringLiteral("/new event"); }
  QStringList entries(const QString& folder) {
    QStringList all;
    for (const char* sub : {"db", "zp"}) {
      for (const QString& f :
           QDir(folder + QLatin1Char('/') + QLatin1String(sub)).entryList(QDir::Files | QDir::Hidden))
        all << QLatin1String(sub) + QLatin1Char('/') + f;
    }
    all << QDir(folder)
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
               .join(QLatin1Char(','));
    return all;
  }
  // An archive made by hand, to hold what our own packing never would.
  void handMade(const std::vector<std::pair<QString, QByteArray>>& files) {
    ASSERT_TRUE(ld::test::writeZip(archive(), files));
  }
};

TEST_F(PackTest, PackedEventUnpacksElsewhereWhole) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"), true, Qt::red);
  app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"), true, Qt::blue);
  app.addParticipant(QStringLiteral("王五"), QStringLiteral("市场部"), false);
  writeFile(app.path(QStringLiteral("zp/temp.jpg")), "not part of the event");
  const PackSummary packed = packEvent(app.folder(), archive());
  EXPECT_EQ(packed.participants, 3);
  EXPECT_EQ(packed.photos, 2);

  const PackSummary unpacked = unpackEvent(archive(), target());
  EXPECT_EQ(unpacked.photos, 2);
  EXPECT_EQ(entries(target()), (QStringList{"db/db.mdb", QStringLiteral("zp/研发部_张三.jpg"),
                                            QStringLiteral("zp/销售部_李四.jpg"), "db,zp"}));
  EXPECT_EQ(readFile(target() + QStringLiteral("/zp/研发部_张三.jpg")),
            readFile(app.path(QStringLiteral("zp/研发部_张三.jpg"))));
  // The database is a copy taken through the engine: encrypted anew, with the same rows.
  const auto contents = [](const QString& folder) {
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(folder));
    Query q(c);
    QStringList rows;
    for (const char* table : {"yglb", "jcsz", "jxsz", "cjrz"}) {
      q.openSql(QStringLiteral("select * from ") + QLatin1String(table));
      q.first();
      for (int r = 0; r < q.recordCount(); ++r, q.next()) {
        QStringList fields;
        for (const QString& column : q.columnNames()) {
          const Field f = q.fieldByName(column);
          fields << (f.isNull() ? QStringLiteral("NULL") : f.asString());
        }
        rows << QLatin1String(table) + QLatin1Char(':') + fields.join(QLatin1Char('|'));
      }
    }
    return rows;
  };
  EXPECT_EQ(contents(target() + QLatin1Char('/')), contents(app.folder()));

  // Never over an existing event, nor over an existing archive.
  const QStringList before = entries(target());
  EXPECT_TRUE(
      errorOf([&] { unpackEvent(archive(), target()); }).contains(QStringLiteral("已经有活动数据库")));
  EXPECT_TRUE(errorOf([&] { packEvent(app.folder(), archive()); }).contains(QStringLiteral("已经存在")));
  EXPECT_EQ(entries(target()), before);
}

TEST_F(PackTest, MissingPhotoIsNotPacked) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  QFile::remove(app.path(QStringLiteral("zp/研发部_张三.jpg")));
  EXPECT_TRUE(
      errorOf([&] { packEvent(app.folder(), archive()); }).contains(QStringLiteral("研发部_张三.jpg")));
  EXPECT_FALSE(QFile::exists(archive()));
}

TEST_F(PackTest, BadArchivesChangeNothing) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const QByteArray db = readFile(app.dbPath());
  const QByteArray photo = readFile(app.path(QStringLiteral("zp/研发部_张三.jpg")));
  QByteArray plain = db;
  plain.replace(0, 16, "SQLite format 3\0");  // a database not keyed with the event password
  const struct {
    const char* what;
    std::vector<std::pair<QString, QByteArray>> files;
    const char* expected;
  } cases[] = {
      {"photo of the roster missing", {{"db/db.mdb", db}}, "缺少名单中 1 位员工的照片"},
      {"no database", {{QStringLiteral("zp/研发部_张三.jpg"), photo}}, "没有活动数据库"},
      {"a path leaving the folder", {{"db/db.mdb", db}, {"zp/../../evil.sh", "x"}}, "不属于活动的文件"},
      {"the program itself", {{"db/db.mdb", db}, {"luckydraw", "x"}}, "不属于活动的文件"},
      {"wrong password",
       {{"db/db.mdb", plain}, {QStringLiteral("zp/研发部_张三.jpg"), photo}},
       "无法用活动密码打开"},
      // Each beside the roster's own photo, so that it is the only fault.
      {"a photo in a sub-folder of zp/",
       {{"db/db.mdb", db},
        {QStringLiteral("zp/研发部_张三.jpg"), photo},
        {QStringLiteral("zp/旧照片/研发部_张三.jpg"), photo}},
       "不属于活动的文件"},
      {"a hidden photo",
       {{"db/db.mdb", db},
        {QStringLiteral("zp/研发部_张三.jpg"), photo},
        {QStringLiteral("zp/.研发部_张三.jpg"), photo}},
       "不属于活动的文件"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(archive());
    handMade(c.files);
    QDir().mkpath(target());
    const QStringList before = entries(target());
    const QString message = errorOf([&] { unpackEvent(archive(), target()); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
    EXPECT_EQ(entries(target()), before);
  }
  // A folder that the unpack had to make is gone again after a refusal.
  QFile::remove(archive());
  handMade({{"db/db.mdb", db}});
  EXPECT_FALSE(errorOf([&] { unpackEvent(archive(), work.path() + QStringLiteral("/fresh")); }).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(work.path() + QStringLiteral("/fresh")));
  writeFile(archive(), "not a zip at all");
  EXPECT_TRUE(
      errorOf([&] { unpackEvent(archive(), target()); }).contains(QStringLiteral("不是有效的活动打包文件")));
  // A photo already in the target's zp/ is never overwritten.
  QFile::remove(archive());
  handMade({{"db/db.mdb", db}, {QStringLiteral("zp/研发部_张三.jpg"), photo}});
  QDir().mkpath(target() + QStringLiteral("/zp"));
  writeFile(target() + QStringLiteral("/zp/研发部_张三.jpg"), "someone else's");
  EXPECT_TRUE(errorOf([&] { unpackEvent(archive(), target()); }).contains(QStringLiteral("不会覆盖")));
  EXPECT_EQ(readFile(target() + QStringLiteral("/zp/研发部_张三.jpg")), QByteArray("someone else's"));
  EXPECT_FALSE(QFile::exists(target() + QStringLiteral("/db/db.mdb")));
}

// Every kind of foreign object is a case of the schema check's own tests; here the archive's way to it.
TEST_F(PackTest, ATamperedDatabaseIsRefusedAndNothingIsLaidOut) {
  TempApp rigged;
  rigged.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  rigged.exec(
      QStringLiteral("create trigger rig after update of zj on yglb when new.zj>0 and new.id<>1 begin "
                     "update yglb set zj=new.zj, zjsx=new.zjsx where id=1; update yglb set zj=0, zjsx=0 "
                     "where id=new.id; end"));
  handMade(
      {{"db/db.mdb", readFile(rigged.dbPath())},
       {QStringLiteral("zp/研发部_张三.jpg"), readFile(rigged.path(QStringLiteral("zp/研发部_张三.jpg")))}});
  QDir().mkpath(target());
  const QStringList before = entries(target());
  const QString message = errorOf([&] { unpackEvent(archive(), target()); });
  EXPECT_TRUE(message.contains(QStringLiteral("多余的触发器 rig"))) << message.toStdString();
  EXPECT_EQ(entries(target()), before);
}

TEST_F(PackTest, OnlyThePhotosTheRosterNamesAreTakenAndLimitsAreNamed) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const QByteArray db = readFile(app.dbPath());
  const QByteArray photo = readFile(app.path(QStringLiteral("zp/研发部_张三.jpg")));
  std::vector<std::pair<QString, QByteArray>> files = {{"db/db.mdb", db},
                                                       {QStringLiteral("zp/研发部_张三.jpg"), photo}};
  for (int i = 0; i < 40; ++i) files.emplace_back(QStringLiteral("zp/extra%1.jpg").arg(i), "x");
  handMade(files);
  const PackSummary s = unpackEvent(archive(), target());
  EXPECT_EQ(s.photos, 1);
  EXPECT_EQ(s.skipped.size(), 40);
  EXPECT_EQ(entries(target()), (QStringList{"db/db.mdb", QStringLiteral("zp/研发部_张三.jpg"), "db,zp"}));

  // A photo that would inflate beyond its limit is refused by its declared size, before anything is written.
  QFile::remove(archive());
  handMade({{"db/db.mdb", db}, {QStringLiteral("zp/研发部_张三.jpg"), QByteArray(65 * 1024 * 1024, '\0')}});
  const QString fresh = work.path() + QStringLiteral("/fresh");
  const QString message = errorOf([&] { unpackEvent(archive(), fresh); });
  EXPECT_TRUE(message.contains(QStringLiteral("64 MB 的上限"))) << message.toStdString();
  EXPECT_FALSE(QFileInfo::exists(fresh));
}

// The draw's records as a later start reads them: gapless draw orders, no prize beyond its plan, and the
// journal's stops the same as the recorded winners.
void expectWholeDraw(const QString& folder, int winners) {
  Connection c;
  c.setConnectionString(TDataModule1::connectionStringFor(folder));
  const auto rows = [&](const char* statement) {
    Query q(c);
    q.openSql(QString::fromUtf8(statement));
    QStringList out;
    q.first();
    for (int r = 0; r < q.recordCount(); ++r, q.next()) out << q.fieldByName(q.columnNames()[0]).asString();
    return out;
  };
  const QStringList recorded = rows("select id||'/'||zj||'/'||zjsx as w from yglb where zj>0 order by zjsx");
  EXPECT_EQ(recorded.size(), winners);
  EXPECT_EQ(rows("select max(zjsx) as m from yglb"), QStringList{QString::number(winners)});
  EXPECT_EQ(rows("select jx from jxsz where sl < (select count(*) from yglb where zj=jx)"), QStringList());
  EXPECT_EQ(rows("select ygid||'/'||zj||'/'||zjsx as w from cjrz where lx='drawn' order by zjsx"), recorded);
}

TEST_F(PackTest, AnUnpackKilledAtAnyStepLeavesTheTargetAsBeforeOrComplete) {
  QStringList photos;
  for (int i = 0; i < 3; ++i) {
    const int id = app.addParticipant(QStringLiteral("员工%1").arg(i), QStringLiteral("研发部"));
    photos << QStringLiteral("zp/研发部_员工%1.jpg").arg(i);
    Query& q = app.dataModule().ADOQuerysetting;
    Transaction t(q.connection());
    DrawStore draw(q);
    ASSERT_TRUE(draw.recordWinner(id, 4, i + 1));
    draw.journal({JournalEvent::Drawn, i + 1, 4, id, QStringLiteral("员工%1").arg(i),
                  QStringLiteral("研发部"), 3 - i});
    t.commit();
  }
  packEvent(app.folder(), archive());
  const QStringList complete = QStringList{"db/db.mdb"} + photos + QStringList{"db,zp"};

  // Staging the database and three photos, the sync, the record, three photos placed, the database placed.
  const int steps = 10;
  for (int kill = 1; kill <= steps + 1; ++kill) {
    SCOPED_TRACE(kill);
    QDir(target()).removeRecursively();
    QDir().mkpath(target());
    const int status = ld::test::unpackKilledAt(kill, archive(), target());
    ASSERT_NE(status, -1);
    ASSERT_EQ(kill <= steps, WIFSIGNALED(status)) << status;
    if (!WIFSIGNALED(status)) {
      ASSERT_EQ(WEXITSTATUS(status), 0);
    }

    const bool done = QFileInfo::exists(target() + QStringLiteral("/db/db.mdb"));
    EXPECT_EQ(done, kill >= steps);
    tidyEventFolder(target());
    if (done) {
      EXPECT_EQ(entries(target()), complete);
    } else {
      EXPECT_EQ(entries(target()), (QStringList{"db,zp"})) << "as before: no file of the event";
      // The same archive again now works.
      EXPECT_EQ(unpackEvent(archive(), target()).photos, 3);
      EXPECT_EQ(entries(target()), complete);
    }
    expectWholeDraw(target() + QLatin1Char('/'), 3);
  }
}

}  // namespace
}  // namespace ld
