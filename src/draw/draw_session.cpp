#include "draw/draw_session.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

#include <QFileInfo>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/draw_store.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "data/seal_store.h"
#include "data/transaction.h"
#include "draw/picture_loading.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "proof/sealing.h"

namespace ld {

DrawSession::DrawSession(Query& query, QObject* parent) : QObject(parent), store_(query) {
  prepareLargePhotos();
}

void DrawSession::beginRoll() {
  poolRead_ = false;
  prepareLargePhotos();
  emit rolling(true);
}

void DrawSession::abandonRoll() {
  poolRead_ = false;
  emit rolling(false);
}

void DrawSession::readPool() {
  // The roll shows only people the coming prize's rule lets win it.
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  const Upcoming next = upcoming(plan, false);
  pool_ = store_.eligibleIds(next.prize ? next.prize->rule : PrizeRule{});
  poolRead_ = true;
}

QStringList DrawSession::rollingPhotos() {
  // A tick is one frame of an animation: it never waits long for a file another program holds.
  ScopedBusyTimeout briefly(store_.connection(), 100);
  if (!poolRead_) readPool();
  QStringList photos;
  // A sampled participant no longer eligible means the roster changed during the roll: read the pool
  // again once and sample anew from it.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const size_t k = std::min<size_t>(8, pool_.size());
    shuffleFront(pool_, k, uniform_);
    if (k == 0) return photos;

    const QHash<int, QString> current =
        store_.eligiblePhotos(std::vector<int>(pool_.begin(), pool_.begin() + std::ptrdiff_t(k)));
    photos.clear();
    for (size_t i = 0; i < k; ++i)
      if (const auto found = current.constFind(pool_[i]); found != current.cend()) photos << *found;
    if (photos.size() == static_cast<qsizetype>(k) || attempt == 1) break;
    readPool();
  }
  // Fewer than eight: the remaining tiles repeat the last photo.
  while (!photos.isEmpty() && photos.size() < 8) photos << photos.last();
  if (!photos.isEmpty()) emit rolled(photos);
  return photos;
}

namespace {

QString recordedWinner(const DrawResult& r) {
  return Tr::tr("%1 %2（第 %3 位，%4）")
      .arg(r.department, r.name)
      .arg(r.order)
      .arg(shownPrize(r.level, r.prize));
}

// What to do about a stop that was not saved, by its cause.
StopNotSaved notSaved(const Connection& connection, const Error& error, int engineCode) {
  const QString file = shown(connection.databaseFile());
  const QString folder = shown(QFileInfo(connection.databaseFile()).absolutePath());
  switch (saveFailure(connection, engineCode)) {
    case SaveFailure::MovedOrReplaced:
      return {error.message(), Tr::tr("活动数据库文件已被移动或替换，请重新启动程序后再抽奖。")};
    case SaveFailure::Busy:
      return {error.message(), Tr::tr("另一个程序（例如正在写入的 eventdb）锁定了活动数据库 %1。"
                                      "请等那个程序结束或将它关闭，然后再抽一次。")
                                   .arg(file)};
    case SaveFailure::DiskFull:
      return {Tr::tr("磁盘空间已满，活动数据库 %1 无法写入。").arg(file),
              Tr::tr("请在这个磁盘上腾出磁盘空间，然后再抽一次。")};
    case SaveFailure::ReadOnlyFile:
      return {Tr::tr("活动数据库文件 %1 是只读的，不能写入。").arg(file),
              Tr::tr("请取消这个文件的只读属性，然后再抽一次。")};
    case SaveFailure::ReadOnlyFolder:
      return {Tr::tr("活动数据库所在的文件夹 %1 不允许写入，保存时无法在其中建立日志文件。").arg(folder),
              Tr::tr("请允许写入这个文件夹，然后再抽一次。")};
    case SaveFailure::ReadOnlyMount:
      return {Tr::tr("活动数据库所在的磁盘是只读挂载的（%1），不能写入。").arg(folder),
              Tr::tr("请把活动文件夹复制到可以写入的磁盘上，在那里重新启动程序后再抽奖。")};
    case SaveFailure::Other:
      break;
  }
  return {error.message(), Tr::tr("请再抽一次；如果仍然失败，请重新启动程序。")};
}

}  // namespace

