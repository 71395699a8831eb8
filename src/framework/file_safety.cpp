#include "framework/file_safety.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>

#include "framework/scratch_files.h"
#include "framework/text.h"

namespace ld {

namespace {

bool present(const QFileInfo& info) { return info.exists() || info.isSymLink(); }

void removeWarning(const QString& file, const char* what) {
  QFile f(file);
  if (!f.remove() && present(QFileInfo(file)))
    qWarning("%s %s not removed: %s", what, qUtf8Printable(file), qUtf8Printable(f.errorString()));
}

}  // namespace

QString shown(const QString& file) { return QDir::toNativeSeparators(file); }

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

UniqueFd openFolder(const QString& folder) {
  return UniqueFd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool syncFolder(const QString& folder) {
  const UniqueFd fd = openFolder(folder);
  return fd.valid() && ::fsync(fd.get()) == 0;
}

bool syncFolderOf(const QString& file) { return syncFolder(QFileInfo(file).absolutePath()); }

bool syncFileSystem(const QString& folder) {
  const UniqueFd fd = openFolder(folder);
  return fd.valid() && ::syncfs(fd.get()) == 0;
}

QString scratchName(const QString& folder, const QString& stem, const QString& suffix) {
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  for (;;) {
    const QString name = prefix + QStringLiteral(".~%1-%2%3")
                                      .arg(stem)
                                      .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
                                      .arg(suffix);
    if (!present(QFileInfo(name))) return name;
  }
}

QString writeNewFile(const QString& path, const QByteArray& bytes, Durability durability) {
  QFile f(path);
  QString why;
  if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    return f.errorString();  // nothing of ours to remove: what lies there is someone else's
  if (f.write(bytes) != bytes.size() || !f.flush())
    why = f.errorString();
  else if (durability == Durability::Synced && ::fsync(f.handle()) != 0)
    why = QStringLiteral("fsync");
  f.close();
  if (!why.isEmpty()) QFile::remove(path);
  return why;
}

QString copyFileKeepingTime(const QString& from, const QString& to, Durability durability) {
  if (!QFile::copy(from, to)) return Tr::tr("无法写入");
  QFile copied(to);
  if (!copied.open(QIODevice::ReadWrite) ||
      !copied.setFileTime(QFileInfo(from).lastModified(), QFileDevice::FileModificationTime))
    return Tr::tr("无法写入磁盘");
  if (durability == Durability::Synced && ::fsync(copied.handle()) != 0) return Tr::tr("无法写入磁盘");
  return {};
}

bool renameFile(const QString& from, const QString& to) {
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool renameNoReplace(const QString& from, const QString& to) {
  const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
  if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a second link fails on an existing name just the same.
  if (::link(f.constData(), t.constData()) != 0) return false;
  ::unlink(f.constData());
  return true;
}

FilePlacement::FilePlacement(QString target, QString backupStem)
    : target_(std::move(target)), backupStem_(std::move(backupStem)) {}

FilePlacement::~FilePlacement() { rollback(); }

FilePlacement::FilePlacement(FilePlacement&& other) noexcept
    : target_(std::move(other.target_)),
      backupStem_(std::move(other.backupStem_)),
      backup_(std::exchange(other.backup_, {})),
      placed_(std::exchange(other.placed_, false)) {}

FilePlacement& FilePlacement::operator=(FilePlacement&& other) noexcept {
  if (this != &other) {
    rollback();
    target_ = std::move(other.target_);
    backupStem_ = std::move(other.backupStem_);
    backup_ = std::exchange(other.backup_, {});
    placed_ = std::exchange(other.placed_, false);
  }
  return *this;
}

std::optional<FilePlacement::Failure> FilePlacement::keepOld() {
  const QString folder = QFileInfo(target_).absolutePath();
  const QString backup = scratchName(folder, backupStem_);
  // The original's name goes on disk first: if the replacement is cut short, the next tidy-up puts the
  // original back under it.
  const QString record = originRecordOf(backup);
  if (QString why = writeNewFile(record, QFileInfo(target_).fileName().toUtf8(), Durability::Synced);
      !why.isEmpty())
    return Failure{Step::CopyingOld, why};
  syncFolder(folder);
  if (::link(QFile::encodeName(target_).constData(), QFile::encodeName(backup).constData()) == 0) {
    backup_ = backup;
    return std::nullopt;
  }
  QFile old(target_);
  std::optional<Failure> failure;
  if (!old.open(QIODevice::ReadOnly)) failure = Failure{Step::ReadingOld, old.errorString()};
  const QByteArray bytes = failure ? QByteArray() : old.readAll();
  if (!failure && old.error() != QFileDevice::NoError) failure = Failure{Step::ReadingOld, old.errorString()};
  if (!failure)
    if (QString why = writeNewFile(backup, bytes, Durability::Synced); !why.isEmpty())
      failure = Failure{Step::CopyingOld, why};
  if (failure) {
    removeWarning(record, "record of");
    return failure;
  }
  backup_ = backup;
  return std::nullopt;
}

std::optional<FilePlacement::Failure> FilePlacement::place(const QString& ready) {
  if (present(QFileInfo(target_)))
    if (auto failure = keepOld()) return failure;
  if (!renameFile(ready, target_)) {
    if (!backup_.isEmpty()) {
      removeWarning(originRecordOf(backup_), "record of");
      removeWarning(backup_, "second name of");
    }
    backup_.clear();
    return Failure{Step::Placing, {}};
  }
  placed_ = true;
  return std::nullopt;
}

void FilePlacement::commit() {
  // The record first: a kept copy without one is only a scratch file.
  if (!backup_.isEmpty()) {
    removeWarning(originRecordOf(backup_), "record of");
    removeWarning(backup_, "replaced file");
  }
  backup_.clear();
  placed_ = false;
}

void FilePlacement::rollback() {
  if (!placed_) return;
  placed_ = false;
  if (backup_.isEmpty()) {
    removeWarning(target_, "placed file");  // nothing lay there before
    return;
  }
  // Renaming the old file back replaces the new one in one step.
  if (!renameFile(backup_, target_))
    qWarning("old file %s not put back from %s", qUtf8Printable(target_), qUtf8Printable(backup_));
  else
    removeWarning(originRecordOf(backup_), "record of");
  backup_.clear();
}

}  // namespace ld
