#include "draw/draw_session.h"

#include <stdlib.h>

#include <algorithm>
#include <utility>

#include "data/connection.h"
#include "data/draw_store.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "data/transaction.h"
#include "draw/picture_loading.h"
#include "framework/errors.h"
#include "framework/text.h"

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
  pool_ = store_.eligibleIds();
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
    // The first k places of a partial Fisher-Yates shuffle: a uniform sample of k, in uniform order.
    const size_t k = std::min<size_t>(8, pool_.size());
    for (size_t i = 0; i < k; ++i) {
      const auto j = i + arc4random_uniform(static_cast<uint32_t>(pool_.size() - i));
      std::swap(pool_[i], pool_[j]);
    }
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
  return photos;
}

DrawResult DrawSession::stop() {
  // Whatever the stop records, the next roll reads the pool again.
  poolRead_ = false;
  emit rolling(false);
  // Everything a stop reads and writes happens under one write lock, so two stops can never share an order
  // or a prize; leaving without commit() takes it all back.
  Transaction transaction(store_.connection());
  DrawResult result;
  result.order = store_.nextDrawOrder();

  // The prize first, so that what the prize allows can decide the pool; then the pool; then the pick.
  const PrizePlan plan = PlanStore(store_.query()).forDraw();
  if (plan.applies()) {
    const Prize* prize = plan.prizeForNextWinner(store_.winnerCount());
    result.level = prize ? prize->level : kOutsidePlan;
    result.planExhausted = !prize;
  }
  result.pool = store_.eligibleCount();
  if (const std::optional<Candidate> picked = store_.pick()) {
    result.id = picked->id;
    result.department = picked->department;
    result.name = picked->name;
    result.photo = picked->photo;
  }

  // Only a participant still undrawn is recorded: a second program or a stale pick cannot give a prize twice.
  const bool recorded = store_.recordWinner(result.id, result.level, result.order);
  if (result.id != 0 && !recorded)
    throw Error(Tr::tr("中奖者 %1 未能记录：该员工已不在待抽名单中").arg(result.name));
  result.drawn = result.id != 0;

  // Winners only: an absent participant (zj = -1) is nobody's prize, and counting it would move every
  // block end after an absence. Only a stop that recorded somebody completes anything.
  result.completesLevel = result.drawn && plan.completesPrize(store_.winnerCountForFireworks());

  JournalEntry entry{
      result.drawn ? JournalEvent::Drawn : JournalEvent::Nobody, {}, {}, {}, {}, {}, result.pool};
  if (result.drawn) {
    entry.order = result.order;
    entry.level = result.level;
    entry.id = result.id;
    entry.name = result.name;
    entry.department = result.department;
  }
  store_.journal(entry);
  transaction.commit();

  // Saved: what a listener fails at is its own error, never an unsaved stop.
  guarded([&] {
    emit drawn(result.drawn ? QList<DrawResult>{result} : QList<DrawResult>{});
    if (result.completesLevel) emit levelCompleted(result.level);
  });
  return result;
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
  return plan.prizeForNextWinner(store_.winnerCount()) == nullptr;
}

bool DrawSession::databaseMovedOrReplaced() const { return store_.connection().fileMovedOrReplaced(); }

void DrawSession::markAbsent(const DrawResult& result) {
  if (!result.drawn || result.id == 0) throw Error(Tr::tr("没有可以标记缺席的中奖者"));
  Transaction transaction(store_.connection());
  // The replacement takes the absent winner's order, which only works for the latest one.
  if (store_.nextDrawOrder() != result.order + 1)
    throw Error(Tr::tr("%1 已不是最近一位中奖者，不能再标记缺席").arg(result.name));
  if (!store_.recordAbsent(result.id, result.level, result.order))
    throw Error(Tr::tr("%1 的中奖记录已经改变，不能标记缺席").arg(result.name));
  store_.journal(
      {JournalEvent::Absent, result.order, result.level, result.id, result.name, result.department, {}});
  transaction.commit();
  emit winnerAbsent(result);
}

std::optional<QString> DrawSession::boardText() {
  const PrizePlan plan = PlanStore(store_.query()).forBoard();
  if (!plan.applies()) return std::nullopt;
  const Prize* prize = plan.prizeOnBoard(store_.winnerCount());
  if (!prize) return std::nullopt;

  const QStringList winners = store_.winnersOf(prize->level);
  const int rows = int(winners.size());
  QString text = Tr::tr("%1%2位").arg(shownPrizeName(prize->level)).arg(prize->quantity);
  int firstRow = 1;
  if (prize->quantity > 10) {
    // The page holding the latest winner: a tenth name is shown on its page before the next one starts.
    const int page = rows == 0 ? 1 : (rows - 1) / 10 + 1;
    text += QStringLiteral("(") + QString::number(page) + QStringLiteral(")");
    firstRow = (page - 1) * 10 + 1;
  }
  text += QLatin1Char('\r');
  for (int row = firstRow; row <= rows; ++row) text += QLatin1Char('\r') + winners[row - 1];
  return text;
}

}  // namespace ld
