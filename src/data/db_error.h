#pragma once
#include <utility>

#include "framework/errors.h"

namespace ld {

// Every failure of the event database: connection, statement, reading a value.
class DbError : public Error {
 public:
  using Error::Error;
  // The engine's extended result code when the engine refused (0 for our own checks), so that a caller can
  // tell a locked file from a full disk without reading the message.
  DbError(const QString& message, int engineCode) : Error(message), engineCode_(engineCode) {}
  int engineCode() const { return engineCode_; }

 private:
  int engineCode_ = 0;
};

// A file that holds a trigger, view, table or index this program never makes, or one of ours rewritten.
class ForeignSchemaError : public DbError {
 public:
  ForeignSchemaError(const QString& message, QString object) : DbError(message), object_(std::move(object)) {}
  // The object, as "多余的触发器 rig".
  const QString& object() const { return object_; }

 private:
  QString object_;
};

}  // namespace ld
