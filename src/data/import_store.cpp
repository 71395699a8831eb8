#include "data/import_store.h"

#include "data/query.h"

namespace ld {

std::vector<RosterEntry> ImportStore::roster() {
  q_.openSql(QStringLiteral("select %1 from yglb").arg(RosterStore::entryColumns(q_)));
  return RosterStore::entries(q_);
}

}  // namespace ld
