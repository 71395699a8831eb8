#pragma once
// Moving an event to another machine: one zip archive with the event database and every photo the
// roster names (not the program).
#include <QString>
#include <QStringList>
#include <functional>

#include "data/online_backup.h"

namespace ld {

struct PackSummary {
  int participants = 0;
  int photos = 0;
  int sharpPhotos = 0;  // sharper copies (zpgq/) that came along
  // Photos of the archive that the roster does not name, left out by unpack: zp/ file names as they are,
  // sharper copies as "zpgq/NAME".
  QStringList skipped;
  bool theme = false;   // the event's own stage pictures (zt/) went along
  QStringList damaged;  // stage pictures that could not be read, left out by pack
};

// Writes ARCHIVE from the event in APPFOLDER: the database as one committed state, copied beside ARCHIVE
// a few pages at a time (`progress` after each step) so that a draw going on meanwhile is never kept waiting,
// and the photos its roster names, with their sharper copies where zpgq/ has them, and the stage pictures in
// zt/ that can be read. Refuses an existing ARCHIVE and a roster whose photo files are missing. Throws
// ld::Error; on failure no archive and no copy is left.
PackSummary packEvent(const QString& appFolder, const QString& archive, const BackupProgress& progress = {});

// Lays out the event of ARCHIVE in APPFOLDER (db/db.mdb, the photos its roster names in zp/ and their
// sharper copies in zpgq/, which an archive may lack, the stage pictures in zt/). Refuses an APPFOLDER that
// already holds an event or any of those files, and an archive that holds anything else, lacks a photo its
// roster names, holds a photo that is not a JPEG picture or a stage picture that is not a sound one of its
// kind, exceeds a size or entry limit, or whose database does not open with the password or holds what this
// program never makes. Photos and copies the roster does not name are left out. Throws ld::Error; on failure
// APPFOLDER is as before. Every file is staged beside its place and the database placed last, so an unpack
// cut short at any moment is taken back by the next tidy-up of the folder.
PackSummary unpackEvent(const QString& archive, const QString& appFolder);

// Called at each step of an unpack ("staged", "synced", "recorded", "placed", "committed"): lets a test
// cut it short at a chosen point.
using UnpackHook = std::function<void(const char* step)>;
void setUnpackHook(UnpackHook hook);

}  // namespace ld
