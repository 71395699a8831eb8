#pragma once
// Roster import: a spreadsheet of participants, checked against the roster, their photos matched from a
// folder, then added in one go. The plan is made first and changes nothing; the operator confirms it.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "transfer/table_file.h"

namespace ld {

class Query;

struct ImportRow {
  int line = 0;  // where the row is in the file
  QString department, name;
  QString photoCell;    // what the photo column says, if there is one
  QString photoSource;  // the matched picture; empty when the row gets a generated portrait card
  QString refusal;      // why the row is not added; empty when it is
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

  std::vector<const ImportRow*> added() const;
  std::vector<const ImportRow*> refusedRows() const;
  // The summary shown before anything is written (counts, then every refused row with its reason).
  QString summary(int maxRefusedListed = 50) const;
};

// Reads FILE, finds its columns, checks every row (empty name or department, characters that cannot make a
// photo file name, duplicates within the file and against the roster of q, photo missing or not a picture)
// and matches photos in PHOTOFOLDER: by the photo column, else "department_name", else "name", with any
// of .jpg .jpeg .png .bmp. An empty PHOTOFOLDER means the folder the file is in. Writes nothing.
// Throws ld::Error for a file that cannot be read, has no usable rows, or a photo folder that is missing.
ImportPlan planRosterImport(const QString& file, const QString& photoFolder, Query& q);
// The same from a table already read (tests, and the dialog when the photo folder changes).
ImportPlan planRosterImport(const Table& table, const QString& file, const QString& photoFolder, Query& q);

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

// The converted photos of an import, as hidden temporary files in zp/. Destroying it removes the ones
// not yet taken by writeRosterImport.
class PreparedPhotos {
 public:
  PreparedPhotos() = default;
  ~PreparedPhotos();
  PreparedPhotos(PreparedPhotos&& other) noexcept;
  PreparedPhotos& operator=(PreparedPhotos&& other) noexcept;
  PreparedPhotos(const PreparedPhotos&) = delete;
  PreparedPhotos& operator=(const PreparedPhotos&) = delete;

  // Temporary file for each added row, in the order of ImportPlan::added(); empty for a row that gets
  // no photo.
  std::vector<QString> files;
  void discard();
};

// Converts every matched photo exactly as the photo import converts a chosen picture (480 x 360,
// quality 100) and paints a portrait card for every row without one (when plan.cards), on all cores. Blocks;
// `report`, when given, is called on the calling thread every few milliseconds. Throws ImportCancelled, or
// ld::Error naming the photo that failed; in both cases no file is left.
PreparedPhotos preparePhotos(const ImportPlan& plan, ImportProgress& progress,
                             const std::function<void()>& report = {});

// Adds the rows of the plan in one transaction and puts their photos in place; checks the roster again
// first (it may have changed since the plan). On any failure the transaction is rolled back and no file
// is left: the roster and zp/ are as before. Returns the number of participants added.
// `report`, when given, is called every thousand rows (the window keeps painting and takes a cancel).
int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report = {});

}  // namespace ld
