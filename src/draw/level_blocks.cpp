#include "draw/level_blocks.h"

#include "data/query.h"

namespace ld {

namespace {
const char* const kQuantityStatements[5] = {
    nullptr,
    "select sl from  JXSZ  where jx=1 ",
    "select sl from  JXSZ  where jx=2 ",
    "select sl from  JXSZ  where jx=3 ",
    "select sl from  JXSZ  where jx=4 ",
};
}  // namespace

long long PrizePlan::blockEnd(int level) const {
  // Summed wide: quantities typed by the operator may be as large as an int holds.
  long long end = 0;
  for (int k = 4; k >= level && k >= 1; --k) end += q[static_cast<size_t>(k)];
  return end;
}

PrizePlan readPrizePlan(Query& query, const QString& switchStatement) {
  PrizePlan plan;
  query.openSql(switchStatement);
  plan.limited = query.recordCount() > 0;
  if (!plan.limited) return plan;
  for (int k = 1; k <= 4; ++k) {
    query.openSql(QString::fromLatin1(kQuantityStatements[k]));
    if (query.recordCount() > 0) {
      query.first();
      plan.q[static_cast<size_t>(k)] = query.fieldByName(QStringLiteral("sl")).asInteger();
    }
  }
  return plan;
}

int levelForNextWinner(int winners, const PrizePlan& plan) {
  if (!plan.applies()) return kOutsidePlan;
  for (int level = 4; level >= 1; --level)
    if (winners < plan.blockEnd(level)) return level;
  return kOutsidePlan;
}

int boardLevel(int winners, const PrizePlan& plan) {
  if (!plan.applies() || winners < 0) return 0;
  for (int level = 4; level >= 1; --level)
    if (winners <= plan.blockEnd(level)) return level;
  return 0;
}

bool completesBlock(int winners, const PrizePlan& plan) {
  for (int level = 4; level >= 1; --level)
    if (winners == plan.blockEnd(level)) return true;
  return false;
}

}  // namespace ld
