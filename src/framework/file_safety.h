#pragma once
// Files that survive an interruption: hidden scratch names beside the file they become, writes and renames
// made lasting with fsync, a file put in place while what it replaces is kept until the change is
// committed, and descriptors that close themselves. (libzip's handles: framework/zip_handles.h.)
#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>

namespace ld {

// A file's path as a message shows it.
QString shown(const QString& file);

// A file descriptor, closed when its owner goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over; the caller closes it.
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// A folder opened read-only (for syncing it); invalid when it cannot be opened.
UniqueFd openFolder(const QString& folder);

// Names made, renamed or removed in a folder are lasting only once the folder itself is synced.
// False when the folder could not be opened or synced.
bool syncFolder(const QString& folder);
bool syncFolderOf(const QString& file);
// Everything written to the file system holding `folder`: far cheaper than an fsync per file in a batch.
bool syncFileSystem(const QString& folder);

// An unused name in `folder`: ".~" + stem + "-" + 16 random hex digits + suffix. The leading dot hides it,
// and the random part keeps two writers (or an interrupted one and its successor) apart.
QString scratchName(const QString& folder, const QString& stem,
                    const QString& suffix = QStringLiteral(".tmp"));

// Whether a new file's data is on disk before the call returns, or left to a later syncFileSystem.
enum class Durability { Synced, Unsynced };

// Writes a new file (refused when anything lies at `path`). Returns why it failed, empty on success; a
// failure leaves no file behind.
QString writeNewFile(const QString& path, const QByteArray& bytes, Durability durability);

// Copies `from` to the new file `to` with its modification time. Returns why it failed, empty on success;
// what a failure left at `to` is the caller's to remove.
QString copyFileKeepingTime(const QString& from, const QString& to, Durability durability);

// rename(2): replaces whatever `to` is in one step, and moves a link itself rather than what it points to.
bool renameFile(const QString& from, const QString& to);
// Gives `from` the name `to` only while nothing lies there, in one step (no check-then-rename race).
bool renameNoReplace(const QString& from, const QString& to);

// Puts a ready file at `target` in one step, keeping what lay there under a second name (a hard link, a
// copy where the file system has none) so that `target` is never missing and can still be put back.
// commit() drops the old file; rollback(), or destroying an uncommitted placement, restores the old state.
// Neither syncs the folder: a batch syncs it once.
class FilePlacement {
 public:
  enum class Step { ReadingOld, CopyingOld, Placing };
  struct Failure {
    Step step;
    QString why;  // the system's reason where one is known
  };

  // The second name of the old file is a scratch name with `backupStem` beside the target.
  explicit FilePlacement(QString target, QString backupStem = QStringLiteral("old"));
  ~FilePlacement();
  FilePlacement(FilePlacement&& other) noexcept;
  FilePlacement& operator=(FilePlacement&& other) noexcept;
  FilePlacement(const FilePlacement&) = delete;
  FilePlacement& operator=(const FilePlacement&) = delete;

  // Renames `ready` (a file in the target's folder) to the target. On failure nothing at the target has
  // changed and `ready` is still there.
  std::optional<Failure> place(const QString& ready);
  void commit();
  void rollback();

  const QString& target() const { return target_; }

 private:
  std::optional<Failure> keepOld();

  QString target_;
  QString backupStem_;
  QString backup_;
  bool placed_ = false;
};

}  // namespace ld
