#pragma once
// Moving an event to another machine: one zip archive with the event database and every photo the
// roster names (not the program).
#include <QString>

#include "data/online_backup.h"

namespace ld {

struct PackSummary {
  int participants = 0;
  int photos = 0;
};

// Writes ARCHIVE from the event in APPFOLDER: the database as one committed state, copied beside ARCHIVE
// a few pages at a time (`progress` after each step) so that a draw going on meanwhile is never kept waiting,
// and the photos its roster names. Refuses an existing ARCHIVE and a roster whose photo files are missing.
// Throws ld::Error; on failure no archive and no copy is left.
PackSummary packEvent(const QString& appFolder, const QString& archive, const BackupProgress& progress = {});

// Lays out the event of ARCHIVE in APPFOLDER (db/db.mdb and zp/). Refuses an APPFOLDER that already
// holds an event or any of the photo files, and an archive that holds anything else, lacks a photo
// its roster names, or whose database does not open with the password. Throws ld::Error; on failure
// APPFOLDER is as before.
PackSummary unpackEvent(const QString& archive, const QString& appFolder);

}  // namespace ld
