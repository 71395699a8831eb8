#pragma once
// The winners, and the roster, as one table for a spreadsheet.
#include <QString>
#include <QStringList>
#include <vector>

namespace ld {

class Query;

// The language of an exported table's headings and prize names. Departments and names are written as
// stored whatever the language, and the Chinese table is the same whatever language the program speaks.
enum class TableLanguage { Chinese, English };

// A header row, then one row per winner in draw order: draw order, prize ("一等奖" … "幸运奖", "计划外"
// for the outside-plan marker; in English "First prize" … "Lucky prize", "Outside the plan"), department,
// name, 工号 (Employee number) when any winner has one, and the time of the draw when the event keeps a
// journal. When a winner was absent or a win voided, each row also
// says 中奖, 缺席 or 作废 (Won, Absent, Voided), the absent one just before the one drawn in their place, and
// with a voided win a last column gives why (作废原因, Reason for voiding). An extra prize is written with
// its own name in either language. In a workbook the time is a date the spreadsheet can sort.
std::vector<QStringList> winnersTable(Query& q, TableLanguage language = TableLanguage::Chinese);
// A header row (部门, 姓名, 照片, then 工号 and 标签 when any participant has one; in English Department,
// Name, Photo, Employee number, Tags), then every participant in roster order; the photo is the file name in
// the photo folder, so that the table imports again with that folder as the photo folder.
std::vector<QStringList> rosterTable(Query& q, TableLanguage language = TableLanguage::Chinese);

// Writes the table to FILE (.xlsx or .csv by its extension). Returns the number of winners (or participants)
// written.
int exportResults(const QString& file, Query& q, TableLanguage language = TableLanguage::Chinese);
int exportRoster(const QString& file, Query& q, TableLanguage language = TableLanguage::Chinese);

}  // namespace ld
