#include "data/query.h"

#include <sqlcipher/sqlite3.h>

#include <QRegularExpression>
#include <algorithm>
#include <limits>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/dialect.h"
#include "framework/text.h"

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
      throw DbError(Tr::tr("一次只能执行一条语句"));
    }
    if (!stmt_) throw DbError(Tr::tr("语句为空"));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(const QVariantList& values) {
    const int wanted = sqlite3_bind_parameter_count(stmt_);
    if (wanted != values.size())
      throw DbError(Tr::tr("语句需要 %1 个值，给了 %2 个").arg(wanted).arg(values.size()));
    for (int i = 0; i < values.size(); ++i) bindOne(i + 1, values[i]);
  }
  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    raise();
  }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  void bindOne(int index, const QVariant& v) {
    int rc = SQLITE_OK;
    switch (v.typeId()) {
      case QMetaType::UnknownType:
      case QMetaType::Nullptr:
        rc = sqlite3_bind_null(stmt_, index);
        break;
      case QMetaType::Bool:
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::Long:
      case QMetaType::LongLong:
      case QMetaType::Short:
      case QMetaType::UShort:
        rc = sqlite3_bind_int64(stmt_, index, v.toLongLong());
        break;
      case QMetaType::ULong:
      case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
          throw DbError(Tr::tr("'%1' 超出整数范围").arg(u));
        rc = sqlite3_bind_int64(stmt_, index, qint64(u));
        break;
      }
      case QMetaType::Double:
      case QMetaType::Float:
        rc = sqlite3_bind_double(stmt_, index, v.toDouble());
        break;
      case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        rc = sqlite3_bind_blob64(stmt_, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                 SQLITE_TRANSIENT);
        break;
      }
      default: {
        if (!v.canConvert<QString>())
          throw DbError(Tr::tr("无法把 %1 类型的值写入数据库").arg(QString::fromLatin1(v.typeName())));
        const QByteArray utf8 = v.toString().toUtf8();
        rc = sqlite3_bind_text64(stmt_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
      }
    }
    if (rc != SQLITE_OK) raise();
  }

  [[noreturn]] void raise() {
    const int code = sqlite3_extended_errcode(db_);
    if (stmt_ && !sqlite3_stmt_readonly(stmt_)) throw DbError(changeFailedMessage(db_), code);
    throw DbError(engineMessage(db_), code);
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
      return QVariant(
          QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)), sqlite3_column_bytes(stmt, i)));
    default:
      return QVariant();
  }
}

}  // namespace

QString Field::asString() const {
  if (value_.isNull()) throw DbError(Tr::tr("无效的空值 (Null)"));
  if (value_.typeId() == QMetaType::Double) {
    const double d = value_.toDouble();
    return QString::number(d, 'g', 15);
  }
  return value_.toString();
}

int Field::asInteger() const {
  if (value_.isNull()) throw DbError(Tr::tr("无效的空值 (Null)"));
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
    throw DbError(Tr::tr("'%1' 不是有效的整数值").arg(value_.toString()));
  return static_cast<int>(v);
}

double Field::asFloat() const {
  if (value_.isNull()) throw DbError(Tr::tr("无效的空值 (Null)"));
  bool ok = false;
  const double d = value_.typeId() == QMetaType::QString ? value_.toString().trimmed().toDouble(&ok)
                                                         : value_.toDouble(&ok);
  if (!ok) throw DbError(Tr::tr("'%1' 不是有效的数值").arg(value_.toString()));
  return d;
}

void Query::close() {
  active_ = false;
  columns_.clear();
  rows_.clear();
  row_ = 0;
}

void Query::ensureConnected() { connection_.setConnected(true); }

void Query::setStatement(const QString& statement) {
  close();
  sql_.clear();
  sql_ << statement;
  ensureConnected();
}

void Query::openSql(const QString& statement) {
  setStatement(statement);
  open();
}

void Query::execSql(const QString& statement) {
  setStatement(statement);
  execute();
}

void Query::openSql(const QString& statement, const QVariantList& values) {
  setStatement(statement);
  openWith(values);
}

void Query::execSql(const QString& statement, const QVariantList& values) {
  setStatement(statement);
  executeWith(values);
}

void Query::open() { openWith({}); }

void Query::execute() { executeWith({}); }

void Query::openWith(const QVariantList& values) {
  close();
  ensureConnected();
  Statement st(connection_.handle(), sql_.join(QLatin1Char('\n')));
  st.bind(values);
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

void Query::executeWith(const QVariantList& values) {
  close();
  ensureConnected();
  Statement st(connection_.handle(), sql_.join(QLatin1Char('\n')));
  st.bind(values);
  while (st.step()) {
  }
  rowsAffected_ = sqlite3_changes(connection_.handle());
}

Field Query::fieldByName(const QString& name) const {
  if (!active_ || rows_.empty()) throw DbError(Tr::tr("没有当前记录"));
  for (int i = 0; i < columns_.size(); ++i)
    if (columns_[i].compare(name, Qt::CaseInsensitive) == 0) return Field(rows_[row_][i]);
  throw DbError(Tr::tr("找不到字段 '%1'").arg(name));
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

std::vector<int> idList(Query& query, const QString& statement, const QVariantList& values) {
  query.openSql(statement, values);
  std::vector<int> ids;
  query.first();
  if (query.recordCount() == 0 || query.fieldByName(QStringLiteral("ids")).isNull()) return ids;
  const QString all = query.fieldByName(QStringLiteral("ids")).asString();
  ids.reserve(size_t(all.size() / 4));
  for (qsizetype start = 0; start <= all.size();) {
    qsizetype end = all.indexOf(QLatin1Char(','), start);
    if (end < 0) end = all.size();
    bool ok = false;
    ids.push_back(QStringView(all).mid(start, end - start).toInt(&ok));
    if (!ok) throw DbError(QStringLiteral("'%1' 不是有效的整数值").arg(all.mid(start, end - start)));
    start = end + 1;
  }
  // The engine does not promise the order of the pieces.
  std::sort(ids.begin(), ids.end());
  return ids;
}

}  // namespace ld
