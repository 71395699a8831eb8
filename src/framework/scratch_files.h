#pragma once
// Every hidden scratch name the program writes, and the one tidy-up that deals with what an interrupted
// write left behind: an original that was being replaced is put back, a batch of new files that never
// reached its commit file is taken away, and the rest of our scratch files are removed. Nothing else in a
// folder is touched.
#include <QString>
#include <QStringList>

namespace ld {

// The stems of scratchName that the program uses, one per kind of write.
namespace scratch {
inline const QString kPhotoNew = QStringLiteral("new");
inline const QString kPhotoOld = QStringLiteral("old");
inline const QString kImportNew = QStringLiteral("import-new");
inline const QString kImportOld = QStringLiteral("import-old");
inline const QString kUnpack = QStringLiteral("unpack");
inline const QString kPack = QStringLiteral("pack");
inline const QString kExport = QStringLiteral("export");
inline const QString kMirror = QStringLiteral("mirror");
}  // namespace scratch

// The record beside a kept original (".~old-X.tmp" -> ".~old-X.orig") that holds the name it had. Written
// before the original is set aside, removed before the kept copy once the replacement is committed: a kept
// copy found with its record was never committed and goes back to its name.
QString originRecordOf(const QString& kept);

// A batch of new files that appear together once `commitFile` (the last to be placed) exists: the record
// names them, relative to `folder`, before the first is placed. Returns the record's path; throws ld::Error.
QString writeBatchRecord(const QString& folder, const QString& stem, const QString& commitFile,
                         const QStringList& files);

struct TidyResult {
  int restored = 0;  // originals put back
  int removed = 0;   // scratch files and uncommitted batch files removed
};

// Tidies one folder (not its sub-folders). Call only while no writer of this program works in it: the
// holder of the event lock, before it writes.
// `onlyStem` limits it to one kind of scratch file (a folder outside the event's, which others may share).
TidyResult tidyScratchFiles(const QString& folder, const QString& onlyStem = {});
// An event folder, its db/, its zp/, its zpgq/ and its zt/.
TidyResult tidyEventFolder(const QString& appFolder);

}  // namespace ld
