#pragma once
#include <QByteArray>
#include <QString>

struct sqlite3;

namespace ld {

// Creates APPFOLDER/db/db.mdb (and zp/): the four tables with their seeded key rows and the journal,
// encrypted with the database password. Throws DbError when the file already exists or cannot be made.
void createEventDatabase(const QString& appFolder);

// The draw journal (table cjrz and the triggers that keep its rows as written), every part "if not exists":
// made with a new event, and added to an older event file when it is opened.
extern const char* const kJournalSchema;
// Lists the journal's four objects (table and triggers) that a file holds.
extern const char* const kJournalObjectsQuery;

// The indexes that keep a large roster quick: made with a new event, and added to an older event file when
// it is opened (a file that cannot be written works without them, only slower).
extern const char* const kIndexSchema;
// Lists the indexes of kIndexSchema that a file holds.
extern const char* const kIndexQuery;
constexpr int kIndexCount = 2;

// A column a later version added to an older table: the employee number (gh) and tags (bq) of the roster, and
// the employee number in the journal. A new event gets them by the same statements an older file gets on
// open, so both files describe their tables alike.
struct AddedColumn {
  const char* table;
  const char* name;
  const char* definition;
};
extern const AddedColumn kAddedColumns[3];
// "alter table T add column NAME DEFINITION" for one of them.
QByteArray addColumnStatement(const AddedColumn& column);

// Whether TABLE has the column NAME (false too when there is no such table).
bool hasColumn(sqlite3* db, const char* table, const char* name);

class Query;
// An added column as a select list names it: the column, or blank text under its name in an older file that
// could not be upgraded because it was opened read-only.
QString addedColumnOrBlank(Query& q, const char* table, const char* name);

}  // namespace ld
