#pragma once
// Roster import: a spreadsheet of participants, checked against the roster, their photos matched from a
// folder, then added in one go. The plan is made first and changes nothing; the operator confirms it.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "transfer/import_photos.h"
#include "transfer/import_plan.h"
#include "transfer/table_file.h"

namespace ld {

class Query;

// Reads FILE, finds its columns, checks every row (empty name or department, characters that cannot make a
// photo file name, duplicates within the file and against the roster of q) and matches photos in
// PHOTOFOLDER (matchImportPhotos): a missing or unusable picture gives a card, never a refusal. An empty
// PHOTOFOLDER means the folder the file is in. Writes nothing.
// Throws ld::Error for a file that cannot be read, has no usable rows, or a photo folder that is missing.
ImportPlan planRosterImport(const QString& file, const QString& photoFolder, Query& q);
// The same from a table already read (tests, and the dialog when the photo folder changes).
ImportPlan planRosterImport(const Table& table, const QString& file, const QString& photoFolder, Query& q);

// Adds the rows of the plan in one transaction and puts their photos in place; checks the roster again
// first (it may have changed since the plan). On any failure the transaction is rolled back and no file
// is left: the roster and zp/ are as before. Returns the number of participants added.
// `report`, when given, is called every thousand rows (the window keeps painting and takes a cancel).
int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report = {});

}  // namespace ld
