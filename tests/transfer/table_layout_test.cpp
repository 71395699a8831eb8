// Finding the participants in sheets as HR keeps them: titles above the header, synonyms, hidden rows,
// totals and notes below the table.
#include <gtest/gtest.h>

#include "framework/errors.h"
#include "support/printing.h"
#include "transfer/table_layout.h"

namespace ld {
namespace {

// Rows as "a,b,c"; a leading '!' marks a hidden row, an empty string a blank row (not in the table).
Table sheet(const QStringList& lines) {
  Table t;
  int line = 0;
  for (const QString& text : lines) {
    ++line;
    if (text.isEmpty()) continue;
    TableRow row;
    row.line = line;
    row.hidden = text.startsWith(QLatin1Char('!'));
    row.cells = (row.hidden ? text.mid(1) : text).split(QLatin1Char(','));
    t.rows.push_back(row);
  }
  return t;
}

QStringList names(const Table& t, const TableLayout& layout) {
  QStringList out;
  for (size_t i : layout.dataRows) out << layout.value(t.rows[i], ColumnMeaning::Name);
  return out;
}

QStringList skipped(const TableLayout& layout) {
  QStringList out;
  for (const SkippedRow& s : layout.skipped) out << QStringLiteral("%1:%2").arg(s.line).arg(s.reason);
  return out;
}

TEST(TableLayoutTest, HeaderIsFoundBelowTitlesByItsWords) {
  const struct {
    const char* what;
    QStringList lines;
    int headerIndex;
    QString department;  // of the first participant
  } cases[] = {
      {"title rows",
       {"2026 年会员工名单", "制表：人力资源部", "序号,工号,姓名,部门", "1,001,张三,研发部"},
       2,
       "研发部"},
      {"English words, case, blanks and dots",
       {"No.,Employee Name,Dept.,Employee ID", "1,Tom,Sales,7"},
       0,
       "Sales"},
      {"所属部门 and a colon", {"姓名：,所属部门", "张三,研发部"}, 0, "研发部"},
      {"two department levels joined",
       {"一级部门,二级部门,姓名", "研发中心,测试部,张三"},
       0,
       "研发中心-测试部"},
      {"lower level empty", {"一级部门,二级部门,姓名", "总经办,,张三"}, 0, "总经办"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Table t = sheet(c.lines);
    const TableLayout layout = findTableLayout(t);
    EXPECT_TRUE(layout.recognised);
    EXPECT_TRUE(layout.confirmed);
    EXPECT_EQ(layout.headerIndex, c.headerIndex);
    ASSERT_EQ(layout.dataRows.size(), 1u);
    EXPECT_EQ(layout.value(t.rows[layout.dataRows[0]], ColumnMeaning::Department), c.department);
  }
  const TableLayout titled =
      findTableLayout(sheet({"2026 年会员工名单", "", "工号,姓名,部门", "1,张三,研发部"}));
  EXPECT_EQ(skipped(titled), QStringList{QStringLiteral("1:表头上方的标题")});
}

TEST(TableLayoutTest, WithoutAHeaderTheGuessIsUnconfirmedUntilColumnsAreStated) {
  const Table t = sheet({"研发部,张三,001", "销售部,李四,002"});
  const TableLayout guess = findTableLayout(t);
  EXPECT_FALSE(guess.confirmed);
  EXPECT_EQ(guess.headerIndex, -1);
  EXPECT_EQ(names(t, guess), (QStringList{QStringLiteral("张三"), QStringLiteral("李四")}));

  const TableLayout stated = findTableLayout(t, {false, parseColumnList(QStringLiteral("部门,姓名,工号"))});
  EXPECT_TRUE(stated.confirmed);
  EXPECT_EQ(stated.value(t.rows[1], ColumnMeaning::EmployeeId), QStringLiteral("002"));

  EXPECT_THROW(findTableLayout(sheet({"部门,照片", "研发部,a.jpg"})), Error);
}

TEST(TableLayoutTest, ColumnListsAreReadOrRefusedByName) {
  EXPECT_EQ(
      parseColumnList(QStringLiteral("部门, -,,name，工号")),
      (std::vector<ColumnMeaning>{ColumnMeaning::Department, ColumnMeaning::Ignore, ColumnMeaning::Ignore,
                                  ColumnMeaning::Name, ColumnMeaning::EmployeeId}));
  EXPECT_EQ(parseColumnList(QStringLiteral("Tags,Photo,Name")),
            (std::vector<ColumnMeaning>{ColumnMeaning::Tags, ColumnMeaning::Photo, ColumnMeaning::Name}));
  for (const char* bad : {"部门,年龄", "部门,工号"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(parseColumnList(QString::fromUtf8(bad)), Error);
  }
}

TEST(TableLayoutTest, LeaversTotalsAndNotesAreSkippedWithTheirReason) {
  const QStringList lines = {
      "工号,姓名,部门",      // 1
      "001,张三,研发部",     // 2
      "!002,离职者,研发部",  // 3 hidden
      "003,王五,总计划部",   // 4 a department, not a total
      "合计：,3 人,",        // 5
      "",                    // 6
      "注：离职人员已隐藏",  // 7 notes after a blank row
      "制表人：李四,",       // 8
      "",                    // 9
      "004,赵六,销售部",     // 10 a late addition after a blank row is kept
      "Total 4,,",           // 11
  };
  const Table t = sheet(lines);
  const TableLayout layout = findTableLayout(t);
  EXPECT_EQ(names(t, layout),
            (QStringList{QStringLiteral("张三"), QStringLiteral("王五"), QStringLiteral("赵六")}));
  EXPECT_EQ(skipped(layout), (QStringList{QStringLiteral("3:隐藏的行"), QStringLiteral("5:合计行"),
                                          QStringLiteral("7:表格下方空行之后的备注（没有像员工的行）"),
                                          QStringLiteral("8:表格下方空行之后的备注（没有像员工的行）"),
                                          QStringLiteral("11:合计行")}));

  const TableLayout withHidden = findTableLayout(t, {true, std::nullopt});
  EXPECT_TRUE(names(t, withHidden).contains(QStringLiteral("离职者")));
}

// A line break typed inside a workbook's cell takes no row of the sheet: the blank row below still parts
// the notes from the table. A quoted text cell over two lines does take two lines of its file.
TEST(TableLayoutTest, NotesAfterATallRowAreStillSkipped) {
  for (const int lines : {1, 2}) {
    SCOPED_TRACE(lines);
    Table t = sheet({"姓名,部门", "张三,研发中心", "", "注：离职人员已隐藏"});
    t.rows[1].cells[1] += QStringLiteral("\n测试部");
    t.rows[1].lines = lines;
    if (lines == 2) ++t.rows[2].line;
    const TableLayout layout = findTableLayout(t);
    EXPECT_EQ(names(t, layout), QStringList{QStringLiteral("张三")});
    EXPECT_EQ(layout.skipped.size(), 1u);
  }
}

}  // namespace
}  // namespace ld
