#include "data/online_backup.h"

#include <fcntl.h>
#include <unistd.h>

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include "data/connection.h"
#include "data/db_error.h"
#include "framework/file_safety.h"
#include "framework/text.h"

namespace ld {

namespace {

// 64 pages of 4 KiB: a millisecond or two of decrypting and encrypting per step.
constexpr int kPagesPerStep = 64;
// A writer committing holds the file for a moment; a step finding it so tries again this often.
constexpr int kBusyRetries = 2000;
constexpr int kBusyPauseMs = 5;

struct Backup {
  sqlite3_backup* handle;
  ~Backup() {
    if (handle) sqlite3_backup_finish(handle);
  }
};

}  // namespace

void onlineBackup(Connection& source, const QString& target, const BackupProgress& progress) {
  const QString cannotCopy = Tr::tr("无法把活动数据库复制到 %1").arg(shown(target));
  if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
    throw DbError(cannotCopy + Tr::tr("：文件已经存在"));
  source.setConnected(true);
  const QByteArray password =
      connectionStringValue(source.connectionString(), QStringLiteral("Jet OLEDB:Database Password"))
          .toUtf8();

  bool done = false;
  struct Leftover {
    const QString& file;
    const bool& done;
    ~Leftover() {
      if (!done) {
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
      }
    }
  } leftover{target, done};

  sqlite3* opened = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  const int openRc = sqlite3_open_v2(QFile::encodeName(target).constData(), &opened, flags, nullptr);
  DatabaseHandle copy(opened);
  const auto fail = [&](sqlite3* db) {
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
    throw DbError(cannotCopy + Tr::tr("：") + (db ? engineMessage(db) : Tr::tr("内存不足")), code);
  };
  if (openRc != SQLITE_OK) fail(copy.get());
  if (sqlite3_key(copy.get(), password.constData(), int(password.size())) != SQLITE_OK) fail(copy.get());

  {
    Backup backup{sqlite3_backup_init(copy.get(), "main", source.handle(), "main")};
    if (!backup.handle) fail(copy.get());
    int busy = 0;
    for (;;) {
      const int rc = sqlite3_backup_step(backup.handle, kPagesPerStep);
      if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (++busy > kBusyRetries) fail(source.handle());
        sqlite3_sleep(kBusyPauseMs);
        continue;
      }
      if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        // The step's error is the backup's own; finish() puts it on the destination.
        sqlite3_backup_finish(backup.handle);
        backup.handle = nullptr;
        fail(copy.get());
      }
      busy = 0;
      if (progress) {
        const int total = sqlite3_backup_pagecount(backup.handle);
        progress(total - sqlite3_backup_remaining(backup.handle), total);
      }
      if (rc == SQLITE_DONE) break;
    }
    const int rc = sqlite3_backup_finish(backup.handle);
    backup.handle = nullptr;
    if (rc != SQLITE_OK) fail(copy.get());
  }
  if (sqlite3_close(copy.release()) != SQLITE_OK) throw DbError(cannotCopy);
  // The copy is what a spare machine goes on with: on disk before anybody relies on it.
  const UniqueFd fd(::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid() || ::fsync(fd.get()) != 0) throw DbError(cannotCopy + Tr::tr("：无法写入磁盘"));
  done = true;
}

}  // namespace ld
