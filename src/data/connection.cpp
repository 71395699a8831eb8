#include "data/connection.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <sqlcipher/sqlite3.h>

#include <pthread.h>
#include <stdlib.h>

#include <QFile>
#include <QFileInfo>

#include "data/db_error.h"
#include "data/schema.h"
#include "framework/app_folder.h"
#include "framework/text.h"

namespace ld {

namespace {

// Random bits from the system's secure generator (arc4random: the kernel's, reseeded by it). One system call
// per row would cost a large roster's tick tens of milliseconds, so they are fetched a block at a time.
class SecureBits {
 public:
  quint64 next() {
    if (used_ == kBlock) {
      arc4random_buf(block_, sizeof block_);
      used_ = 0;
    }
    return block_[used_++];
  }
  // A forked child must not replay the parent's numbers.
  void discard() { used_ = kBlock; }

 private:
  static constexpr int kBlock = 512;
  quint64 block_[kBlock];
  int used_ = kBlock;
};

thread_local SecureBits secureBits;

// rnd(x): a fresh uniform number in [0,1) for every row, so "order by rnd([ID])" shuffles anew each time.
// 53 random bits: every double of the form k / 2^53 equally likely.
void rnd(sqlite3_context* ctx, int, sqlite3_value**) {
  static const bool forkHandled = [] {
    pthread_atfork(nullptr, nullptr, [] { secureBits.discard(); });
    return true;
  }();
  (void)forkHandled;
  sqlite3_result_double(ctx, double(secureBits.next() >> 11) * 0x1.0p-53);
}

[[noreturn]] void fail(const DatabaseHandle& db, const QString& what) {
  const QString engine = db ? engineMessage(db.get()) : QString();
  throw DbError(engine.isEmpty() ? what : what + Tr::tr("：") + engine);
}

// How many rows a statement gives; -1 when it fails.
int countRows(sqlite3* db, const char* statement) {
  int rows = 0;
  auto count = [](void* n, int, char**, char**) {
    ++*static_cast<int*>(n);
    return 0;
  };
  return sqlite3_exec(db, statement, count, &rows, nullptr) == SQLITE_OK ? rows : -1;
}

// Objects an older event file lacks are added on its first open, once, by `schema` (which only creates what
// is missing); `present` lists those it holds. Existing rows are never touched. A file that cannot be written
// is opened as it is (that problem is reported on its own).
void addMissing(sqlite3* db, const char* present, int expected, const char* schema) {
  const int found = countRows(db, present);
  if (found < 0 || found == expected) return;
  const QByteArray script = QByteArray("begin immediate;") + schema + "commit;";
  if (sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK &&
      !sqlite3_get_autocommit(db))
    sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
}

// The added columns an older file lacks, in one transaction (after the journal, which one of them extends).
void addMissingColumns(sqlite3* db) {
  QByteArray script;
  for (const AddedColumn& column : kAddedColumns) {
    const QByteArray table =
        QByteArray("select name from sqlite_master where type='table' and lower(name)='") + column.table +
        "'";
    if (countRows(db, table.constData()) == 1 && !hasColumn(db, column.table, column.name))
      script += addColumnStatement(column);
  }
  if (script.isEmpty()) return;
  script = "begin immediate;" + script + "commit;";
  if (sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK &&
      !sqlite3_get_autocommit(db))
    sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
}

}  // namespace

QString changeFailedMessage(sqlite3* db) {
  const int code = sqlite3_errcode(db);
  // The engine's words for a file it may not write ("unable to open database file" when the folder is
  // write-protected) would send the operator looking for a missing file.
  if (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM || code == SQLITE_IOERR ||
      code == SQLITE_FULL)
    return Tr::tr("活动数据库 %1 无法写入，这次更改没有保存：%2")
        .arg(QString::fromUtf8(sqlite3_db_filename(db, "main")), engineMessage(db));
  return engineMessage(db);
}

QString engineMessage(sqlite3* db) {
  const int code = sqlite3_errcode(db) & 0xff;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) return Tr::tr("活动数据库正被另一个程序使用，请稍后再试");
  return QString::fromUtf8(sqlite3_errmsg(db));
}

