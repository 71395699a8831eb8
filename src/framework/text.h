#pragma once
// Every text the operator sees goes through Qt's translation system, the Chinese text being the source:
// Tr::tr("…") outside the windows' own classes (context "ld"). Stored data (prize names in the database,
// exports) never goes through it.
#include <QCoreApplication>

namespace ld {

class Tr {
  Q_DECLARE_TR_FUNCTIONS(ld)
};

}  // namespace ld
