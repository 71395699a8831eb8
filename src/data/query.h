#pragma once
// A shared query (ADOQuerymain, ADOQuerysetting): one statement at a time, its result a fully
// fetched snapshot walked with first/next.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace ld {

class Connection;

class Field {
 public:
  explicit Field(const QVariant& v) : value_(v) {}
  QString asString() const;  // NULL is an error; numbers become their decimal digits
  int asInteger() const;     // 32-bit; text that is not a whole number is an error
  double asFloat() const;    // full precision; text that is not a number is an error
  bool isNull() const { return value_.isNull(); }

 private:
  QVariant value_;
};

class Query {
 public:
  explicit Query(Connection& connection) : connection_(connection) {}

  // The statement idiom: close, clear the text, add the statement, connect, then open / execute.
  void openSql(const QString& statement);
  void execSql(const QString& statement);
  // The same with values bound to the statement's ? placeholders, in order: text that never becomes
  // part of the statement, so no quoting is needed. An invalid QVariant binds NULL.
  void openSql(const QString& statement, const QVariantList& values);
  void execSql(const QString& statement, const QVariantList& values);

  // The lower-level steps, for callers that follow the idiom by hand.
  void close();
  QStringList& sql() { return sql_; }
  void open();     // runs the SQL text and fetches every row
  void execute();  // runs the SQL text, no result set

  bool active() const { return active_; }
  int recordCount() const { return static_cast<int>(rows_.size()); }
  void first() { row_ = 0; }
  void next() {
    if (row_ + 1 < recordCount()) ++row_;
  }
  int recNo() const { return row_; }
  // A column of the current row by name (letter case ignored, "as" aliases included).
  Field fieldByName(const QString& name) const;
  int rowsAffected() const { return rowsAffected_; }
  const QStringList& columnNames() const { return columns_; }
  Connection& connection() const { return connection_; }

 private:
  void ensureConnected();
  void setStatement(const QString& statement);
  void openWith(const QVariantList& values);
  void executeWith(const QVariantList& values);
  Connection& connection_;
  QStringList sql_;
  QStringList columns_;
  std::vector<std::vector<QVariant>> rows_;
  int row_ = 0;
  bool active_ = false;
  int rowsAffected_ = 0;
};

// Operator text for the inside of a quoted statement value: single quotes doubled, so the stored
// value is exactly what was typed.
QString sqlEscape(const QString& value);
// true when s (already trimmed) is a whole number that fits in 32 bits: what may go bare into a statement.
bool isWholeNumber(const QString& s);

// The ids a statement of the form "select group_concat(id) as ids from …" gives, sorted: one text for all of
// them rather than a row each, which for a large roster would make a value of every row. Empty for no rows.
// Throws DbError when the statement fails or gives anything but whole numbers.
std::vector<int> idList(Query& query, const QString& statement, const QVariantList& values = {});

}  // namespace ld
