#include "data/plan_store.h"

#include <algorithm>

#include "data/journal.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// Where a prize stands in the drawing order when no place was stored: the four levels from the lucky prize
// up, extra prizes after them in the order they were added.
int usualPlace(int level) { return level >= 1 && level <= 4 ? (5 - level) * 10 : 1000 + level; }

// The columns a later version added read blank in an older file opened read-only.
QString planColumns(Query& q) {
  QStringList columns{QStringLiteral("jx"), QStringLiteral("sl")};
  for (const char* added : {"mc", "mcrs", "sx", "gz"}) columns << addedColumnOrBlank(q, "jxsz", added);
  return columns.join(QStringLiteral(", "));
}

void journalPlanChange(Query& q) { appendJournal(q, {JournalEvent::PlanChanged, {}, {}, {}, {}, {}, {}}); }

}  // namespace

QString Prize::shownName() const { return extra() ? name : shownPrizeName(level); }

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

std::vector<int> PrizePlan::left(const QHash<int, int>& winnersByLevel) const {
  std::vector<int> out;
  if (!applies()) return std::vector<int>(prizes.size(), 0);
  // Summed wide: quantities typed by the operator may be as large as an int holds.
  long long spare = 0;
  for (auto it = winnersByLevel.cbegin(); it != winnersByLevel.cend(); ++it) {
    const Prize* own = prize(it.key());
    spare += own ? std::max(0, it.value() - own->quantity) : std::max(0, it.value());
  }
  for (const Prize& p : prizes) {
    long long need = std::max(0, p.quantity - winnersByLevel.value(p.level));
    const long long taken = std::min(need, spare);
    spare -= taken;
    need -= taken;
    out.push_back(int(need));
  }
  return out;
}

int PrizePlan::leftOf(int level, const QHash<int, int>& winnersByLevel) const {
  const std::vector<int> all = left(winnersByLevel);
  for (size_t i = 0; i < prizes.size(); ++i)
    if (prizes[i].level == level) return all[i];
  return 0;
}

const Prize* PrizePlan::nextPrize(const QHash<int, int>& winnersByLevel) const {
  const std::vector<int> all = left(winnersByLevel);
  for (size_t i = 0; i < prizes.size(); ++i)
    if (all[i] > 0) return &prizes[i];
  return nullptr;
}

const Prize* PrizePlan::prizeOnBoard(int winners) const {
  if (!applies() || winners < 0) return nullptr;
  long long end = 0;
  for (const Prize& p : prizes) {
    end += p.quantity;
    if (winners <= end) return &p;
  }
  return nullptr;
}

bool PrizePlan::completesBlock(int winners) const {
  long long end = 0;
  for (const Prize& p : prizes) {
    end += p.quantity;
    if (winners == end) return true;
  }
  return false;
}

PrizePlan PlanStore::forDraw() { return read(QStringLiteral("select sz from SY where symc='jx' and sz=1 ")); }

PrizePlan PlanStore::forBoard() {
  return read(QStringLiteral("select sz from SY where symc='JX'  and sz=1 "));
}

PrizePlan PlanStore::read(const QString& switchStatement) {
  PrizePlan plan;
  q_.openSql(switchStatement);
  plan.limited = q_.recordCount() > 0;

  // The four levels are always in the plan: a missing row is a quantity of 0.
  std::vector<std::pair<int, Prize>> placed;
  for (int level = 1; level <= 4; ++level) placed.push_back({usualPlace(level), {level, prizeName(level)}});
  q_.openSql(QStringLiteral("select %1 from jxsz order by jx").arg(planColumns(q_)));
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next()) {
    const auto f = [&](const char* name) { return q_.fieldByName(QString::fromLatin1(name)); };
    const int level = f("jx").asInteger();
    const bool known = level >= 1 && level <= 4;
    if (!known && level < kFirstExtraLevel) continue;
    auto found =
        std::find_if(placed.begin(), placed.end(), [&](const auto& p) { return p.second.level == level; });
    if (found == placed.end()) {
      placed.push_back({usualPlace(level), {level, f("mc").asString()}});
      found = placed.end() - 1;
    }
    Prize& prize = found->second;
    // Quantities are read only for a limited plan, as they always were.
    if (plan.limited) prize.quantity = f("sl").asInteger();
    prize.perDraw = std::max(1, f("mcrs").asString().toInt());
    if (const int place = f("sx").asString().toInt(); place > 0) found->first = place;
    // A rule that cannot be read keeps everybody out rather than letting everybody in.
    try {
      prize.rule = PrizeRule::fromJson(f("gz").asString().toUtf8());
    } catch (const Error& e) {
      qWarning("prize %d: %s", level, qUtf8Printable(e.message()));
      prize.rule = PrizeRule{};
      prize.rule.unreadable = true;
    }
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  int order = 0;
  for (auto& [place, prize] : placed) {
    prize.drawOrder = ++order;
    plan.prizes.push_back(std::move(prize));
  }
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
  journalPlanChange(q_);
  transaction.commit();
}

