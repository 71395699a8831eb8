#pragma once
// Reading and writing one table of text: a sheet of a workbook (.xlsx) or a text file (.csv, .txt).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace ld {

// A roster of a hundred thousand people is a few megabytes; anything this big is not one.
constexpr qint64 kMaxTableFileBytes = 50LL * 1024 * 1024;

// What one table may hold. Each is far above a roster of a hundred thousand people, and together they
// keep any file, however crafted, to a few hundred megabytes while it is read.
struct TableLimits {
  int rows = 1'000'000;
  int columns = 1'000;                         // a cell with text further right is refused
  qint64 cells = 2'000'000;                    // all rows' cells, blanks between filled cells included
  qint64 chars = 30'000'000;                   // the text of all cells
  qint64 lineChars = 1'000'000;                // one line of a text file, one cell of a workbook
  int sharedStrings = 1'000'000;               // a workbook's table of strings: how many
  qint64 sharedChars = 20'000'000;             // and their text
  qint64 partBytes = 256LL * 1024 * 1024;      // a sheet or the shared strings of a workbook, unpacked
  qint64 smallPartBytes = 16LL * 1024 * 1024;  // its list of sheets, relationships or styles
};

struct TableRow {
  int line = 0;         // 1-based row (xlsx) or line (csv) where the row starts, for messages
  QStringList cells;    // up to the last cell that holds text
  bool hidden = false;  // a hidden row of the sheet
  // Lines of the file the row takes: more than one where a quoted text cell holds line breaks. A line break
  // inside a workbook's cell takes no row of the sheet.
  int lines = 1;
};

struct Table {
  std::vector<TableRow> rows;  // rows whose cells are all blank are left out
  QStringList sheets;          // the workbook's sheet names in order; empty for text files
  QString sheet;               // the sheet that was read
  bool legacyEncoding =
      false;  // decoded from GB18030/GBK: a '?' there may stand for a character it could not hold
};

// Reads FILE by its extension: .xlsx (SHEET, or the sheet the workbook was saved showing when SHEET is
// empty), .csv or .txt (letter case ignored). Throws ld::Error with a message for the operator: missing,
// empty, too big, over a limit, binary, damaged, a broken quote, an old .xls, an unknown sheet or extension.
Table readTable(const QString& file, const QString& sheet = {});

// The text of CSV data: UTF-8 or UTF-16 by their byte-order marks, else UTF-8 when it is valid UTF-8,
// else GB18030 (which contains GBK), as spreadsheet programs on Chinese systems save it.
QString decodeCsvText(const QByteArray& bytes, const QString& file, bool* legacy = nullptr);
// Splits CSV text with the separator found in its first line (',', ';' or tab).
Table parseCsv(const QString& text, const QString& file, const TableLimits& limits = {});
// A sheet of an xlsx package in memory, as readTable reads one from a file.
Table parseXlsx(const QByteArray& bytes, const QString& file, const QString& sheet = {},
                const TableLimits& limits = {});

// How writeTable stores a column in a workbook. Auto: numbers where every value of the column is a whole
// number, else text. DateTime: "yyyy-MM-dd HH:mm:ss" values as dates the spreadsheet can sort and format.
enum class ColumnKind { Auto, Text, DateTime };

// Writes rows by FILE's extension: .xlsx with libxlsxwriter (first row bold, as a header), .csv as
// UTF-8 with a byte-order mark, a value that a spreadsheet would take for a formula behind an apostrophe
// (which the reader takes away again). Replaces FILE only once the whole table is written. Throws ld::Error.
void writeTable(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName,
                const std::vector<ColumnKind>& kinds = {});

}  // namespace ld
