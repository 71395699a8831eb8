#pragma once
// What a roster import plans before anything is written: every row of the file with what will happen to it,
// and the progress of the work that follows.
#include <QString>
#include <QStringList>
#include <atomic>
#include <exception>
#include <optional>
#include <vector>

#include "transfer/table_layout.h"

namespace ld {

// Add: every row is a new participant. Update: the roster follows the sheet, people found by 工号 (by
// department and name where the sheet has none) change in place, the others are added.
enum class ImportMode { Add, Update };

// What the plan was made with; the window changes these and plans again.
struct ImportOptions {
  ImportMode mode = ImportMode::Add;
  bool removeMissing = false;  // update: take out who is not in the sheet (never a winner)
  bool includeHidden = false;
  std::optional<std::vector<ColumnMeaning>> columns;  // stated by the operator
  QString sheet;                                      // empty: the one the workbook opens on
};

enum class RowAction { Add, Update, Unchanged };

struct ImportRow {
  int line = 0;  // where the row is in the file
  QString department, name;
  QString employeeId;   // 工号, when the sheet has the column
  QString tags;         // as the tags column says them
  QString photoCell;    // what the photo column says, if there is one
  QString photoSource;  // the matched picture; empty when the row gets a generated portrait card
  // Why the row's picture is not used (missing, damaged, outside the photo folder), or that a file already
  // in zp/ under its photo name is kept as its photo; listed in the summary.
  QString photoNote;
  bool keepsZpPhoto = false;  // that file in zp/ is the photo: nothing is written for the row
  QString refusal;            // why the row is not taken; empty when it is
  RowAction action = RowAction::Add;
  int rosterId = 0;                          // update: the participant it changes
  QString oldDepartment, oldName, oldPhoto;  // update: as stored before
  bool accepted() const { return refusal.isEmpty(); }
  bool added() const { return accepted() && action == RowAction::Add; }
  bool withoutPhoto() const { return added() && photoSource.isEmpty(); }
};

// A participant of the roster that an update does not find in the sheet.
struct MissingPerson {
  int rosterId = 0;
  QString department, name, employeeId, photoPath;
  bool drawn = false;    // a winner (or absent winner): always kept
  bool removed = false;  // taken out by this import
};

struct ImportPlan {
  QString file;
  QString photoFolder;  // absolute; empty when photos are not looked for
  ImportOptions options;
  bool hadHeader = false;
  bool photoColumn = false;
  // False while the columns are a guess (no header row was recognised): nothing is written until the
  // operator states them.
  bool columnsConfirmed = true;
  std::vector<ColumnMeaning> columns;
  QStringList sheets;  // the workbook's sheets, to choose from
  QString sheet;
  std::vector<SkippedRow> skipped;     // rows that are no participants, with why
  std::vector<MissingPerson> missing;  // update only
  quint64 rosterStamp = 0;             // update: the roster as planned against
  // Whether rows without a photo get a generated portrait card (set by the caller after planning).
  // Without one they are stored with no photo: never drawn until a photo is added in the settings window.
  bool cards = true;
  std::vector<ImportRow> rows;  // every row of the file with a name or department, in file order
  int toAdd = 0, refused = 0, photosMatched = 0, portraits = 0;
  QStringList unusedPhotos;  // pictures in the photo folder that no row took
  int toUpdate = 0, unchanged = 0, toRemove = 0, keptWinners = 0;
  int changes() const { return toAdd + toUpdate + toRemove; }

  std::vector<const ImportRow*> added() const;
  std::vector<const ImportRow*> refusedRows() const;
  // The summary shown before anything is written (counts, then every refused row with its reason, the rows
  // whose picture is not used and the folder's pictures no row took).
  QString summary(int maxRefusedListed = 50) const;
  // The photo part of the summary: rows whose picture is not used, and pictures no row took.
  QStringList photoLines(int maxListed) const;
  // The counts again, from the rows (after matching, and after the conversion switched pictures to cards).
  void recount();
  // The updated rows, the skipped rows and the participants missing from the sheet, each with what happens.
  QString details(int maxListed = 50) const;
};

// Progress of the photo conversion: `done` and `total` are updated while it runs (from any thread);
// setting `cancel` stops it, and everything written so far is removed.
struct ImportProgress {
  std::atomic<int> done{0};
  std::atomic<int> total{0};
  std::atomic<bool> cancel{false};
  std::atomic<bool> writing{false};  // photos are ready and the rows are being written
};

// Thrown when the import was cancelled; nothing is left behind.
class ImportCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

}  // namespace ld