QList<DrawResult> DrawSession::stop() {
  // Whatever the stop records, the next roll reads the pool again.
  poolRead_ = false;
  emit rolling(false);
  QList<DrawResult> results;
  try {
    results = record();
  } catch (const StopNotSaved&) {
    throw;
  } catch (const DbError& e) {
    throw notSaved(store_.connection(), e, e.engineCode());
  } catch (const Error& e) {
    throw notSaved(store_.connection(), e, 0);
  }
  // A stop that found nobody leaves the latest winners as they were: they can still be marked absent.
  if (results.front().drawn) {
    latestStop_.clear();
    for (const DrawResult& r : results) latestStop_.push_back(r.order);
    latestLevel_ = results.front().level;
  }

  // Saved: what a listener fails at is its own error, never an unsaved stop.
  guarded([&] {
    emit drawn(results.front().drawn ? results : QList<DrawResult>{});
    if (results.front().completesLevel) emit levelCompleted(results.front().level);
  });
  return results;
}

DrawSession::Upcoming DrawSession::upcoming(const PrizePlan& plan, bool withOrders) {
  Upcoming next;
  const auto inPlan = [&](int level) -> std::optional<Prize> {
    if (const Prize* p = plan.prize(level)) return *p;
    return std::nullopt;
  };
  // Replacements first, all of one prize, at the orders their absent winners had; a replacement nobody
  // may take now waits, and its order stays free, while the other prizes go on.
  const std::vector<std::pair<int, int>> owed = store_.awaitingReplacement();
  int owedAfter = 0;
  for (const auto& [order, level] : owed) {
    const std::optional<Prize> prize = inPlan(level);
    if (next.orders.empty() && store_.eligibleCount(prize ? prize->rule : PrizeRule{}) > 0) {
      next.level = level;
      next.prize = prize;
      next.replacement = true;
    }
    if (next.replacement && level == next.level) next.orders.push_back(order);
    owedAfter = std::max(owedAfter, order);
  }
  if (next.replacement) return next;
  if (plan.applies()) {
    const QHash<int, int> drawn = store_.winnersByLevel();
    const Prize* prize = nullptr;
    // Under a seal the order is the plan's: a prize chosen after seeing the numbers could steer the draw.
    if (chosen_ && plan.leftOf(*chosen_, drawn) > 0 && !SealStore(store_.query()).state().holds())
      prize = plan.prize(*chosen_);
    if (!prize) prize = plan.nextPrize(drawn);
    next.planExhausted = !prize;
    if (prize) {
      next.prize = *prize;
      next.level = prize->level;
    }
    if (withOrders) {
      const int count = prize ? std::min(prize->perDraw, plan.leftOf(prize->level, drawn)) : 1;
      const int first = std::max(store_.nextDrawOrder(), owedAfter + 1);
      if (count - 1 > std::numeric_limits<int>::max() - first) throw Error(Tr::tr("抽奖顺序已达上限"));
      for (int i = 0; i < count; ++i) next.orders.push_back(first + i);
    }
    return next;
  }
  if (withOrders) next.orders.push_back(std::max(store_.nextDrawOrder(), owedAfter + 1));
  return next;
}

