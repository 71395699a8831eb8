#pragma once
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

// Why a file's schema is not one this version or an earlier one made (an extra trigger, view, table or
// index, or a table, index or trigger whose statement differs), naming the object; empty when it is. Every
// row of sqlite_master is held against the objects made by the statements above, the journal's and the
// indexes' allowed to be missing (an older file gets them on open), the roster with any leading part of
// the columns added since. Throws DbError when the file's schema cannot be read.
QString schemaProblem(sqlite3* db);

// A statement's words as SQLite sees them: letters in one case outside string literals, identifiers
// unquoted, any run of blanks and comments one blank, "if not exists" left out.
QString normalisedSql(const QString& sql);

}  // namespace ld
