#include "data/query.h"

#include <sqlcipher/sqlite3.h>

#include <QRegularExpression>
#include <limits>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/dialect.h"

namespace ld {

namespace {

// A prepared statement that is always finalised.
class Statement {
 public:
  Statement(sqlite3* db, const QString& text) : db_(db) {
    const QByteArray utf8 = translateStatement(text).toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), utf8.size(), &stmt_, &tail) != SQLITE_OK) raise();
    // One statement per call: anything after it would run unseen.
    if (tail && !QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";") {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
      throw DbError(QStringLiteral("一次只能执行一条语句"));
    }
    if (!stmt_) throw DbError(QStringLiteral("语句为空"));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    raise();
  }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  [[noreturn]] void raise() {
    const QString engine = QString::fromUtf8(sqlite3_errmsg(db_));
    // The engine's words for a file it may not write ("unable to open database file" when the folder is
    // write-protected) would send the operator looking for a missing file.
    if (stmt_ && !sqlite3_stmt_readonly(stmt_) && cannotWrite(sqlite3_errcode(db_)))
      throw DbError(QStringLiteral("活动数据库 %1 无法写入，这次更改没有保存：%2")
                        .arg(QString::fromUtf8(sqlite3_db_filename(db_, "main")), engine));
    throw DbError(engine);
  }
  static bool cannotWrite(int code) {
    return code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM ||
           code == SQLITE_IOERR || code == SQLITE_FULL;
  }
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

QVariant columnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
      return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
      return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                        sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB:
      return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                                 sqlite3_column_bytes(stmt, i)));
    default:
      return QVariant();
  }
}

}  // namespace

QString Field::asString() const {
  if (value_.isNull()) throw DbError(QStringLiteral("无效的空值 (Null)"));
  if (value_.typeId() == QMetaType::Double) {
    const double d = value_.toDouble();
    return QString::number(d, 'g', 15);
  }
  return value_.toString();
}

int Field::asInteger() const {
  if (value_.isNull()) throw DbError(QStringLiteral("无效的空值 (Null)"));
  bool ok = false;
  qlonglong v = 0;
  switch (value_.typeId()) {
    case QMetaType::LongLong:
      v = value_.toLongLong(&ok);
      break;
    case QMetaType::Double: {
      const double d = value_.toDouble();
      ok = d == static_cast<double>(static_cast<qlonglong>(d));
      v = static_cast<qlonglong>(d);
      break;
    }
    default:
      v = value_.toString().trimmed().toLongLong(&ok);
  }
  if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    throw DbError(QStringLiteral("'%1' 不是有效的整数值").arg(value_.toString()));
  return static_cast<int>(v);
}

void Query::close() {
  active_ = false;
  columns_.clear();
  rows_.clear();
  row_ = 0;
}

void Query::ensureConnected() { connection_.setConnected(true); }

void Query::openSql(const QString& statement) {
  close();
  sql_.clear();
  sql_ << statement;
  ensureConnected();
  open();
}

void Query::execSql(const QString& statement) {
  close();
  sql_.clear();
  sql_ << statement;
  ensureConnected();
  execute();
}

void Query::open() {
  close();
  ensureConnected();
  Statement st(connection_.handle(), sql_.join(QLatin1Char('\n')));
  const int n = sqlite3_column_count(st.get());
  QStringList columns;
  for (int i = 0; i < n; ++i) columns << QString::fromUtf8(sqlite3_column_name(st.get(), i));
  std::vector<std::vector<QVariant>> rows;
  while (st.step()) {
    std::vector<QVariant> row;
    row.reserve(n);
    for (int i = 0; i < n; ++i) row.push_back(columnValue(st.get(), i));
    rows.push_back(std::move(row));
  }
  columns_ = std::move(columns);
  rows_ = std::move(rows);
  row_ = 0;
  active_ = true;
}

void Query::execute() {
  close();
  ensureConnected();
  Statement st(connection_.handle(), sql_.join(QLatin1Char('\n')));
  while (st.step()) {
  }
  rowsAffected_ = sqlite3_changes(connection_.handle());
}

Field Query::fieldByName(const QString& name) const {
  if (!active_ || rows_.empty()) throw DbError(QStringLiteral("没有当前记录"));
  for (int i = 0; i < columns_.size(); ++i)
    if (columns_[i].compare(name, Qt::CaseInsensitive) == 0) return Field(rows_[row_][i]);
  throw DbError(QStringLiteral("找不到字段 '%1'").arg(name));
}

QString sqlEscape(const QString& value) {
  QString v = value;
  v.replace(QLatin1Char('\''), QStringLiteral("''"));
  return v;
}

bool isWholeNumber(const QString& s) {
  static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
  if (!digits.match(s).hasMatch()) return false;
  bool ok = false;
  s.toInt(&ok);
  return ok;
}

}  // namespace ld
