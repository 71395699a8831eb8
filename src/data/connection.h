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

  void setConnectionString(const QString& s) { connectionString_ = s; }
  const QString& connectionString() const { return connectionString_; }

  bool connected() const { return db_ != nullptr; }
  // true opens (a no-op when open; a failed or closed connection is tried again), false closes.
  // Throws DbError with the engine's message when the file is missing, unreadable or wrongly keyed.
  void setConnected(bool on);

  sqlite3* handle() const { return db_.get(); }

  // Whether a change could be saved: tried with a write that is rolled back, so a write-protected file
  // or folder shows before the first result has to be recorded. Empty when it can; else the reason.
  QString writeProblem();

 private:
  QString connectionString_;
  DatabaseHandle db_;
};

// The value of one key of a connection string ("Data Source", "Jet OLEDB:Database Password"),
// keys compared without regard to case; empty when absent.
QString connectionStringValue(const QString& connectionString, const QString& key);

}  // namespace ld
