#pragma once
#include "framework/errors.h"

namespace ld {

// Every failure of the event database: connection, statement, reading a value.
class DbError : public Error {
 public:
  using Error::Error;
};

}  // namespace ld
