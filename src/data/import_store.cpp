#include "data/import_store.h"

#include "data/query.h"

namespace ld {

std::vector<RosterEntry> ImportStore::roster() {
  q_.openSql(QStringLiteral("select xm, bm, zp from yglb"));
  return RosterStore::entries(q_);
}

}  // namespace ld
