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

// The event's own look for the audience screen (table ztsz: title and colours by key, as text), "if not
// exists": made with a new event, and added to an older event file when it is opened.
extern const char* const kThemeSchema;
// Lists the table of kThemeSchema when a file holds it.
extern const char* const kThemeQuery;

// A sealed draw's state (table fcxx: secret, seal, entropy, counter and state by key, as text), "if not
// exists": made with a new event, and added to an older event file only when it is sealed.
extern const char* const kSealSchema;
// Lists the table of kSealSchema when a file holds it.
extern const char* const kSealQuery;

// The indexes that keep a large roster quick: made with a new event, and added to an older event file when
// it is opened (a file that cannot be written works without them, only slower).
extern const char* const kIndexSchema;
// Lists the indexes of kIndexSchema that a file holds.
extern const char* const kIndexQuery;
constexpr int kIndexCount = 4;

// A column a later version added to an older table: the employee number (gh) and tags (bq) of the roster;
// each prize's own name (mc, extra prizes only), winners per draw (mcrs), place in the drawing order (sx, 0:
// the usual place) and rule (gz, JSON); the check-in time (qd, empty until then), personal check-in code
// (qdm) and a digest of the phone that checked in (qdsb); and in the journal the employee number, the prize's
// name (jp), the rule in force (gz) and the reason a win was voided (yy). A new event gets them by the same
// statements an older file gets on open, so both files describe their tables alike.
struct AddedColumn {
  const char* table;
  const char* name;
  const char* definition;
};
constexpr int kAddedColumnCount = 13;
extern const AddedColumn kAddedColumns[kAddedColumnCount];
// "alter table T add column NAME DEFINITION" for one of them.
QByteArray addColumnStatement(const AddedColumn& column);

// Every statement that makes a new event's tables, indexes and triggers; the schema check holds files
// against what they make.
QByteArray newEventSchema();

// Whether TABLE has the column NAME (false too when there is no such table).
bool hasColumn(sqlite3* db, const char* table, const char* name);

class Query;
// An added column as a select list names it: the column, or blank text under its name in an older file that
// could not be upgraded because it was opened read-only.
QString addedColumnOrBlank(Query& q, const char* table, const char* name);

// Why a file's schema is not one this version or an earlier one made (an extra trigger, view, table or
// index, or a table, index or trigger whose statement differs), naming the object; empty when it is. Every
// row of sqlite_master is held against the objects made by the statements above, the journal's and the
// indexes' allowed to be missing (an older file gets them on open), a table with any leading part of the
// columns kAddedColumns adds to it. Throws DbError when the file's schema cannot be read.
QString schemaProblem(sqlite3* db);

// A statement's words as SQLite sees them: letters in one case outside string literals, identifiers
// unquoted, any run of blanks and comments one blank, "if not exists" left out.
QString normalisedSql(const QString& sql);

}  // namespace ld
