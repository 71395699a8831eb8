#pragma once
// What a roster import plans before anything is written: every row of the file with what will happen to it,
// and the progress of the work that follows.
#include <QString>
#include <QStringList>
#include <atomic>
#include <exception>
#include <vector>

namespace ld {

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
  QString refusal;            // why the row is not added; empty when it is
  bool added() const { return refusal.isEmpty(); }
  bool withoutPhoto() const { return added() && photoSource.isEmpty(); }
};

struct ImportPlan {
  QString file;
  QString photoFolder;  // absolute; empty when photos are not looked for
  bool hadHeader = false;
  bool photoColumn = false;
  // Whether rows without a photo get a generated portrait card (set by the caller after planning).
  // Without one they are stored with no photo: never drawn until a photo is added in the settings window.
  bool cards = true;
  std::vector<ImportRow> rows;  // every row of the file with a name or department, in file order
  int toAdd = 0, refused = 0, photosMatched = 0, portraits = 0;
  QStringList unusedPhotos;  // pictures in the photo folder that no row took

  std::vector<const ImportRow*> added() const;
  std::vector<const ImportRow*> refusedRows() const;
  // The summary shown before anything is written (counts, then every refused row with its reason, the rows
  // whose picture is not used and the folder's pictures no row took).
  QString summary(int maxRefusedListed = 50) const;
  // The photo part of the summary: rows whose picture is not used, and pictures no row took.
  QStringList photoLines(int maxListed) const;
  // The counts again, from the rows (after matching, and after the conversion switched pictures to cards).
  void recount();
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
