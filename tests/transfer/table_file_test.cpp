// Reading rosters as spreadsheet programs save them, and writing tables they open.
#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <ostream>
#include <utility>

#include "framework/errors.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "support/transfer_helpers.h"
#include "transfer/table_file.h"

namespace ld {
namespace {

using test::cellsOf;
using test::errorOf;
using test::readFile;
using test::writeFile;

class TableFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) { return dir.path() + QLatin1Char('/') + name; }
  Table readBytes(const QString& name, const QByteArray& bytes) {
    writeFile(path(name), bytes);
    return readTable(path(name));
  }
};

TEST_F(TableFileTest, CsvEncodingsAreDetected) {
  const QString text = QStringLiteral("姓名,部门\n张三,研发部\n欧阳明,销售部\n");
  const std::vector<QStringList> expected = {{QStringLiteral("姓名"), QStringLiteral("部门")},
                                             {QStringLiteral("张三"), QStringLiteral("研发部")},
                                             {QStringLiteral("欧阳明"), QStringLiteral("销售部")}};
  QStringEncoder gb("GB18030");
  ASSERT_TRUE(gb.isValid());
  const QByteArray gbBytes = gb(text);
  ASSERT_NE(gbBytes, text.toUtf8());  // really another encoding
  QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
  const struct {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"UTF-8", text.toUtf8()},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8()},
      {"GB18030 as a Chinese spreadsheet program saves it", gbBytes},
      {"UTF-16 with BOM (Unicode text)", utf16(text)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cellsOf(readBytes(QStringLiteral("r.csv"), c.bytes)), expected);
  }
  // Tab-separated text saved on a Chinese system ("Text (tab delimited)"): GBK with tabs, which are text.
  QString tabbed = text;
  tabbed.replace(QLatin1Char(','), QLatin1Char('\t'));
  const QByteArray gbTabbed = gb(tabbed);
  ASSERT_NE(gbTabbed, tabbed.toUtf8());
  EXPECT_EQ(cellsOf(readBytes(QStringLiteral("t.csv"), gbTabbed)), expected);
}

TEST_F(TableFileTest, CsvSeparatorsQuotesAndLineBreaks) {
  const struct {
    const char* what;
    QString text;
    std::vector<QStringList> rows;
  } cases[] = {
      {"semicolon", QStringLiteral("a;b\r\nc;d\r\n"), {{"a", "b"}, {"c", "d"}}},
      {"tab", QStringLiteral("a\tb,c\nd\te"), {{"a", "b,c"}, {"d", "e"}}},
      {"quoted separator, doubled quote, line break",
       QStringLiteral("\"王,五\",\"说\"\"好\"\"\",\"第一行\n第二行\"\nx,y,z\n"),
       {{QStringLiteral("王,五"), QStringLiteral("说\"好\""), QStringLiteral("第一行\n第二行")},
        {"x", "y", "z"}}},
      {"blank lines and blank rows left out", QStringLiteral("a,b\n\n , \nc,d"), {{"a", "b"}, {"c", "d"}}},
      {"old Mac line ends", QStringLiteral("a,b\rc,d\r"), {{"a", "b"}, {"c", "d"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cellsOf(parseCsv(c.text, QStringLiteral("x.csv"))), c.rows);
  }
  // Rows remember their line in the file, whatever ends the lines, also after a value that spans lines and
  // after blank lines: a refusal names the row the operator sees in an editor.
  for (const char* end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(QByteArray(end).toPercentEncoding().toStdString());
    QString text = QStringLiteral("h,i\na,\"1\n2\"\n\nb,c\nd,\"3\n\n4\"\ne,f\n");
    text.replace(QLatin1Char('\n'), QLatin1String(end));
    std::vector<int> lines;
    for (const TableRow& row : parseCsv(text, QStringLiteral("x.csv")).rows) lines.push_back(row.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 5, 6, 9}));
  }
}

