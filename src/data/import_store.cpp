#include "data/import_store.h"

#include "data/query.h"

namespace ld {

std::vector<RosterEntry> ImportStore::roster() {
  q_.openSql(QStringLiteral("select %1 from yglb").arg(RosterStore::entryColumns(q_)));
  return RosterStore::entries(q_);
}

std::vector<RosterMember> ImportStore::members() {
  q_.openSql(
      QStringLiteral("select id, coalesce(zj, 0) as zj, coalesce(zjsx, 0) as zjsx, %1 from yglb order by id")
          .arg(RosterStore::entryColumns(q_)));
  std::vector<RosterMember> out;
  out.reserve(size_t(q_.recordCount()));
  const auto field = [&](const char* name) { return q_.fieldByName(QLatin1String(name)); };
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    out.push_back({field("id").asInteger(),
                   {field("bm").asString(), field("xm").asString(), field("zp").asString(),
                    field("gh").asString(), field("bq").asString()},
                   field("zj").asInteger(),
                   field("zjsx").asInteger()});
  q_.close();
  return out;
}

bool ImportStore::update(int id, const QString& name, const QString& department, const QString& photoPath,
                         const QString& employeeId, const QString& tags) {
  q_.execSql(QStringLiteral("update yglb set xm=?, bm=?, zp=?, gh=?, bq=? where id=?"),
             {name, department, photoPath, employeeId, tags, id});
  return q_.rowsAffected() == 1;
}

bool ImportStore::removeUndrawn(int id) {
  q_.execSql(QStringLiteral("delete from yglb where id=? and zj=0"), {id});
  return q_.rowsAffected() == 1;
}

}  // namespace ld
