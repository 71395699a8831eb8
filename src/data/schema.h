#pragma once
#include <QString>

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

}  // namespace ld
