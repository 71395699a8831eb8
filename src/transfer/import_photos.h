#pragma once
// The photos of a roster import: found in the photo folder, converted into hidden files in zp/, then put in
// place under the participants' photo names.
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

#include "framework/file_safety.h"
#include "transfer/import_plan.h"

namespace ld {

// The files of the photo folder by name, the extension in lower case, so "张三.JPG" answers "张三.jpg".
class PhotoFolder {
 public:
  explicit PhotoFolder(const QString& folder);
  // name plus any of the picture extensions; empty when none is there.
  QString find(const QString& base) const;
  // What the photo column names: a file name or a path relative to the folder, with or without extension.
  QString resolve(QString cell) const;

 private:
  QString folder_;
  QHash<QString, QString> files_;
};

// Empty when the file opens and starts like a picture the conversion reads (a bitmap when its name says so,
// else PNG or JPEG by content); else why not.
QString pictureProblem(const QString& file);

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

// Renames each prepared file of ROWS (in the order of ImportPlan::added()) to its participant's photo name in
// zp/, keeping what lay there in PLACED until the caller commits or rolls back. Throws ld::Error.
void placeImportPhotos(const std::vector<const ImportRow*>& rows, PreparedPhotos& photos,
                       std::vector<FilePlacement>& placed);

}  // namespace ld
