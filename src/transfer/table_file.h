#pragma once
// Reading and writing one table of text: a spreadsheet's first sheet (.xlsx) or a CSV file.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace ld {

// A roster of a hundred thousand people is a few megabytes; anything this big is not one.
constexpr qint64 kMaxTableFileBytes = 50LL * 1024 * 1024;

struct TableRow {
  int line = 0;  // 1-based row (xlsx) or line (csv) where the row starts, for messages
  QStringList cells;
  bool hidden = false;  // a hidden row of the sheet
};

struct Table {
  std::vector<TableRow> rows;  // rows whose cells are all blank are left out
  QStringList sheets;          // the workbook's sheet names in order; empty for text files
  QString sheet;               // the sheet that was read
  bool legacyEncoding =
      false;  // decoded from GB18030/GBK: a '?' there may stand for a character it could not hold
};

// Reads FILE by its extension (.xlsx or .csv, letter case ignored). Throws ld::Error with a message for
// the operator: missing, empty, too big, binary, damaged, a broken quote, an unknown extension.
Table readTable(const QString& file);
// The same for one sheet of a workbook (empty: the one it opens on). This reader knows only the first sheet.
inline Table readTable(const QString& file, const QString& sheet) {
  Q_UNUSED(sheet);
  return readTable(file);
}

// The text of CSV data: UTF-8 or UTF-16 by their byte-order marks, else UTF-8 when it is valid UTF-8,
// else GB18030 (which contains GBK), as spreadsheet programs on Chinese systems save it.
QString decodeCsvText(const QByteArray& bytes, const QString& file);
// Splits CSV text with the separator found in its first line (',', ';' or tab).
Table parseCsv(const QString& text, const QString& file);
// The first worksheet of an xlsx package in memory.
Table parseXlsx(const QByteArray& bytes, const QString& file);

// Writes rows by FILE's extension: .xlsx with libxlsxwriter (first row bold, as a header), .csv as
// UTF-8 with a byte-order mark. Replaces FILE only once the whole table is written. Throws ld::Error.
void writeTable(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName);

}  // namespace ld
