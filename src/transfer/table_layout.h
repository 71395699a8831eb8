#pragma once
// Where the participants are in a sheet as HR keeps it: the header row (below any title rows), what each
// column means, and which rows are no participants (hidden leavers, totals, notes below the table).
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "transfer/table_file.h"

namespace ld {

// Several department columns (一级部门, 二级部门 …) are joined with '-' in column order.
enum class ColumnMeaning { Ignore, Department, Name, EmployeeId, Photo, Tags };
constexpr int kColumnMeanings = 6;

// The meaning's name as the window and the summary show it (部门, 姓名, 工号, 照片, 标签, 忽略).
QString meaningName(ColumnMeaning meaning);
// A header cell's meaning: the usual Chinese and English words, letter case, blanks and a trailing '.' or
// ':' ignored. Ignore for anything else.
ColumnMeaning headerMeaning(const QString& cell);
// "部门,姓名,-,工号": each column's meaning in order; an empty entry or '-' ignores a column. Throws
// ld::Error naming an entry that is no meaning, and a list without a name column.
std::vector<ColumnMeaning> parseColumnList(const QString& list);

struct SkippedRow {
  int line = 0;
  QString reason;
};

struct TableLayout {
  int headerIndex = -1;                // index into Table::rows; -1 when no row names the columns
  std::vector<ColumnMeaning> columns;  // by position; columns past the end are ignored
  bool recognised = false;             // the header row was found by its words
  bool confirmed = false;              // recognised, or the columns were stated by the operator
  std::vector<size_t> dataRows;        // indices into Table::rows of the rows to read, in order
  std::vector<SkippedRow> skipped;     // every other row but the header, with why

  ColumnMeaning meaning(int column) const {
    return column >= 0 && column < int(columns.size()) ? columns[size_t(column)] : ColumnMeaning::Ignore;
  }
  std::vector<int> columnsMeaning(ColumnMeaning meaning) const;
  bool has(ColumnMeaning m) const { return !columnsMeaning(m).empty(); }
  // The row's trimmed text in the column(s) of this meaning; several are joined with '-', blanks left out.
  QString value(const TableRow& row, ColumnMeaning m) const;
};

struct LayoutOptions {
  bool includeHidden = false;
  std::optional<std::vector<ColumnMeaning>> columns;  // stated by the operator
};

// How many rows from the top may hold titles before the header.
constexpr int kHeaderSearchRows = 20;

// Finds the header among the first rows and the rows to read. Without a header row and without stated
// columns, the guess is department then name, unconfirmed. Throws ld::Error when a header row names some
// columns but no name column.
TableLayout findTableLayout(const Table& table, const LayoutOptions& options = {});

// The widest of the first ROWS rows.
int tableWidth(const Table& table, int rows);

}  // namespace ld
