#pragma once
// What the two readers of a table share: the limits kept while rows are read, and the messages that say why
// a file cannot be read. Only the table files of this folder include it.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "framework/errors.h"
#include "framework/text.h"
#include "transfer/table_file.h"

struct zip;

namespace ld::tables {

[[noreturn]] void fail(const QString& file, const QString& why);
// 1000000 as "100 万", the way a limit is said.
QString amount(qint64 n);
bool blank(QStringView s);
[[noreturn]] void oldExcel(const QString& file);
bool isOleFile(const QByteArray& head);
// Whether a spreadsheet would run a cell that begins with C as a formula.
bool formulaStart(QChar c);
// A formula-like value behind apostrophes, as an export writes one: one apostrophe is the export's.
bool formulaGuarded(QStringView cell);

// The rows of a table as they are read, against the limits.
class TableBuilder {
 public:
  TableBuilder(Table& table, const TableLimits& limits, const QString& file)
      : table_(table), limits_(limits), file_(file) {}

  void takeCells(qint64 n, int line) {
    cells_ += n;
    if (cells_ > limits_.cells)
      fail(file_, Tr::tr("第 %1 行：表格超过 %2 个单元格的上限").arg(line).arg(amount(limits_.cells)));
  }
  void takeChars(qint64 n, int line) {
    chars_ += n;
    if (chars_ > limits_.chars)
      fail(file_, Tr::tr("第 %1 行：表格的文字超过 %2 个字符的上限").arg(line).arg(amount(limits_.chars)));
  }
  void checkColumn(qint64 column, int line) const {
    if (column >= limits_.columns)
      fail(file_, Tr::tr("第 %1 行超过 %2 列的上限").arg(line).arg(amount(limits_.columns)));
  }
  void add(int line, QStringList cells, bool hidden, int lines = 1) {
    bool empty = true;
    qint64 chars = 0;
    for (const QString& c : cells) {
      empty = empty && blank(c);
      chars += c.size();
    }
    if (empty) {  // blank rows are left out, and what they took is given back
      cells_ -= cells.size();
      chars_ -= chars;
      return;
    }
    if (qint64(table_.rows.size()) >= limits_.rows)
      fail(file_, Tr::tr("表格超过 %1 行的上限").arg(amount(limits_.rows)));
    cells.squeeze();
    table_.rows.push_back({line, std::move(cells), hidden, lines});
  }
  const TableLimits& limits() const { return limits_; }

 private:
  Table& table_;
  const TableLimits& limits_;
  const QString& file_;
  qint64 cells_ = 0, chars_ = 0;
};

// A text file (.csv, .txt), read in pieces.
Table readText(QIODevice& in, const QString& file, const TableLimits& limits);
// The sheet WANTED (empty: the one the workbook opens on) of an opened package.
Table readXlsx(zip* package, const QString& file, const QString& wanted, const TableLimits& limits);
[[noreturn]] void notXlsx(const QString& file);

}  // namespace ld::tables
