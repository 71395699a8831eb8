#include "draw/draw_session.h"

#include <stdlib.h>

#include <algorithm>
#include <utility>

#include <QFileInfo>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/draw_store.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "data/transaction.h"
#include "draw/picture_loading.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
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
  if (!photos.isEmpty()) emit rolled(photos);
  return photos;
}

namespace {

QString recordedWinner(const DrawResult& r) {
  return Tr::tr("%1 %2（第 %3 位，%4）")
      .arg(r.department, r.name)
      .arg(r.order)
      .arg(r.level == kOutsidePlan ? Tr::tr("计划外") : shownPrizeName(r.level));
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

DrawResult DrawSession::stop() {
  // Whatever the stop records, the next roll reads the pool again.
  poolRead_ = false;
  emit rolling(false);
  DrawResult result;
  try {
    result = record();
  } catch (const StopNotSaved&) {
    throw;
  } catch (const DbError& e) {
    throw notSaved(store_.connection(), e, e.engineCode());
  } catch (const Error& e) {
    throw notSaved(store_.connection(), e, 0);
  }

  // Saved: what a listener fails at is its own error, never an unsaved stop.
  guarded([&] {
    emit drawn(result.drawn ? QList<DrawResult>{result} : QList<DrawResult>{});
    if (result.completesLevel) emit levelCompleted(result.level);
  });
  return result;
}

DrawResult DrawSession::record() {
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

  // What is shown and journaled is what the roster holds now, not what was picked: a trigger in the file
  // could have moved the win to somebody else or changed the row.
  const std::vector<RecordedWinner> held = store_.winnersAt(result.order);
  if (result.drawn) {
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
  } else if (!held.empty()) {
    throw Error(Tr::tr("活动数据库中第 %1 位已有中奖者 %2 "
                       "%3，这次却没有抽出任何人。数据库可能被改动过，请检查后再继续。")
                    .arg(result.order)
                    .arg(held.front().department, held.front().name));
  }

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
  const std::optional<JournalRow> row = latestJournalRow(store_.query());
  if (!row || row->event != journalEventText(entry.event) || row->order != entry.order ||
      row->level != entry.level || row->id != entry.id || row->name != entry.name ||
      row->department != entry.department)
    throw Error(Tr::tr("抽奖日志没有按写入的内容记录这次抽奖（%1）。数据库可能被改动过，请检查后再继续。")
                    .arg(result.drawn ? recordedWinner(result) : Tr::tr("无人中奖")));
  // A file deleted or replaced under the program would take the result with it while the stop said saved.
  if (store_.connection().fileMovedOrReplaced())
    throw Error(Tr::tr("活动数据库文件 %1 已不在原处（被移动、删除或替换），这次结果没有写进活动。")
                    .arg(shown(store_.connection().databaseFile())));
  transaction.commit();
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
