#pragma once
// Small helpers shared by the tests of tables, import, export and packing.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "framework/errors.h"
#include "transfer/table_file.h"

namespace ld::test {

// The cells of every row, without the line numbers.
inline std::vector<QStringList> cellsOf(const Table& t) {
  std::vector<QStringList> out;
  for (const TableRow& r : t.rows) out.push_back(r.cells);
  return out;
}

// The message of the ld::Error that `f` throws; empty when it throws none.
inline QString errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.message();
  }
  return {};
}

}  // namespace ld::test
