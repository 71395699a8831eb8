// Reading rosters as spreadsheet programs save them, and writing tables they open.
#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <functional>
#include <ostream>
#include <tuple>
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

const QByteArray kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kRelNs = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A workbook written part by part: SHEETS are (name, part under xl/, sheetData), the one at ACTIVE shown.
QByteArray workbookBytes(const QString& file,
                         const std::vector<std::tuple<QByteArray, QByteArray, QByteArray>>& sheets,
                         int active = 0, const QByteArray& shared = {}, const QByteArray& styles = {},
                         const QByteArray& prolog = {}) {
  QByteArray book = prolog + "<workbook " + kMainNs + " " + kRelNs +
                    "><bookViews><workbookView activeTab=\"" + QByteArray::number(active) +
                    "\"/></bookViews><sheets>";
  QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<std::pair<QByteArray, QByteArray>> parts;
  int id = 7;
  for (const auto& [name, part, data] : sheets) {
    const QByteArray rid = "rId" + QByteArray::number(id++);
    book += "<sheet name=\"" + name + "\" sheetId=\"" + QByteArray::number(id) + "\" r:id=\"" + rid + "\"/>";
    rels += "<Relationship Id=\"" + rid + "\" Target=\"" + part +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/>";
    parts.emplace_back("xl/" + part,
                       "<worksheet " + kMainNs + "><sheetData>" + data + "</sheetData></worksheet>");
  }
  parts.emplace_back("xl/workbook.xml", book + "</sheets></workbook>");
  parts.emplace_back("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
  if (!shared.isEmpty())
    parts.emplace_back("xl/sharedStrings.xml", "<sst " + kMainNs + ">" + shared + "</sst>");
  if (!styles.isEmpty())
    parts.emplace_back("xl/styles.xml", "<styleSheet " + kMainNs + ">" + styles + "</styleSheet>");
  QFile::remove(file);
  int error = 0;
  zip_t* z = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE, &error);
  for (const auto& [name, xml] : parts)
    zip_file_add(z, name.constData(), zip_source_buffer(z, xml.constData(), zip_uint64_t(xml.size()), 0),
                 ZIP_FL_ENC_UTF_8);
  zip_close(z);
  return readFile(file);
}

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
  // Rows remember their line in the file and how many lines they take, whatever ends the lines, also after
  // a value that spans lines and after blank lines: a refusal names the row the operator sees in an editor,
  // and a blank line after a tall row still parts the table from the notes below it.
  for (const char* end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(QByteArray(end).toPercentEncoding().toStdString());
    QString text = QStringLiteral("h,i\na,\"1\n2\"\n\nb,c\nd,\"3\n\n4\"\ne,f\n");
    text.replace(QLatin1Char('\n'), QLatin1String(end));
    std::vector<int> lines, spans;
    for (const TableRow& row : parseCsv(text, QStringLiteral("x.csv")).rows) {
      lines.push_back(row.line);
      spans.push_back(row.lines);
    }
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 5, 6, 9}));
    EXPECT_EQ(spans, (std::vector<int>{1, 2, 1, 3, 1}));
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

