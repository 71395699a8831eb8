// libFuzzer entry for the roster reader: bytes that open as a zip are read as a workbook (its active sheet,
// then a sheet by name), anything else as text decoded and split as a CSV file. Any bytes must end in a
// table within the reader's limits or an ld::Error, never in a crash, a leak, undefined behaviour or memory
// beyond the limits.
#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <QStringEncoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "framework/errors.h"
#include "transfer/table_file.h"

namespace {

void save(const std::string& path, const QByteArray& bytes) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

const QByteArray kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

// A workbook of a notes sheet and a roster sheet (the active one), with shared strings and styles.
void saveWorkbook(const std::string& path, const QByteArray& rows,
                  const QByteArray& shared = "<si><t>a</t></si>") {
  const std::vector<std::pair<const char*, QByteArray>> parts = {
      {"xl/workbook.xml",
       "<workbook " + kNs +
           " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><bookViews>"
           "<workbookView activeTab=\"1\"/></bookViews><sheets><sheet name=\"说明\" sheetId=\"1\" "
           "r:id=\"rId1\"/>"
           "<sheet name=\"名单\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Target=\"worksheets/notes.xml\" Type=\"x/worksheet\"/>"
       "<Relationship Id=\"rId2\" Target=\"/xl/worksheets/people.xml\" Type=\"x/worksheet\"/>"
       "<Relationship Id=\"rId3\" Target=\"sharedStrings.xml\" Type=\"x/sharedStrings\"/>"
       "<Relationship Id=\"rId4\" Target=\"styles.xml\" Type=\"x/styles\"/></Relationships>"},
      {"xl/sharedStrings.xml", "<sst " + kNs + ">" + shared + "</sst>"},
      {"xl/styles.xml",
       "<styleSheet " + kNs +
           "><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d\"/></numFmts><cellXfs>"
           "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>"},
      {"xl/worksheets/notes.xml",
       "<worksheet " + kNs + "><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>"},
      {"xl/worksheets/people.xml", "<worksheet " + kNs + "><sheetData>" + rows + "</sheetData></worksheet>"},
  };
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) std::abort();
  for (const auto& [name, xml] : parts) {
    zip_source_t* s = zip_source_buffer(z, xml.constData(), zip_uint64_t(xml.size()), 0);
    if (zip_file_add(z, name, s, ZIP_FL_ENC_UTF_8) < 0) std::abort();
  }
  if (zip_close(z) != 0) std::abort();
}

void writeSeeds(const std::string& dir) {
  const QByteArray roster =
      "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>部门</t></is></c><c r=\"B1\" t=\"s\"><v>0</v></c>"
      "<c r=\"C1\" t=\"inlineStr\"><is><r><t>工</t></r><r><t>号</t></r><rPh><t>x</t></rPh></is></c></row>"
      "<row r=\"2\" hidden=\"1\"><c r=\"A2\" t=\"str\"><v>研发</v></c><c r=\"B2\" t=\"b\"><v>1</v></c>"
      "<c r=\"C2\"><v>10023</v></c><c r=\"D2\" s=\"1\"><v>46015.5</v></c><c r=\"E2\" "
      "s=\"2\"><v>46015</v></c></row>"
      "<row><c t=\"e\"><v>#N/A</v></c><c><v>1e32</v></c><c><v>-0.5</v></c><c "
      "t=\"d\"><v>2026-01-01</v></c></row>";
  saveWorkbook(dir + "/roster.xlsx", roster);
  saveWorkbook(
      dir + "/far-cell.xlsx",
      "<row><c r=\"XFD1\" t=\"inlineStr\"><is><t>x</t></is></c></row><row><c r=\"XFE2\"><v>1</v></c></row>");
  saveWorkbook(dir + "/row-numbers.xlsx",
               "<row r=\"2147483647\"><c><v>1</v></c></row><row><c><v>2</v></c></row>"
               "<row r=\"1048576\"><c><v>3</v></c></row><row><c><v>4</v></c></row>");
  saveWorkbook(dir + "/shared.xlsx", {}, QByteArray("<si><t>a</t></si>").repeated(3000));
  saveWorkbook(dir + "/nesting.xlsx", QByteArray("<x>").repeated(80));
  saveWorkbook(dir + "/doctype.xlsx", "<!DOCTYPE a [<!ENTITY b \"c\">]><row><c><v>&b;</v></c></row>");
  saveWorkbook(dir + "/cdata.xlsx",
               "<row><c t=\"inlineStr\"><is><t><![CDATA[<a>]]><!-- x --></t></is></c></row>");

  const QString text = QStringLiteral("部门,姓名,工号\n研发部,\"张,三\",'=1\n\"多\n行\",李四,'+86\r\n;;\n");
  save(dir + "/utf8.csv", text.toUtf8());
  save(dir + "/bom.csv", "\xEF\xBB\xBF" + text.toUtf8());
  QStringEncoder gb("GB18030");
  save(dir + "/gb.csv", gb(text));
  QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
  QString tabbed = text;
  tabbed.replace(QLatin1Char(','), QLatin1Char('\t'));
  save(dir + "/unicode.txt", utf16(tabbed));
  save(dir + "/separators.csv", QByteArray(4096, ','));
  save(dir + "/quote.csv", "a,\"b\nc,d\n");
  save(dir + "/old.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(64, '\0'));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* dir = std::getenv("LD_SHEET_FUZZ_SEEDS")) writeSeeds(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString file = QStringLiteral("fuzz");
  try {
    if (bytes.startsWith("PK")) {
      const ld::Table active = ld::parseXlsx(bytes, file);
      if (!active.sheets.contains(active.sheet)) __builtin_trap();
      ld::parseXlsx(bytes, file, active.sheets.value(0));
    } else {
      bool legacy = false;
      const ld::Table t = ld::parseCsv(ld::decodeCsvText(bytes, file, &legacy), file);
      for (const ld::TableRow& row : t.rows)
        if (row.cells.isEmpty() || row.line < 1) __builtin_trap();
    }
  } catch (const ld::Error&) {
  }
  return 0;
}