QList<DrawResult> DrawSession::record() {
  // Everything a stop reads and writes happens under one write lock, so two stops can never share an order
  // or a prize; leaving without commit() takes it all back.
  Transaction transaction(store_.connection());

  // The prize first, so that its rule can decide the pool; then the pool; then the pick.
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  const Upcoming next = upcoming(plan, true);
  const PrizeRule rule = next.prize ? next.prize->rule : PrizeRule{};
  const std::vector<int> pool = store_.eligibleIds(rule);
  DrawResult common;
  common.level = next.level;
  common.prize = next.prize ? next.prize->name : QString();
  common.rule = next.prize ? rule.text() : QString();
  common.planExhausted = next.planExhausted;
  common.replacement = next.replacement;
  common.pool = int(pool.size());
  common.eligible = rule.isEmpty() ? common.pool : store_.eligibleCount();

  std::vector<int> picked;
  const SealState sealed = SealStore(store_.query()).state();
  if (sealed.holds()) {
    if (!sealed.entropy)
      throw StopNotSaved(Tr::tr("抽奖已经封存，但还没有输入现场随机数"),
                         Tr::tr("请先在抽奖控制台（F9）输入现场随机数，然后再抽奖。"));
    try {
      picked = sealedPick(store_.query(), sealed, pool, next.orders.size());
    } catch (const SealNoLongerHolds& e) {
      throw StopNotSaved(
          e.message(),
          Tr::tr(
              "封存的抽奖不能这样继续。如要继续抽奖，请在抽奖控制台（F9）点“破坏封存…”（会记入抽奖记录）。"));
    }
  } else {
    picked = pickBatch(pool, next.orders.size(), uniform_);
  }
  const std::vector<Candidate> chosen = store_.eligibleCandidates(picked);
  if (chosen.size() != picked.size()) throw Error(Tr::tr("抽中的员工已不在待抽名单中"));

  QList<DrawResult> results;
  for (size_t i = 0; i < chosen.size(); ++i) {
    DrawResult result = common;
    result.order = next.orders[i];
    result.id = chosen[i].id;
    result.department = chosen[i].department;
    result.name = chosen[i].name;
    result.photo = chosen[i].photo;
    // Only a participant still undrawn is recorded: a second program or a stale pick cannot give a prize
    // twice.
    if (!store_.recordWinner(result.id, result.level, result.order))
      throw Error(Tr::tr("中奖者 %1 未能记录：该员工已不在待抽名单中").arg(result.name));
    result.drawn = true;
    results << result;
  }

  // What is shown and journaled is what the roster holds now, not what was picked: a trigger in the file
  // could have moved the win to somebody else or changed the row.
  std::vector<int> orders;
  for (const DrawResult& result : results) orders.push_back(result.order);
  std::map<int, std::vector<RecordedWinner>> heldAt;
  for (RecordedWinner& w : store_.winnersAt(orders)) heldAt[w.order].push_back(std::move(w));
  for (DrawResult& result : results) {
    const std::vector<RecordedWinner>& held = heldAt[result.order];
    const bool asWritten = held.size() == 1 && held.front().id == result.id &&
                           held.front().level == result.level && held.front().order == result.order;
    if (!asWritten) {
      QStringList holders;
      for (const RecordedWinner& w : held) holders << w.department + QLatin1Char(' ') + w.name;
      throw Error(
          Tr::tr("活动数据库没有按写入的内容记录这次中奖：写入的是 %1，数据库中第 %2 位中奖者却是 %3。"
                 "数据库可能被改动过，请检查后再继续。")
              .arg(recordedWinner(result))
              .arg(result.order)
              .arg(holders.isEmpty() ? Tr::tr("无人") : holders.join(Tr::tr("、"))));
    }
    result.department = held.front().department;
    result.name = held.front().name;
    result.photo = held.front().photo;
  }
  if (results.isEmpty()) {
    for (int order : next.orders) {
      const std::vector<RecordedWinner> held = store_.winnersAt(order);
      if (!held.empty())
        throw Error(Tr::tr("活动数据库中第 %1 位已有中奖者 %2 "
                           "%3，这次却没有抽出任何人。数据库可能被改动过，请检查后再继续。")
                        .arg(order)
                        .arg(held.front().department, held.front().name));
    }
    DrawResult nobody = common;
    nobody.order = next.orders.empty() ? 0 : next.orders.front();
    results << nobody;
  }

  // Winners only: an absent participant (zj = -1) is nobody's prize. Only a stop that recorded somebody
  // completes anything. Where no plan applies, the fireworks follow the quantities' blocks as they always
  // did.
  bool completes = false;
  if (results.front().drawn) {
    if (plan.applies())
      completes = next.prize && plan.leftOf(next.level, store_.winnersByLevel()) == 0;
    else
      completes = plan.completesBlock(store_.winnerCountForFireworks());
  }
  for (DrawResult& result : results) result.completesLevel = completes;

  for (const DrawResult& result : results) {
    JournalEntry entry{
        result.drawn ? JournalEvent::Drawn : JournalEvent::Nobody, {}, {}, {}, {}, {}, result.pool};
    if (result.drawn) {
      entry.order = result.order;
      entry.level = result.level;
      entry.id = result.id;
      entry.name = result.name;
      entry.department = result.department;
    }
    if (next.prize) {
      entry.prize = result.prize;
      entry.rule = result.rule;
    }
    store_.journal(entry);
    const std::optional<JournalRow> row = latestJournalRow(store_.query());
    if (!row || row->event != journalEventText(entry.event) || row->order != entry.order ||
        row->level != entry.level || row->id != entry.id || row->name != entry.name ||
        row->department != entry.department)
      throw Error(Tr::tr("抽奖日志没有按写入的内容记录这次抽奖（%1）。数据库可能被改动过，请检查后再继续。")
                      .arg(result.drawn ? recordedWinner(result) : Tr::tr("无人中奖")));
  }
  // A file deleted or replaced under the program would take the result with it while the stop said saved.
  if (store_.connection().fileMovedOrReplaced())
    throw Error(Tr::tr("活动数据库文件 %1 已不在原处（被移动、删除或替换），这次结果没有写进活动。")
                    .arg(shown(store_.connection().databaseFile())));
  transaction.commit();
  return results;
}

