#pragma once
// The database connection (ADOConnection): an encrypted SQLite file named by an ADO-style
// connection string. Opening never creates or rewrites the file.
#include <QString>
#include <memory>

struct sqlite3;

namespace ld {

// Closes an engine handle; every handle is owned through one of these, so no path can leak or
// double-close it.
struct DatabaseCloser {
  void operator()(sqlite3* db) const noexcept;
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void setConnectionString(const QString& s) {
    connectionString_ = s;
    databaseFile_.clear();
  }
  // The string for display, and the file it names as it is on disk: a folder may hold characters ('\\')
  // that the string's own path form cannot tell from a separator.
  void setConnectionString(const QString& s, const QString& databaseFile) {
    connectionString_ = s;
    databaseFile_ = databaseFile;
  }
  const QString& connectionString() const { return connectionString_; }
  // The file the connection opens: the one given beside the string, else the string's Data Source.
  QString databaseFile() const;

  bool connected() const { return db_ != nullptr; }
  // true opens (a no-op when open; a failed or closed connection is tried again), false closes.
  // Throws DbError with the engine's message when the file is missing, unreadable or wrongly keyed.
  void setConnected(bool on);

  sqlite3* handle() const { return db_.get(); }

  // How long a statement waits for another program's hold on the file before it fails with the
  // busy message: set per use (a tick waits little, a stop that records may wait longer). Applies
  // at once and to later opens; 5 s until set.
  void setBusyTimeout(int ms);
  int busyTimeout() const { return busyTimeout_; }
  // Opens the file for reading only, as it is: nothing of this program's is added to an older file.
  // For copying an event that is not this program's to change. Applies to later opens.
  void setReadOnly(bool on) { readOnly_ = on; }

  // Whether a change could be saved: tried with a write that is rolled back, so a write-protected file
  // or folder shows before the first result has to be recorded. Empty when it can; else the reason.
  QString writeProblem();

  // The open connection's file is no longer at its path (moved, deleted or replaced by another file):
  // nothing written through this connection reaches the event's file any more, so only a new start helps.
  bool fileMovedOrReplaced() const;

 private:
  QString connectionString_;
  QString databaseFile_;
  int busyTimeout_ = 5000;
  bool readOnly_ = false;
  DatabaseHandle db_;
  // The file's identity when it was opened.
  unsigned long long device_ = 0, inode_ = 0;
};

// Why a change through `connection` was not saved, from the engine's code for the failure
// (DbError::engineCode) and the state of the file and its folder now. The engine says "readonly" alike for a
// write-protected file and a read-only mount, and "unable to open" for a folder where the journal cannot be
// made, so those are told apart by asking the file system.
enum class SaveFailure {
  Other,
  Busy,
  DiskFull,
  ReadOnlyFile,
  ReadOnlyFolder,
  ReadOnlyMount,
  MovedOrReplaced
};
SaveFailure saveFailure(const Connection& connection, int engineCode);

// Sets a connection's busy timeout for as long as it lives, then puts the previous one back.
class ScopedBusyTimeout {
 public:
  ScopedBusyTimeout(Connection& connection, int ms)
      : connection_(connection), previous_(connection.busyTimeout()) {
    connection_.setBusyTimeout(ms);
  }
  ~ScopedBusyTimeout() { connection_.setBusyTimeout(previous_); }
  ScopedBusyTimeout(const ScopedBusyTimeout&) = delete;
  ScopedBusyTimeout& operator=(const ScopedBusyTimeout&) = delete;

 private:
  Connection& connection_;
  int previous_;
};

// The engine's last error on `db` in the operator's words: the busy message for a file held elsewhere,
// else the engine's own text.
QString engineMessage(sqlite3* db);
// The message for a change the engine refused: a file that cannot be written is named as such, with the
// words that nothing was saved; anything else is engineMessage.
QString changeFailedMessage(sqlite3* db);

// The value of one key of a connection string ("Data Source", "Jet OLEDB:Database Password"),
// keys compared without regard to case; empty when absent. Values may be quoted as in OLE DB strings:
// "…" or '…' around a value that holds ; or quotes or surrounding blanks, the quote itself doubled inside.
QString connectionStringValue(const QString& connectionString, const QString& key);
// A value written so that connectionStringValue gives it back exactly: as it is when that is safe.
QString connectionStringQuoted(const QString& value);

}  // namespace ld
