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

// The winners by prize level and draw order, so that the board and the draw order read the few winners
// rather than a large roster: made with a new event, and added to an older event file when it is opened.
extern const char* const kWinnersIndexSchema;
extern const char* const kWinnersIndexQuery;

}  // namespace ld