TEST_F(TableFileTest, ActiveOrNamedSheetThroughTheWorkbooksRelationships) {
  const QString file = path(QStringLiteral("book.xlsx"));
  // A notes sheet first, the roster shown when saved; parts named unlike sheetN.xml.
  workbookBytes(
      file,
      {{"说明", "worksheets/notes.xml", "<row r=\"1\"><c t=\"inlineStr\"><is><t>请勿修改</t></is></c></row>"},
       {"名单", "sheets/people.xml",
        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>姓名</t></is></c></row>"
        "<row r=\"3\" hidden=\"1\"><c r=\"A3\" t=\"inlineStr\"><is><t>离职</t></is></c></row>"
        "<row r=\"4\" hidden=\"true\"><c r=\"B4\" t=\"inlineStr\"><is><t>合计</t></is></c></row>"
        "<row r=\"5\" hidden=\"0\"><c r=\"A5\" t=\"inlineStr\"><is><t>张三</t></is></c></row>"}},
      1);
  const Table shown = readTable(file);
  EXPECT_EQ(shown.sheets, (QStringList{QStringLiteral("说明"), QStringLiteral("名单")}));
  EXPECT_EQ(shown.sheet, QStringLiteral("名单"));
  std::vector<std::tuple<int, QStringList, bool>> rows;
  for (const TableRow& r : shown.rows) rows.emplace_back(r.line, r.cells, r.hidden);
  EXPECT_EQ(rows, (std::vector<std::tuple<int, QStringList, bool>>{{2, {QStringLiteral("姓名")}, false},
                                                                   {3, {QStringLiteral("离职")}, true},
                                                                   {4, {"", QStringLiteral("合计")}, true},
                                                                   {5, {QStringLiteral("张三")}, false}}));
  const Table notes = readTable(file, QStringLiteral("说明"));
  EXPECT_EQ(notes.sheet, QStringLiteral("说明"));
  EXPECT_EQ(cellsOf(notes), (std::vector<QStringList>{{QStringLiteral("请勿修改")}}));
  const QString message = errorOf([&] { readTable(file, QStringLiteral("Sheet1")); });
  EXPECT_TRUE(message.contains(QStringLiteral("Sheet1")) && message.contains(QStringLiteral("说明、名单")))
      << message.toStdString();
}

