#include "data/pack_store.h"

#include "data/query.h"

namespace ld {

QStringList PackStore::photoPaths() {
  q_.openSql(QStringLiteral("select zp from yglb order by id"));
  QStringList paths;
  paths.reserve(q_.recordCount());
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    paths << q_.fieldByName(QStringLiteral("zp")).asString();
  q_.close();
  return paths;
}

}  // namespace ld