namespace {

void checkPrize(const Prize& prize, const PrizePlan& plan) {
  if (prize.quantity < 1 && prize.extra()) throw Error(Tr::tr("奖项数量至少为 1"));
  if (prize.quantity < 0) throw Error(Tr::tr("奖项数量不能小于 0"));
  if (prize.perDraw < 1) throw Error(Tr::tr("每次抽取人数至少为 1"));
  if (prize.rule.unreadable) throw Error(Tr::tr("这个奖项的规则无法读取，请重新设置规则后再保存"));
  if (!prize.extra()) return;
  const QString name = prize.name.trimmed();
  if (name.isEmpty()) throw Error(Tr::tr("请填写奖项名称"));
  // The names the draw itself writes stay unambiguous in every list and export.
  const QStringList reserved{QStringLiteral("计划外"), QStringLiteral("缺席"), QStringLiteral("作废")};
  if (reserved.contains(name)) throw Error(Tr::tr("“%1”不能用作奖项名称").arg(name));
  for (const Prize& other : plan.prizes)
    if (other.level != prize.level && other.name.compare(name, Qt::CaseInsensitive) == 0)
      throw Error(Tr::tr("已经有名为“%1”的奖项").arg(name));
}

}  // namespace

void PlanStore::savePrize(const Prize& prize) {
  Transaction transaction(q_.connection());
  const PrizePlan plan = read(QStringLiteral("select sz from sy where symc='JX'"));
  if (!plan.prize(prize.level)) throw Error(Tr::tr("计划中没有这个奖项"));
  checkPrize(prize, plan);
  const QVariantList values{prize.quantity, prize.perDraw, QString::fromUtf8(prize.rule.toJson()),
                            prize.extra() ? prize.name.trimmed() : QString(), prize.level};
  q_.execSql(QStringLiteral("update jxsz set sl=?, mcrs=?, gz=?, mc=? where jx=?"), values);
  // One of the four levels whose row went missing gets it back.
  if (q_.rowsAffected() == 0)
    q_.execSql(QStringLiteral("insert into jxsz (sl, mcrs, gz, mc, jx) values (?, ?, ?, ?, ?)"), values);
  journalPlanChange(q_);
  transaction.commit();
}

int PlanStore::addPrize(const Prize& prize, std::optional<int> beforeLevel) {
  Transaction transaction(q_.connection());
  PrizePlan plan = read(QStringLiteral("select sz from sy where symc='JX'"));
  // Never a level an earlier prize had: its winners, absences and voided wins keep naming that prize.
  QString levels = QStringLiteral("select max(jx) as top from jxsz union all select max(zj) from yglb");
  if (hasJournal(q_)) levels += QStringLiteral(" union all select max(zj) from cjrz");
  q_.openSql(QStringLiteral("select coalesce(max(top), 0) as top from (%1)").arg(levels));
  q_.first();
  const int level = std::max(kFirstExtraLevel, q_.fieldByName(QStringLiteral("top")).asInteger() + 1);
  Prize added = prize;
  added.level = level;
  checkPrize(added, plan);
  auto at = plan.prizes.end();
  if (beforeLevel) {
    at = std::find_if(plan.prizes.begin(), plan.prizes.end(),
                      [&](const Prize& p) { return p.level == *beforeLevel; });
    if (at == plan.prizes.end()) throw Error(Tr::tr("计划中没有第 %1 级奖项").arg(*beforeLevel));
  }
  plan.prizes.insert(at, added);
  q_.execSql(
      QStringLiteral("insert into jxsz (jx, sl, mcrs, gz, mc) values (?, ?, ?, ?, ?)"),
      {level, added.quantity, added.perDraw, QString::fromUtf8(added.rule.toJson()), added.name.trimmed()});
  // Every prize's place written out, so the order no longer depends on the usual one.
  int place = 0;
  for (const Prize& p : plan.prizes) {
    place += 10;
    q_.execSql(QStringLiteral("update jxsz set sx=? where jx=?"), {place, p.level});
    if (q_.rowsAffected() == 0)
      q_.execSql(QStringLiteral("insert into jxsz (jx, sl, sx) values (?, 0, ?)"), {p.level, place});
  }
  journalPlanChange(q_);
  transaction.commit();
  return level;
}

void PlanStore::removePrize(int level) {
  if (level < kFirstExtraLevel) throw Error(Tr::tr("一等奖到幸运奖不能删除，只能修改数量"));
  Transaction transaction(q_.connection());
  // A prize somebody won, or whose win was marked absent or voided, stays: its replacement is owed, and
  // its rows name it.
  QString used = QStringLiteral("select count(*) as n from yglb where zj=?");
  QVariantList values{level};
  if (hasJournal(q_)) {
    used = QStringLiteral(
               "select (%1) + (select count(*) from cjrz where zj=? and lx in ('drawn','absent','voided') "
               "and xh > coalesce((select max(xh) from cjrz where lx in ('results cleared','roster "
               "cleared')), 0)) as n")
               .arg(QStringLiteral("select count(*) from yglb where zj=?"));
    values << level;
  }
  q_.openSql(used, values);
  q_.first();
  if (q_.fieldByName(QStringLiteral("n")).asInteger() > 0)
    throw Error(Tr::tr("这个奖项已经有人中奖，不能删除"));
  q_.execSql(QStringLiteral("delete from jxsz where jx=?"), {level});
  journalPlanChange(q_);
  transaction.commit();
}

}  // namespace ld