// Every limit refuses its file with a message naming it, before the file costs more; the limits are made
// small here, the real ones are measured by the table memory benchmark.
TEST_F(TableFileTest, EachLimitRefusesWithItsName) {
  TableLimits small;
  small.rows = 3;
  small.columns = 4;
  small.cells = 10;
  small.chars = 30;
  small.lineChars = 20;
  small.sharedStrings = 3;
  small.sharedChars = 12;
  small.partBytes = 1024 * 1024;
  const auto inlineCell = [](const char* ref, const QByteArray& text) {
    return "<c r=\"" + QByteArray(ref) + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
  };
  const auto sheet = [&](const QByteArray& data, const QByteArray& shared = {}) {
    return parseXlsx(
        workbookBytes(path(QStringLiteral("l.xlsx")), {{"s", "worksheets/s.xml", data}}, 0, shared),
        QStringLiteral("l.xlsx"), {}, small);
  };
  const struct {
    const char* what;
    std::function<void()> read;
    const char* expected;
  } cases[] = {
      {"csv rows", [&] { parseCsv("a\nb\nc\nd\n", "x.csv", small); }, "超过 3 行的上限"},
      {"csv cells per line", [&] { parseCsv(",,,,,,,,,,,,,,,,,,,", "x.csv", small); },
       "第 1 行超过 4 列的上限"},
      {"csv line length", [&] { parseCsv("a\n\"" + QString(30, 'x') + "\"\n", "x.csv", small); },
       "第 2 行超过 20 个字符的上限"},
      {"csv cells", [&] { parseCsv("a,b,c\na,b,c\na,b,c\nd,e", "x.csv", small); }, "超过 10 个单元格的上限"},
      {"csv text", [&] { parseCsv("aaaaaaaaaaaaaaaa\nbbbbbbbbbbbbbbbb\n", "x.csv", small); },
       "超过 30 个字符的上限"},
      {"xlsx rows",
       [&] {
         sheet("<row><c t=\"b\"><v>1</v></c></row>" + QByteArray("<row><c><v>1</v></c></row>").repeated(3));
       },
       "超过 3 行的上限"},
      {"xlsx column", [&] { sheet("<row>" + inlineCell("E1", "far") + "</row>"); }, "第 1 行超过 4 列的上限"},
      {"xlsx cells, blanks between filled ones counted",
       [&] { sheet(("<row>" + inlineCell("D1", "x") + "</row>").repeated(3)); }, "超过 10 个单元格的上限"},
      {"xlsx cell text", [&] { sheet("<row>" + inlineCell("A1", QByteArray(21, 'x')) + "</row>"); },
       "超过 20 个字符的上限"},
      {"shared strings", [&] { sheet({}, QByteArray("<si><t>a</t></si>").repeated(4)); },
       "共享字符串超过 3 个的上限"},
      {"shared text", [&] { sheet({}, QByteArray("<si><t>abcdefg</t></si>").repeated(2)); },
       "共享字符串超过 12 个字符的上限"},
      {"unpacked part", [&] { sheet(QByteArray(1200 * 1024, ' ')); }, "s.xml 解压后超过 1 MB 的上限"},
      {"elements", [&] { sheet(QByteArray("<row/>").repeated(20000)); }, "s.xml 的元素超过 10046 个的上限"},
      {"nesting", [&] { sheet(QByteArray("<x>").repeated(70) + QByteArray("</x>").repeated(70)); },
       "嵌套超过 64 层"},
      {"one tag", [&] { sheet("<row " + QByteArray("a=\"b\" ").repeated(12000) + "/>"); },
       "超过 64 KB 的上限"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString message = errorOf(c.read);
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
  }
  // A document type declaration, whose entities could multiply text, is refused outright.
  const QString doctype = errorOf([&] {
    parseXlsx(workbookBytes(path(QStringLiteral("d.xlsx")), {{"s", "s.xml", ""}}, 0, {}, {},
                            "<!DOCTYPE a [<!ENTITY b \"c\">]>"),
              "d.xlsx");
  });
  EXPECT_TRUE(doctype.contains(QStringLiteral("文档类型声明"))) << doctype.toStdString();
}

TEST_F(TableFileTest, NumbersAndRowNumbersOutOfRangeReadWithoutOverflow) {
  const QString file = path(QStringLiteral("n.xlsx"));
  workbookBytes(
      file,
      {{"s", "worksheets/s.xml",
        "<row r=\"1\"><c r=\"A1\"><v>10023</v></c><c r=\"B1\"><v>1e32</v></c><c r=\"C1\"><v>-9.3e18</v></c>"
        "<c r=\"D1\"><v>1002.5</v></c><c r=\"E1\"><v>NaN</v></c><c r=\"F1\" s=\"1\"><v>46015.8125</v></c>"
        "<c r=\"G1\" s=\"2\"><v>46015</v></c><c r=\"XFE1\"><v>7</v></c></row>"
        "<row r=\"2147483647\"><c r=\"ZZZZ1\"><v>8</v></c></row><row><c><v>9</v></c></row>"}},
      0, {},
      "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
      "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"22\"/><xf numFmtId=\"164\"/></cellXfs>");
  std::vector<std::pair<int, QStringList>> rows;
  for (const TableRow& r : readTable(file).rows) rows.emplace_back(r.line, r.cells);
  EXPECT_EQ(
      rows,
      (std::vector<std::pair<int, QStringList>>{
          {1, {"10023", "1e+32", "-9.3e+18", "1002.5", "NaN", "2025-12-24 19:30:00", "2025-12-24", "7"}},
          {2, {"8"}},
          {3, {"9"}}}));
}

TEST_F(TableFileTest, UnicodeTextTxtReadAndOldExcelRefused) {
  QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
  const Table t =
      readBytes(QStringLiteral("名单.txt"), utf16(QStringLiteral("部门\t姓名\r\n研发部\t张三,李\r\n")));
  EXPECT_EQ(cellsOf(t), (std::vector<QStringList>{{QStringLiteral("部门"), QStringLiteral("姓名")},
                                                  {QStringLiteral("研发部"), QStringLiteral("张三,李")}}));
  EXPECT_FALSE(t.legacyEncoding);
  QStringEncoder gb("GB18030");
  EXPECT_TRUE(readBytes(QStringLiteral("gb.txt"), gb(QStringLiteral("部门,姓名\n"))).legacyEncoding);
  const QByteArray ole = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0');
  for (const char* name : {"old.xls", "renamed.xlsx", "renamed.csv"}) {
    SCOPED_TRACE(name);
    writeFile(path(QLatin1String(name)), ole);
    const QString message = errorOf([&] { readTable(path(QLatin1String(name))); });
    EXPECT_TRUE(message.contains(QStringLiteral("另存为 .xlsx 后再导入"))) << message.toStdString();
  }
}

// Values a spreadsheet would run as formulas go out behind an apostrophe and come back as they were.
TEST_F(TableFileTest, CsvExportGuardsFormulasAndReadsBackExactly) {
  const std::vector<QStringList> rows = {
      {QStringLiteral("姓名"), QStringLiteral("部门")},
      {"=HYPERLINK(\"http://x\",\"y\")", "+86 10 1234"},
      {"-5", "@SUM(A1)"},
      {"\tTab", "\rCR"},
      {"'Neill", "'=already"},
  };
  writeTable(path(QStringLiteral("f.csv")), rows, QString());
  const QByteArray bytes = readFile(path(QStringLiteral("f.csv")));
  for (const char* guarded : {"\"'=HYPERLINK", "'+86", "'-5", "'@SUM", "\"'\tTab", "\"'\rCR", "''=already"})
    EXPECT_TRUE(bytes.contains(guarded)) << guarded;
  EXPECT_TRUE(bytes.contains("\r\n'Neill,")) << "an apostrophe before a letter is left as written";
  EXPECT_EQ(cellsOf(readTable(path(QStringLiteral("f.csv")))), rows);
}

// The real limits hold for the files that took gigabytes: each is refused by its limit.
TEST_F(TableFileTest, CraftedFilesAreRefusedByTheirLimits) {
  QByteArray separators(2 * 1024 * 1024, ',');
  writeFile(path(QStringLiteral("commas.csv")), separators);
  EXPECT_TRUE(
      errorOf([&] { readTable(path(QStringLiteral("commas.csv"))); }).contains(QStringLiteral("列的上限")));
  const QByteArray wide = "<row><c r=\"XFD1\" t=\"inlineStr\"><is><t>x</t></is></c></row>" +
                          QByteArray("<row><c><v>1</v></c></row>").repeated(100);
  workbookBytes(path(QStringLiteral("wide.xlsx")), {{"s", "s.xml", wide}});
  EXPECT_TRUE(errorOf([&] {
                readTable(path(QStringLiteral("wide.xlsx")));
              }).contains(QStringLiteral("第 1 行超过 1000 列的上限")));
}

// A text file is decoded and split in pieces of 1 MiB: a line end, a doubled quote or a character cut by a
// piece's end reads as if it were whole.
TEST_F(TableFileTest, TextCutIntoPiecesReadsAsWhole) {
  constexpr int kPiece = 1024 * 1024;
  QStringEncoder gb("GB18030");
  const struct {
    const char* what;
    QByteArray across;  // placed so that the piece ends after its first byte
    QByteArray before, after;
    QStringList cells;
    bool legacy;
  } cases[] = {
      {"CR LF", "\r\n", "x", "y", {"x"}, false},
      {"doubled quote", "\"\"", "\"a", "b\"", {"a\"b"}, false},
      {"UTF-8 character", QStringLiteral("张").toUtf8(), "x", "", {QStringLiteral("x张")}, false},
      {"GB18030 character",
       gb(QStringLiteral("张")),
       gb(QStringLiteral("甲")),
       "",
       {QStringLiteral("甲张")},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QByteArray bytes;
    int lines = 0;
    while (bytes.size() < kPiece - 2000) {
      bytes += QByteArray(999, 'a') + "\n";
      ++lines;
    }
    const qsizetype pad = kPiece - 2 - bytes.size() - c.before.size();
    bytes += QByteArray(pad, 'p') + "," + c.before + c.across + c.after + "\nlast\n";
    ASSERT_EQ(bytes.indexOf(c.across, kPiece - 10), kPiece - 1) << "the piece ends inside";
    const Table t = readBytes(QStringLiteral("p.csv"), bytes);
    ASSERT_EQ(t.rows.size(), size_t(lines) + (QByteArray(c.what) == "CR LF" ? 3 : 2));
    EXPECT_EQ(t.legacyEncoding, c.legacy);
    const TableRow& cut = t.rows[size_t(lines)];
    EXPECT_EQ(cut.line, lines + 1);
    EXPECT_EQ(cut.cells.mid(1), c.cells);
    EXPECT_EQ(t.rows.back().cells, QStringList{"last"});
    EXPECT_EQ(t.rows.back().line, int(t.rows.size()));
  }
}

}  // namespace
}  // namespace ld