void Connection::setBusyTimeout(int ms) {
  busyTimeout_ = ms;
  if (db_) sqlite3_busy_timeout(db_.get(), ms);
}

QString connectionStringValue(const QString& connectionString, const QString& key) {
  const QString& s = connectionString;
  qsizetype i = 0;
  while (i < s.size()) {
    // The key runs to the first single '='; "==" stands for an '=' inside it.
    QString name;
    while (i < s.size() && s[i] != QLatin1Char(';')) {
      if (s[i] == QLatin1Char('=')) {
        if (i + 1 < s.size() && s[i + 1] == QLatin1Char('=')) {
          name += QLatin1Char('=');
          i += 2;
          continue;
        }
        break;
      }
      name += s[i++];
    }
    if (i >= s.size() || s[i] == QLatin1Char(';')) {  // a part without '=' names nothing
      ++i;
      continue;
    }
    ++i;  // the '='
    while (i < s.size() && s[i].isSpace() && s[i] != QLatin1Char(';')) ++i;
    QString value;
    if (i < s.size() && (s[i] == QLatin1Char('"') || s[i] == QLatin1Char('\''))) {
      const QChar quote = s[i++];
      while (i < s.size()) {
        if (s[i] == quote) {
          if (i + 1 < s.size() && s[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += s[i++];
      }
      while (i < s.size() && s[i] != QLatin1Char(';')) ++i;
    } else {
      const qsizetype end = s.indexOf(QLatin1Char(';'), i);
      value = s.mid(i, end < 0 ? -1 : end - i).trimmed();
      i = end < 0 ? s.size() : end;
    }
    ++i;  // the ';'
    if (name.trimmed().compare(key, Qt::CaseInsensitive) == 0) return value;
  }
  return {};
}

QString connectionStringQuoted(const QString& value) {
  const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
                     !value.contains(QLatin1Char('\'')) && value.trimmed() == value;
  if (plain) return value;
  if (!value.contains(QLatin1Char('"'))) return QLatin1Char('"') + value + QLatin1Char('"');
  if (!value.contains(QLatin1Char('\''))) return QLatin1Char('\'') + value + QLatin1Char('\'');
  QString doubled = value;
  doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString Connection::databaseFile() const {
  if (!databaseFile_.isEmpty()) return databaseFile_;
  return nativePath(connectionStringValue(connectionString_, QStringLiteral("Data Source")));
}

void DatabaseCloser::operator()(sqlite3* db) const noexcept {
  // _v2: a statement still alive somewhere defers the close instead of leaving the handle open for good.
  sqlite3_close_v2(db);
}

void Connection::setConnected(bool on) {
  if (!on) {
    db_.reset();
    return;
  }
  if (db_) return;

  const QString path = databaseFile();
  const QByteArray password =
      connectionStringValue(connectionString_, QStringLiteral("Jet OLEDB:Database Password")).toUtf8();
  const QString cannotOpen = Tr::tr("无法打开活动数据库 %1").arg(path);
  // The program never makes a database: a missing file is an error, not an empty new event.
  if (path.isEmpty() || !QFileInfo(path).isFile()) throw DbError(cannotOpen + Tr::tr("：文件不存在"));

  sqlite3* opened = nullptr;
  const int rc = sqlite3_open_v2(path.toUtf8().constData(), &opened,
                                 readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
  DatabaseHandle db(opened);
  if (rc != SQLITE_OK) fail(db, cannotOpen);
  sqlite3_busy_timeout(db.get(), busyTimeout_);
  if (sqlite3_key(db.get(), password.constData(), password.size()) != SQLITE_OK) fail(db, cannotOpen);
  // A wrong password or a file that is not ours shows here, before anything could write to it: the engine
  // reads the first page only now, and a file without the roster is not an event.
  const QString notOurs = cannotOpen + Tr::tr("：文件不是活动数据库");
  const int tables =
      countRows(db.get(), "select name from sqlite_master where type='table' and lower(name)='yglb'");
  if (tables < 0) {
    if (sqlite3_errcode(db.get()) == SQLITE_NOTADB) throw DbError(notOurs);
    fail(db, cannotOpen);
  }
  if (tables == 0) throw DbError(notOurs);
  // Before anything runs on it: a trigger, view or changed table that this program never makes could
  // change what a draw records, so such a file is not opened at all.
  QString unknown;
  try {
    unknown = schemaProblem(db.get());
  } catch (const DbError&) {
    fail(db, cannotOpen);
  }
  if (!unknown.isEmpty())
    throw ForeignSchemaError(
        cannotOpen + Tr::tr("：其中有本程序不会建立的结构（%1），为防被人改动过，不予打开").arg(unknown),
        unknown);
  // A recorded winner must survive a crash or a power cut.
  if (sqlite3_exec(db.get(), "pragma synchronous=FULL", nullptr, nullptr, nullptr) != SQLITE_OK)
    fail(db, cannotOpen);
  // Pages are decrypted on every read; a large cache keeps a big roster's tick from decrypting it all again.
  if (sqlite3_exec(db.get(), "pragma cache_size=-65536", nullptr, nullptr, nullptr) != SQLITE_OK)
    fail(db, cannotOpen);
  if (!readOnly_) {
    addMissing(db.get(), kJournalObjectsQuery, 4, kJournalSchema);
    addMissingColumns(db.get());
    addMissing(db.get(), kIndexQuery, kIndexCount, kIndexSchema);
    addMissing(db.get(), kThemeQuery, 1, kThemeSchema);
  }
  if (sqlite3_create_function(db.get(), "rnd", 1, SQLITE_UTF8, nullptr, &rnd, nullptr, nullptr) != SQLITE_OK)
    fail(db, cannotOpen);
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
  db_ = std::move(db);
}

bool Connection::fileMovedOrReplaced() const {
  if (!db_) return false;
  struct stat info {};
  if (::stat(QFile::encodeName(databaseFile()).constData(), &info) != 0) return true;
  return info.st_dev != device_ || info.st_ino != inode_;
}

SaveFailure saveFailure(const Connection& connection, int engineCode) {
  // A file no longer at its path explains any failure, and only a new start helps.
  if (connection.fileMovedOrReplaced()) return SaveFailure::MovedOrReplaced;
  const int primary = engineCode & 0xff;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return SaveFailure::Busy;
  if (primary == SQLITE_FULL) return SaveFailure::DiskFull;
  if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN && primary != SQLITE_PERM &&
      primary != SQLITE_IOERR && primary != SQLITE_AUTH)
    return SaveFailure::Other;
  const QString file = connection.databaseFile();
  const QByteArray path = QFile::encodeName(file);
  const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
  struct statvfs volume {};
  if (::statvfs(folder.constData(), &volume) == 0 && (volume.f_flag & ST_RDONLY))
    return SaveFailure::ReadOnlyMount;
  // access() also sees what root cannot override: an immutable file or folder.
  if (::access(path.constData(), W_OK) != 0)
    return errno == EROFS ? SaveFailure::ReadOnlyMount : SaveFailure::ReadOnlyFile;
  if (::access(folder.constData(), W_OK | X_OK) != 0)
    return errno == EROFS ? SaveFailure::ReadOnlyMount : SaveFailure::ReadOnlyFolder;
  return SaveFailure::Other;
}

QString Connection::writeProblem() {
  if (!db_) return Tr::tr("没有连接");
  // The journal beside the file is made at the first changed page; the rollback leaves the file as it was.
  const int rc = sqlite3_exec(db_.get(), "begin immediate; create table ld_write_probe (x integer)", nullptr,
                              nullptr, nullptr);
  const QString engine = rc == SQLITE_OK ? QString() : engineMessage(db_.get());
  if (!sqlite3_get_autocommit(db_.get())) sqlite3_exec(db_.get(), "rollback", nullptr, nullptr, nullptr);
  return engine;
}

}  // namespace ld
