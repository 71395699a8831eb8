#pragma once
// The photos of a roster import: found in the photo folder (never outside it), converted into hidden files
// in zp/ while the preview is shown, then renamed into place under the participants' photo names.
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "settings/photo_import.h"
#include "transfer/import_plan.h"

namespace ld {

// A picture found for a row: a file inside the photo folder (symbolic links resolved), or why none is used.
struct PhotoMatch {
  QString file;
  QString problem;
};

// The pictures of the photo folder, found by name with the extension in any letter case, so "张三.JPG"
// answers "张三.jpg". Whatever a name or path says, only files inside the folder are answered.
class PhotoFolder {
 public:
  explicit PhotoFolder(const QString& folder);
  // BASE plus any of the picture extensions, directly in the folder; nothing found is no problem.
  PhotoMatch find(const QString& base) const;
  // What the photo column names: a file name or a path, with or without extension. A relative path is
  // taken inside the folder; any other (absolute, a Windows drive, "..") is reduced to its file name.
  PhotoMatch resolve(QString cell) const;
  // The picture files directly in the folder, by name.
  QStringList pictures() const;
  QString inside(const QString& path) const;  // canonical path when PATH lies inside; else empty

 private:
  PhotoMatch lookUp(const QString& dir, const QString& name) const;
  QString folder_, root_;
  mutable QHash<QString, QHash<QString, QString>> listings_;  // folder -> normalised name -> name
};

// Empty when the file opens and starts like a picture the conversion reads (a bitmap when its name says so,
// else PNG or JPEG by content); else why not.
QString pictureProblem(const QString& file);

// Matches the picture of every row not refused: by the photo column, else 工号, else "department_name",
// else the name when no one else in the file has it. A file already in zp/ under a row's photo name that
// none of ROSTERPHOTOS (the files in zp/ the roster names now) is kept: the row's photo when it is a JPEG,
// else the row is refused. One the roster names belongs to someone leaving that name, and is replaced.
// Notes why a picture is not used, and lists the folder's pictures that no row took.
void matchImportPhotos(ImportPlan& plan, const QSet<QString>& rosterPhotos = {});

// Reads a picture as the photo import does; a portrait one is cut to 4:3 around its upper centre, where
// faces are, instead of being stretched. 480 x 360, quality 100, and the sharper copy of the same cut when
// the picture is larger. Throws ld::Error.
PhotoPair convertImportPhoto(const QString& file);

// The converted photos of an import, as hidden scratch files in zp/ (their sharper copies in zpgq/).
// Destroying it removes the ones not yet taken by writeRosterImport.
class PreparedPhotos {
 public:
  PreparedPhotos() = default;
  ~PreparedPhotos();
  PreparedPhotos(PreparedPhotos&& other) noexcept;
  PreparedPhotos& operator=(PreparedPhotos&& other) noexcept;
  PreparedPhotos(const PreparedPhotos&) = delete;
  PreparedPhotos& operator=(const PreparedPhotos&) = delete;

  // Scratch file for each added row, in the order of ImportPlan::added(); empty for a row that gets
  // no new file.
  std::vector<QString> files;
  // The sharper copy of each added row's photo, beside it in the same order; empty when there is none
  // (a small picture, a card, or the copy could not be written: the big screen then shows the photo).
  std::vector<QString> sharpFiles;
  // Why each added row's picture could not be converted (the row got a card instead); empty when it could.
  std::vector<QString> failures;
  void discard();
};

// Converts every matched photo and paints a portrait card for every row without one (when plan.cards), on
// all cores. A picture that cannot be converted gives its row a card (or no file) and its reason in
// `failures`. Blocks; `report`, when given, is called on the calling thread every few milliseconds. Throws
// ImportCancelled, or ld::Error when zp/ cannot be written; in both cases no file is left.
PreparedPhotos preparePhotos(const ImportPlan& plan, ImportProgress& progress,
                             const std::function<void()>& report = {});
// Notes the failed pictures of PHOTOS in the rows of the plan they were prepared for, and counts again.
void takePhotoFailures(ImportPlan& plan, const PreparedPhotos& photos);

// Renames each prepared file of ROWS (in the order of ImportPlan::added()) to its participant's photo name in
// zp/, never over an existing file, listing in PLACED what it put there. Throws ld::Error. The sharper
// copies are not placed here (transfer/sharp_copies.h).
void placeImportPhotos(const std::vector<const ImportRow*>& rows, PreparedPhotos& photos,
                       std::vector<QString>& placed);

}  // namespace ld
