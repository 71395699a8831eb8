#pragma once
// The winners, and the roster, as one table for a spreadsheet.
#include <QString>
#include <QStringList>
#include <vector>

namespace ld {

class Query;

// A header row, then one row per winner in draw order: draw order, prize ("一等奖" … "幸运奖", "计划外"
// for the outside-plan marker), department, name, and the time of the draw when the event keeps a journal.
std::vector<QStringList> winnersTable(Query& q);
// A header row (部门, 姓名, 照片), then every participant in roster order; the photo is the file name in
// the photo folder, so that the table imports again with that folder as the photo folder.
std::vector<QStringList> rosterTable(Query& q);

// Writes the table to FILE (.xlsx or .csv by its extension). Returns the number of rows below the header.
int exportResults(const QString& file, Query& q);
int exportRoster(const QString& file, Query& q);

}  // namespace ld
