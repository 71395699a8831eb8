#include "data/transaction.h"

#include <sqlcipher/sqlite3.h>

#include "data/connection.h"
#include "data/db_error.h"
#include "framework/text.h"

namespace ld {

namespace {

void run(sqlite3* db, const char* statement) {
  if (!db) throw DbError(Tr::tr("没有连接"));
  if (sqlite3_exec(db, statement, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw DbError(changeFailedMessage(db), sqlite3_extended_errcode(db));
}

}  // namespace

Transaction::Transaction(Connection& connection) : connection_(connection) {
  connection_.setConnected(true);
  run(connection_.handle(), "begin immediate");
  active_ = true;
}

Transaction::~Transaction() {
  sqlite3* db = connection_.handle();
  // The engine may have ended it already (some errors roll back on their own), or the connection closed.
  if (active_ && db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
  if (!active_) throw DbError(Tr::tr("没有进行中的事务"));
  run(connection_.handle(), "commit");
  active_ = false;
}

}  // namespace ld