TEST_F(TableFileTest, BadFilesAreRefusedWithAReason) {
  QFile big(path(QStringLiteral("big.csv")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(100LL * 1024 * 1024));  // sparse: costs no disk
  big.close();
  writeFile(path(QStringLiteral("roster.ods")), "a,b\n");
  QByteArray binary(4096, '\0');
  for (int i = 0; i < binary.size(); ++i) binary[i] = char((i * 7919) % 256);
  const struct {
    const char* what;
    QString file;
    QByteArray bytes;  // written unless empty and the file is prepared above
    const char* expected;
  } cases[] = {
      {"missing", QStringLiteral("none.csv"), {}, "文件不存在"},
      {"empty", QStringLiteral("empty.csv"), " \n", "文件是空的"},
      {"binary", QStringLiteral("binary.csv"), binary, "这不是文本文件"},
      {"broken quote", QStringLiteral("quote.csv"), "姓名,部门\n\"张三,研发部\n李四,销售部\n",
       "第 2 行的引号没有闭合"},
      {"100 MB", QStringLiteral("big.csv"), {}, "文件太大（100.0 MB）"},
      {"not a spreadsheet", QStringLiteral("roster.ods"), {}, "只能导入 .xlsx、.csv 或 .txt"},
      {"xlsx that is not one", QStringLiteral("fake.xlsx"), "姓名,部门\n张三,研发部\n", "不是有效的 xlsx"},
      {"xlsx that is another zip", QStringLiteral("other.xlsx"), {}, "不是 Excel 工作簿"},
  };
  {
    // A zip archive, but not a workbook.
    writeTable(path(QStringLiteral("a.xlsx")), {{"x"}}, QStringLiteral("s"));
    QByteArray bytes = readFile(path(QStringLiteral("a.xlsx")));
    bytes.replace("xl/workbook.xml", "xl/workbook.xmm");
    writeFile(path(QStringLiteral("other.xlsx")), bytes);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.bytes.isEmpty()) writeFile(path(c.file), c.bytes);
    const QString message = errorOf([&] { readTable(path(c.file)); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
  }
}

TEST_F(TableFileTest, XlsxWrittenByLibxlsxwriterReadsBack) {
  const std::vector<QStringList> rows = {
      {QStringLiteral("中奖顺序"), QStringLiteral("姓名"), QStringLiteral("部门")},
      {"1", QStringLiteral("张三"), QStringLiteral("007")},
      {"2", QStringLiteral("李 四"), QStringLiteral("a,\"b\"\nc")},
      {"10", QString(), QStringLiteral("销售部")}};
  writeTable(path(QStringLiteral("t.xlsx")), rows, QStringLiteral("名单"));
  const Table t = readTable(path(QStringLiteral("t.xlsx")));
  std::vector<QStringList> expected = rows;
  expected[3] = {"10", "", QStringLiteral("销售部")};
  EXPECT_EQ(cellsOf(t), expected);
  EXPECT_EQ(t.rows[3].line, 4);
}

// A workbook whose cells point outside its shared strings (damaged, or written by a careless tool): those
// cells read empty (and end no row), the last shared string still reads, and nothing is read from beyond the
// table.
TEST_F(TableFileTest, XlsxSharedStringIndexesOutsideTheTableReadEmpty) {
  const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::pair<const char*, QByteArray> parts[] = {
      {"xl/workbook.xml",
       "<workbook " + ns +
           " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
           "<sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/>"
       "<Relationship Id=\"rId2\" Target=\"sharedStrings.xml\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\"/>"
       "</Relationships>"},
      {"xl/sharedStrings.xml",
       "<sst " + ns + " count=\"2\" uniqueCount=\"2\"><si><t>部门</t></si><si><t>姓名</t></si></sst>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet " + ns +
           "><sheetData>"
           "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
           "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"B2\" t=\"s\"><v>-1</v></c>"
           "<c r=\"C2\" t=\"s\"><v>1</v></c><c r=\"D2\" t=\"s\"><v>99999</v></c></row>"
           "</sheetData></worksheet>"},
  };
  int error = 0;
  zip_t* z = zip_open(QFile::encodeName(path(QStringLiteral("s.xlsx"))).constData(), ZIP_CREATE, &error);
  ASSERT_TRUE(z);
  for (const auto& [name, xml] : parts) {
    zip_source_t* s = zip_source_buffer(z, xml.constData(), zip_uint64_t(xml.size()), 0);
    ASSERT_GE(zip_file_add(z, name, s, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(z), 0);
  EXPECT_EQ(cellsOf(readTable(path(QStringLiteral("s.xlsx")))),
            (std::vector<QStringList>{{QStringLiteral("部门"), QStringLiteral("姓名")},
                                      {QString(), QString(), QStringLiteral("姓名")}}));
}

TEST_F(TableFileTest, CsvWrittenWithBomAndQuotesReadsBack) {
  const std::vector<QStringList> rows = {{"a", QStringLiteral("王,五"), QStringLiteral("说\"好\"")},
                                         {QStringLiteral(" 前后空格 "), QStringLiteral("两\n行"), ""}};
  writeTable(path(QStringLiteral("t.csv")), rows, QString());
  EXPECT_TRUE(readFile(path(QStringLiteral("t.csv"))).startsWith("\xEF\xBB\xBF"));
  EXPECT_EQ(cellsOf(readTable(path(QStringLiteral("t.csv")))), rows);
  // A failed write leaves the old file as it was.
  EXPECT_FALSE(errorOf([&] { writeTable(path(QStringLiteral("none/t.csv")), rows, QString()); }).isEmpty());
  EXPECT_FALSE(errorOf([&] { writeTable(path(QStringLiteral("t.ods")), rows, QString()); }).isEmpty());
}

// A workbook made the way spreadsheet programs make them (shared strings, styles, a second sheet,
// numbers, rich text), by openpyxl.
TEST_F(TableFileTest, XlsxMadeByOpenpyxlReadsFirstSheet) {
  const QString python = QStringLiteral("/usr/bin/python3");
  if (!QFileInfo(python).isExecutable()) GTEST_SKIP() << "no /usr/bin/python3";
  const QString script = QStringLiteral(R"(
import sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "员工"
ws.append(["照片", "姓名", "工号", "部门"])
ws.append(["z.jpg", "张三", 1001, "研发部"])
ws.append([None, "李四", 1002.5, "销售部"])
ws["B5"] = "王五"
ws["D5"] = "市场部"
ws["AA5"] = "far right"
other = wb.create_sheet("其他")
other.append(["不是", "这张"])
wb.save(sys.argv[1])
)");
  QProcess p;
  p.start(python, {QStringLiteral("-c"), script, path(QStringLiteral("o.xlsx"))});
  ASSERT_TRUE(p.waitForFinished(60000));
  if (p.exitCode() != 0 && p.readAllStandardError().contains("No module named"))
    GTEST_SKIP() << "python3-openpyxl is not installed";
  ASSERT_EQ(p.exitCode(), 0);
  const Table t = readTable(path(QStringLiteral("o.xlsx")));
  ASSERT_EQ(t.rows.size(), 4u);
  EXPECT_EQ(t.rows[0].cells, (QStringList{QStringLiteral("照片"), QStringLiteral("姓名"),
                                          QStringLiteral("工号"), QStringLiteral("部门")}));
  EXPECT_EQ(t.rows[1].cells,
            (QStringList{"z.jpg", QStringLiteral("张三"), "1001", QStringLiteral("研发部")}));
  EXPECT_EQ(t.rows[2].cells, (QStringList{"", QStringLiteral("李四"), "1002.5", QStringLiteral("销售部")}));
  EXPECT_EQ(t.rows[3].line, 5);
  EXPECT_EQ(t.rows[3].cells.value(1), QStringLiteral("王五"));
  EXPECT_EQ(t.rows[3].cells.value(26), QStringLiteral("far right"));
}

}  // namespace
}  // namespace ld
