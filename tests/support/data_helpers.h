#pragma once
// Connections of the data tests' own, beside the data module's.
#include <QString>

#include "data/connection.h"
#include "data/datamodule.h"

namespace ld::test {

// Connects c to the event database of the application folder `folder`, as the program does.
inline void openOn(Connection& c, const QString& folder) {
  c.setConnectionString(TDataModule1::connectionStringFor(folder));
  c.setConnected(true);
}

}  // namespace ld::test
