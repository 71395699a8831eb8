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

// Reads FILE (options.sheet of a workbook), finds the table and its columns (table_layout.h), checks every
// row (empty name or department, characters that cannot make a photo file name or that the file's encoding
// could not hold, duplicate 工号 or name within the file and against the roster of q, photo missing or not a
// picture) and matches photos of new participants in PHOTOFOLDER (matchImportPhotos): a missing or unusable
// picture gives a card, never a refusal. An empty PHOTOFOLDER means the folder the file is in. In update mode
// the rows are matched with the roster instead of refused as duplicates. Writes nothing. Throws ld::Error for
// a file that cannot be read, has no usable rows, or a photo folder that is missing.
ImportPlan planRosterImport(const QString& file, const QString& photoFolder, Query& q,
                            const ImportOptions& options = {});
// The same from a table already read (tests, and the dialog when a choice changes).
ImportPlan planRosterImport(const Table& table, const QString& file, const QString& photoFolder, Query& q,
                            const ImportOptions& options = {});

// Adds, updates and removes as the plan says in one transaction, renaming the photos of the people who
// moved or were renamed and putting the new photos in place; checks the roster again first (it may have
// changed since the plan). On any failure, or a kill at any point, the roster and zp/ agree: before the
// commit with the old rows, after it with the new ones. Refuses a plan whose columns are a guess. Returns
// the number of participants added.
// `report`, when given, is called every thousand rows (the window keeps painting and takes a cancel).
int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report = {});

}  // namespace ld
