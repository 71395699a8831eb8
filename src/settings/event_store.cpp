#include "settings/event_store.h"

#include "data/journal.h"
#include "data/query.h"
#include "data/transaction.h"

namespace ld {

namespace {

std::optional<QString> firstText(Query& q, const QString& statement, const char* column) {
  q.openSql(statement);
  if (q.recordCount() < 1) return std::nullopt;
  return q.fieldByName(QLatin1String(column)).asString();
}

}  // namespace

StoredPrizePlan EventStore::prizePlan() {
  StoredPrizePlan plan;
  q_.openSql(QStringLiteral("select top 1 sz from sy where symc='jx'"));
  plan.limited = q_.fieldByName(QStringLiteral("sz")).asInteger() != 0;
  if (!plan.limited) return plan;
  for (int level = 1; level <= 4; ++level)
    plan.quantities[level - 1] =
        firstText(q_, QStringLiteral("select top 1 sl from JXSZ where jx=") + QString::number(level), "sl");
  return plan;
}

void EventStore::savePrizePlan(bool limited, const std::array<std::optional<int>, 4>& quantities) {
  // The whole plan or none of it: a half-saved plan would hand out prizes nobody planned.
  Transaction transaction(q_.connection());
  q_.execSql(limited ? QStringLiteral("update SY set sz=1 where symc='JX'")
                     : QStringLiteral("update SY set sz=0 where symc='JX'"));
  for (int level = 1; limited && level <= 4; ++level) {
    const std::optional<int>& quantity = quantities[level - 1];
    if (!quantity) continue;
    q_.execSql(QStringLiteral("update JXSZ set sl=") + QString::number(*quantity) +
               QStringLiteral(" where jx=") + QString::number(level));
  }
  appendJournal(q_, {JournalEvent::PlanChanged, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

}  // namespace ld
