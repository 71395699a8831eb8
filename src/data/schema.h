#pragma once
#include <QString>

namespace ld {

// Creates APPFOLDER/db/db.mdb (and zp/): the four tables with their seeded key rows, encrypted
// with the database password. Throws DbError when the file already exists or cannot be made.
void createEventDatabase(const QString& appFolder);

}  // namespace ld
