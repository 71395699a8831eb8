#pragma once
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

}  // namespace ld
