#include "draw/draw_session.h"

#include <stdlib.h>

#include <QHash>
#include <algorithm>
#include <limits>
#include <utility>

#include "data/connection.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "data/transaction.h"
#include "draw/picture_loading.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// "zj>0" lets the winners' index serve them, so a large roster is not read through for a few names.
const char* const kLevelWinners[5] = {
    nullptr,
    "select xm from  YGLB  where zj>0 and zj=1 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=2 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=3 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=4 order by zjsx ",
};

}  // namespace

DrawSession::DrawSession(Query& query) : query_(query) { prepareLargePhotos(); }

void DrawSession::beginRoll() {
  poolRead_ = false;
  prepareLargePhotos();
}

void DrawSession::readPool() {
  pool_ = idList(query_, QStringLiteral("select group_concat(id) as ids from yglb where zj=0 and  zp<>'' "));
  poolRead_ = true;
}

QStringList DrawSession::rollingPhotos() {
  // A tick is one frame of an animation: it never waits long for a file another program holds.
  ScopedBusyTimeout briefly(query_.connection(), 100);
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

    QString ids;
    for (size_t i = 0; i < k; ++i) ids += (i ? QStringLiteral(",") : QString()) + QString::number(pool_[i]);
    query_.openSql(QStringLiteral("select id,zp from yglb where zj=0 and  zp<>'' and id in (") + ids +
                   QStringLiteral(")"));
    QHash<int, QString> current;
    query_.first();
    for (int row = 0; row < query_.recordCount(); ++row, query_.next())
      current.insert(query_.fieldByName(QStringLiteral("id")).asInteger(),
                     query_.fieldByName(QStringLiteral("zp")).asString());

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

int DrawSession::nextDrawOrder() {
  query_.openSql(QStringLiteral("select top 1 zjsx as expr from yglb where zj>0 order by zjsx desc"));
  int n = 0;
  if (query_.recordCount() > 0) {
    query_.first();
    const QString text = query_.fieldByName(QStringLiteral("expr")).asString();
    bool ok = false;
    n = text.trimmed().toInt(&ok);
    if (!ok) throw Error(Tr::tr("'%1' 不是有效的整数值").arg(text));
    if (n == std::numeric_limits<int>::max()) throw Error(Tr::tr("抽奖顺序已达上限"));
  }
  return n + 1;
}

void DrawSession::pick(DrawResult& result) {
  query_.openSql(QStringLiteral("select count(*) as n from yglb where zj=0 and zp<>''"));
  query_.first();
  result.pool = query_.fieldByName(QStringLiteral("n")).asInteger();

  query_.openSql(
      QStringLiteral("select top 1 id,xm,bm,zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  if (query_.recordCount() != 1) return;
  query_.first();
  // A damaged name or photo path must not cost the winner the prize: the id is what gets recorded.
  silently("reading the picked participant", [&] {
    result.id = query_.fieldByName(QStringLiteral("id")).asInteger();
    result.department = query_.fieldByName(QStringLiteral("bm")).asString();
    result.name = query_.fieldByName(QStringLiteral("xm")).asString();
    result.photo = query_.fieldByName(QStringLiteral("zp")).asString();
  });
}

DrawResult DrawSession::stop() {
  // Whatever the stop records, the next roll reads the pool again.
  poolRead_ = false;
  // Everything a stop reads and writes happens under one write lock, so two stops can never share an order
  // or a prize; leaving without commit() takes it all back.
  Transaction transaction(query_.connection());
  DrawResult result;
  result.order = nextDrawOrder();
  pick(result);

  const PrizePlan plan = PlanStore(query_).forDraw();
  if (plan.applies()) {
    query_.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
    const Prize* prize = plan.prizeForNextWinner(query_.recordCount());
    result.level = prize ? prize->level : kOutsidePlan;
    result.planExhausted = !prize;
  }

  // Only a participant still undrawn is recorded: a second program or a stale pick cannot give a prize twice.
  query_.execSql(QStringLiteral("update yglb set zj=") + QString::number(result.level) +
                 QStringLiteral(",zjsx=") + QString::number(result.order) + QStringLiteral(" where id=") +
                 QString::number(result.id) + QStringLiteral(" and zj=0"));
  if (result.id != 0 && query_.rowsAffected() != 1)
    throw Error(Tr::tr("中奖者 %1 未能记录：该员工已不在待抽名单中").arg(result.name));
  result.drawn = result.id != 0;

  // Winners only: an absent participant (zj = -1) is nobody's prize, and counting it would move every
  // block end after an absence.
  query_.openSql(QStringLiteral("select id from yglb where zj>0"));
  // Only a stop that recorded somebody completes anything.
  result.completesLevel = result.drawn && plan.completesPrize(query_.recordCount());

  JournalEntry entry{
      result.drawn ? JournalEvent::Drawn : JournalEvent::Nobody, {}, {}, {}, {}, {}, result.pool};
  if (result.drawn) {
    entry.order = result.order;
    entry.level = result.level;
    entry.id = result.id;
    entry.name = result.name;
    entry.department = result.department;
  }
  appendJournal(query_, entry);
  transaction.commit();
  return result;
}

void DrawSession::cancelRoll() {
  const std::optional<int> pool = poolRead_ ? std::optional<int>(int(pool_.size())) : std::nullopt;
  poolRead_ = false;
  appendJournal(query_, {JournalEvent::RollCancelled, {}, {}, {}, {}, {}, pool});
}

bool DrawSession::nextIsOutsidePlan() {
  const PrizePlan plan = PlanStore(query_).forDraw();
  if (!plan.applies()) return false;
  query_.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
  return plan.prizeForNextWinner(query_.recordCount()) == nullptr;
}

bool DrawSession::databaseMovedOrReplaced() const { return query_.connection().fileMovedOrReplaced(); }

void DrawSession::markAbsent(const DrawResult& result) {
  if (!result.drawn || result.id == 0) throw Error(Tr::tr("没有可以标记缺席的中奖者"));
  Transaction transaction(query_.connection());
  // The replacement takes the absent winner's order, which only works for the latest one.
  if (nextDrawOrder() != result.order + 1)
    throw Error(Tr::tr("%1 已不是最近一位中奖者，不能再标记缺席").arg(result.name));
  query_.execSql(QStringLiteral("update yglb set zj=") + QString::number(kAbsent) +
                 QStringLiteral(",zjsx=0 where id=") + QString::number(result.id) +
                 QStringLiteral(" and zj=") + QString::number(result.level) + QStringLiteral(" and zjsx=") +
                 QString::number(result.order));
  if (query_.rowsAffected() != 1) throw Error(Tr::tr("%1 的中奖记录已经改变，不能标记缺席").arg(result.name));
  appendJournal(
      query_,
      {JournalEvent::Absent, result.order, result.level, result.id, result.name, result.department, {}});
  transaction.commit();
}

std::optional<QString> DrawSession::boardText() {
  const PrizePlan plan = PlanStore(query_).forBoard();
  if (!plan.applies()) return std::nullopt;

  query_.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
  const Prize* prize = plan.prizeOnBoard(query_.recordCount());
  if (!prize) return std::nullopt;

  const int level = prize->level;
  const int quantity = prize->quantity;
  query_.openSql(QString::fromLatin1(kLevelWinners[level]));
  const int rows = query_.recordCount();
  QString text = Tr::tr("%1%2位").arg(shownPrizeName(level)).arg(quantity);
  int firstRow = 1;
  if (quantity > 10) {
    // The page holding the latest winner: a tenth name is shown on its page before the next one starts.
    const int page = rows == 0 ? 1 : (rows - 1) / 10 + 1;
    text += QStringLiteral("(") + QString::number(page) + QStringLiteral(")");
    firstRow = (page - 1) * 10 + 1;
  }
  text += QLatin1Char('\r');
  query_.first();
  for (int row = 1; row < firstRow; ++row) query_.next();
  for (int row = firstRow; row <= rows; ++row) {
    text += QLatin1Char('\r') + query_.fieldByName(QStringLiteral("xm")).asString();
    query_.next();
  }
  return text;
}

}  // namespace ld