void DrawSession::cancelRoll() {
  const std::optional<int> pool = poolRead_ ? std::optional<int>(int(pool_.size())) : std::nullopt;
  poolRead_ = false;
  emit rolling(false);
  emit rollCancelled();
  store_.journal({JournalEvent::RollCancelled, {}, {}, {}, {}, {}, pool});
}

bool DrawSession::nextIsOutsidePlan() {
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  if (!plan.applies()) return false;
  return upcoming(plan, false).planExhausted;
}

void DrawSession::choosePrize(std::optional<int> level) {
  if (level && SealStore(store_.query()).state().holds())
    throw Error(Tr::tr("抽奖已经封存，奖项只能按计划的顺序抽出，不能另选"));
  if (level && !PlanStore(store_.query()).forDraw().prize(*level)) throw Error(Tr::tr("计划中没有这个奖项"));
  if (chosen_ == level) return;
  chosen_ = level;
  poolRead_ = false;
  emit prizeChosen(level);
}

QString DrawSession::seal() {
  const QString seal = sealEvent(store_.query());
  poolRead_ = false;
  const bool hadChosen = chosen_.has_value();
  chosen_.reset();
  guarded([&] {
    if (hadChosen) emit prizeChosen(std::nullopt);
    emit sealChanged();
  });
  return seal;
}

void DrawSession::setEntropy(const QString& text) {
  giveEntropy(store_.query(), text);
  guarded([&] { emit sealChanged(); });
}

void DrawSession::breakSeal(const QString& why) {
  ld::breakSeal(store_.query(), why);
  guarded([&] { emit sealChanged(); });
}

SealState DrawSession::sealState() { return SealStore(store_.query()).state(); }

std::optional<int> DrawSession::upcomingLevel() {
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  const Upcoming next = upcoming(plan, false);
  if (!next.prize) return std::nullopt;
  return next.level;
}

std::vector<PrizeStatus> DrawSession::prizeStatus(std::optional<int> onlyLevel) {
  std::vector<PrizeStatus> list;
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  if (!plan.applies()) return list;
  const QHash<int, int> drawn = store_.winnersByLevel();
  const std::vector<int> left = plan.left(drawn);
  const int eligible = store_.eligibleCount();
  for (size_t i = 0; i < plan.prizes.size(); ++i) {
    const Prize& prize = plan.prizes[i];
    if (onlyLevel && prize.level != *onlyLevel) continue;
    list.push_back({prize, drawn.value(prize.level), left[i],
                    prize.rule.isEmpty() ? eligible : store_.eligibleCount(prize.rule), eligible});
  }
  return list;
}

