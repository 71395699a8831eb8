#include "data/plan_store.h"

#include "data/journal.h"
#include "data/query.h"
#include "data/transaction.h"

namespace ld {

namespace {

const char* const kQuantityStatements[5] = {
    nullptr,
    "select sl from  JXSZ  where jx=1 ",
    "select sl from  JXSZ  where jx=2 ",
    "select sl from  JXSZ  where jx=3 ",
    "select sl from  JXSZ  where jx=4 ",
};

// The levels in the order their prizes are drawn.
constexpr std::array<int, 4> kDrawingOrder{4, 3, 2, 1};

// End of each prize's block counted in winners, summed wide: quantities typed by the operator may be as large
// as an int holds. Calls `visit(prize, end)` in drawing order until it returns true.
template <typename Visit>
const Prize* walkBlocks(const PrizePlan& plan, Visit visit) {
  long long end = 0;
  for (const Prize& prize : plan.prizes) {
    end += prize.quantity;
    if (visit(end)) return &prize;
  }
  return nullptr;
}

}  // namespace

bool PrizePlan::applies() const {
  if (!limited || prizes.empty()) return false;
  for (const Prize& prize : prizes)
    if (prize.quantity <= 0) return false;
  return true;
}

const Prize* PrizePlan::prize(int level) const {
  for (const Prize& prize : prizes)
    if (prize.level == level) return &prize;
  return nullptr;
}

const Prize* PrizePlan::prizeForNextWinner(int winners) const {
  if (!applies()) return nullptr;
  return walkBlocks(*this, [winners](long long end) { return winners < end; });
}

const Prize* PrizePlan::prizeOnBoard(int winners) const {
  if (!applies() || winners < 0) return nullptr;
  return walkBlocks(*this, [winners](long long end) { return winners <= end; });
}

bool PrizePlan::completesPrize(int winners) const {
  return walkBlocks(*this, [winners](long long end) { return winners == end; }) != nullptr;
}

PrizePlan PlanStore::forDraw() { return read(QStringLiteral("select sz from SY where symc='jx' and sz=1 ")); }

PrizePlan PlanStore::forBoard() {
  return read(QStringLiteral("select sz from SY where symc='JX'  and sz=1 "));
}

PrizePlan PlanStore::read(const QString& switchStatement) {
  PrizePlan plan;
  q_.openSql(switchStatement);
  plan.limited = q_.recordCount() > 0;
  std::array<int, 5> quantity{};
  // The quantities in level order, as they always were read.
  for (int level = 1; plan.limited && level <= 4; ++level) {
    q_.openSql(QString::fromLatin1(kQuantityStatements[level]));
    if (q_.recordCount() > 0) {
      q_.first();
      quantity[size_t(level)] = q_.fieldByName(QStringLiteral("sl")).asInteger();
    }
  }
  int order = 0;
  for (int level : kDrawingOrder)
    plan.prizes.push_back({level, prizeName(level), quantity[size_t(level)], ++order, 1, {}});
  return plan;
}

StoredPrizePlan PlanStore::stored() {
  StoredPrizePlan plan;
  q_.openSql(QStringLiteral("select top 1 sz from sy where symc='jx'"));
  plan.limited = q_.fieldByName(QStringLiteral("sz")).asInteger() != 0;
  if (!plan.limited) return plan;
  for (int level = 1; level <= 4; ++level) {
    q_.openSql(QStringLiteral("select top 1 sl from JXSZ where jx=") + QString::number(level));
    if (q_.recordCount() > 0)
      plan.quantities[size_t(level - 1)] = q_.fieldByName(QStringLiteral("sl")).asString();
  }
  return plan;
}

void PlanStore::save(bool limited, const std::array<std::optional<int>, 4>& quantities) {
  // The whole plan or none of it: a half-saved plan would hand out prizes nobody planned.
  Transaction transaction(q_.connection());
  q_.execSql(limited ? QStringLiteral("update SY set sz=1 where symc='JX'")
                     : QStringLiteral("update SY set sz=0 where symc='JX'"));
  for (int level = 1; limited && level <= 4; ++level) {
    const std::optional<int>& quantity = quantities[size_t(level - 1)];
    if (!quantity) continue;
    q_.execSql(QStringLiteral("update JXSZ set sl=? where jx=") + QString::number(level), {*quantity});
  }
  appendJournal(q_, {JournalEvent::PlanChanged, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

}  // namespace ld
