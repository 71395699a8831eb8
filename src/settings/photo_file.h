#pragma once
// Participant photo files: safe names, and writes that can be taken back until the row has changed.
#include <QByteArray>
#include <QString>
#include <utility>

#include "framework/file_safety.h"

namespace ld {

// Why a department and name cannot make a photo file name; an empty message when they can.
struct PhotoNameCheck {
  QString message;
  bool departmentAtFault = false;
  bool ok() const { return message.isEmpty(); }
};
PhotoNameCheck checkPhotoName(const QString& department, const QString& name);

// The stored photo path: "zp\" + department + "_" + name + ".jpg".
QString photoPathFor(const QString& department, const QString& name);

// The event's photo folder, ending in '/'.
QString zpFolder();

// The file name a stored photo path names when it lies directly inside zp/; empty for anything else,
// so that a stored path can never make us write or delete outside the photo folder.
QString photoNameInZp(const QString& stored);
// That file in the current event's photo folder; empty when the path names none.
QString photoFileInZp(const QString& stored);

// The event's folder of sharper copies, ending in '/'.
QString sharpFolder();
// The sharper copy's file for a stored photo path, confined like photoFileInZp; empty when the path names
// none.
QString sharpFileFor(const QString& stored);
// The file to show a photo large: the sharper copy when there is one, else the zp file; empty when the path
// names no photo file.
QString sharpestPhotoFile(const QString& stored);
// Makes zpgq/ when missing; false (and a warning) when it cannot be made.
bool makeSharpFolder();
// Removes the sharper copy of a zp photo file, if it has one (a copy alone is only missed on the big screen).
void removeSharpCopyOf(const QString& zpFile);

// Removes a photo file (not a folder); false when there was none or it could not be removed.
bool removePhotoFile(const QString& file);

// Writes a whole file through a hidden scratch file and a rename, so a failure leaves the old file.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Puts new bytes at a photo file while keeping what was there, until commit() drops it. The file is
// never missing meanwhile; after an interruption the tidy-up (framework/scratch_files.h) puts it back.
// Destroying an uncommitted replacement puts the old state back.
class PhotoReplacement {
 public:
  explicit PhotoReplacement(QString file) : placement_(std::move(file)) {}

  // Throws ld::Error; on failure nothing on disk has changed.
  void stage(const QByteArray& bytes);
  void commit();
  void rollback();

 private:
  FilePlacement placement_;
};

// The sharper copy that goes with a photo being written, in step with it but on a best-effort basis: without
// it the big screen shows the small photo. Whatever lay at its name is kept until commit(), and a copy of
// an earlier picture never outlives the change.
class SharpReplacement {
 public:
  // zpFile: the photo file being written (the copy takes its name in zpgq/).
  explicit SharpReplacement(const QString& zpFile);

  // Puts BYTES at the copy's name; empty bytes (no sharper picture) mean that name is to be free after the
  // commit. Never throws: false, with a warning, when the copy was not written (the name is freed then too).
  bool stage(const QByteArray& bytes);
  void commit();
  void rollback();

 private:
  QString file_;
  PhotoReplacement placement_;
  bool staged_ = false;
};

}  // namespace ld