bool DrawSession::databaseMovedOrReplaced() const { return store_.connection().fileMovedOrReplaced(); }

void DrawSession::markAbsent(const DrawResult& result) {
  if (!result.drawn || result.id == 0) throw Error(Tr::tr("没有可以标记缺席的中奖者"));
  Transaction transaction(store_.connection());
  // A replacement takes the absent winner's order, which only works for the latest stop.
  const bool latest = std::find(latestStop_.begin(), latestStop_.end(), result.order) != latestStop_.end() &&
                      store_.nextDrawOrder() <= *std::max_element(latestStop_.begin(), latestStop_.end()) + 1;
  if (!latest) throw Error(Tr::tr("%1 已不是最近一次抽出的中奖者，不能再标记缺席").arg(result.name));
  if (!store_.recordAbsent(result.id, result.level, result.order))
    throw Error(Tr::tr("%1 的中奖记录已经改变，不能标记缺席").arg(result.name));
  JournalEntry entry{
      JournalEvent::Absent, result.order, result.level, result.id, result.name, result.department, {}};
  if (!result.prize.isEmpty()) {
    entry.prize = result.prize;
    entry.rule = result.rule;
  }
  store_.journal(entry);
  transaction.commit();
  poolRead_ = false;
  emit winnerAbsent(result);
}

void DrawSession::voidWin(const RecordedWinner& winner, const QString& reason) {
  if (reason.trimmed().isEmpty()) throw Error(Tr::tr("请写明作废的原因"));
  Transaction transaction(store_.connection());
  if (!store_.recordVoided(winner.id, winner.level, winner.order))
    throw Error(Tr::tr("%1 的中奖记录已经改变，不能作废").arg(winner.name));
  JournalEntry entry{
      JournalEvent::Voided, winner.order, winner.level, winner.id, winner.name, winner.department, {}};
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  if (const Prize* prize = plan.prize(winner.level)) {
    entry.prize = prize->name;
    entry.rule = prize->rule.text();
  }
  entry.reason = reason.trimmed();
  store_.journal(entry);
  transaction.commit();
  poolRead_ = false;
  emit winVoided(winner, entry.reason);
}

std::optional<QString> DrawSession::boardText() {
  const PrizePlan plan = PlanStore(store_.query()).forBoard();
  if (!plan.applies()) return std::nullopt;
  // The prize of this program's latest stop; otherwise the block of the sequence of winners the latest
  // falls in, as the board always showed it.
  const Prize* prize = latestStop_.empty() ? nullptr : plan.prize(latestLevel_);
  if (!prize) prize = plan.prizeOnBoard(store_.winnerCount());
  if (!prize) return std::nullopt;

  QString text = Tr::tr("%1%2位").arg(prize->shownName()).arg(prize->quantity);
  QStringList rows;
  if (latestStop_.size() > 1) {
    // A press of several winners: the board shows them, as many as it holds.
    for (const RecordedWinner& w : store_.winners())
      if (std::find(latestStop_.begin(), latestStop_.end(), w.order) != latestStop_.end()) rows << w.name;
    if (rows.size() > 10) {
      const qsizetype all = rows.size();
      rows = rows.mid(0, 9);
      rows << Tr::tr("……共 %1 人").arg(all);
    }
  } else {
    const QStringList winners = store_.winnersOf(prize->level);
    const int count = int(winners.size());
    int firstRow = 1;
    if (prize->quantity > 10) {
      // The page holding the latest winner: a tenth name is shown on its page before the next one starts.
      const int page = count == 0 ? 1 : (count - 1) / 10 + 1;
      text += QStringLiteral("(") + QString::number(page) + QStringLiteral(")");
      firstRow = (page - 1) * 10 + 1;
    }
    rows = winners.mid(firstRow - 1);
  }
  text += QLatin1Char('\r');
  for (const QString& row : rows) text += QLatin1Char('\r') + row;
  return text;
}

}  // namespace ld
