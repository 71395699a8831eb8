#include "data/draw_store.h"

#include <algorithm>
#include <limits>

#include "data/journal.h"
#include "data/prize_levels.h"
#include "data/prize_rule.h"
#include "data/query.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// Undrawn, and with a photo to show.
const QString kEligible = QStringLiteral("zj=0 and  zp<>''");

// "zj>0" lets the winners' index serve them, so a large roster is not read through for a few names.
const char* const kLevelWinners[5] = {
    nullptr,
    "select xm from  YGLB  where zj>0 and zj=1 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=2 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=3 order by zjsx ",
    "select xm from  YGLB  where zj>0 and zj=4 order by zjsx ",
};

QString underRule(const PrizeRule& rule, QVariantList& values) {
  const QString condition = rule.sqlCondition(values);
  return condition.isEmpty() ? kEligible : kEligible + QStringLiteral(" and ") + condition;
}

QString marks(const std::vector<int>& ids, QVariantList& values) {
  QStringList list;
  for (int id : ids) {
    list << QStringLiteral("?");
    values << id;
  }
  return list.join(QLatin1Char(','));
}

}  // namespace

Connection& DrawStore::connection() const { return q_.connection(); }

std::vector<int> DrawStore::eligibleIds() { return eligibleIds(PrizeRule{}); }

std::vector<int> DrawStore::eligibleIds(const PrizeRule& rule) {
  QVariantList values;
  const QString condition = underRule(rule, values);
  return idList(q_, QStringLiteral("select group_concat(id) as ids from yglb where ") + condition, values);
}

int DrawStore::eligibleCount(const PrizeRule& rule) {
  QVariantList values;
  const QString condition = underRule(rule, values);
  q_.openSql(QStringLiteral("select count(*) as n from yglb where ") + condition, values);
  q_.first();
  return q_.fieldByName(QStringLiteral("n")).asInteger();
}

std::vector<Candidate> DrawStore::eligibleCandidates(const std::vector<int>& ids) {
  std::vector<Candidate> out;
  if (ids.empty()) return out;
  QVariantList values;
  const QString list = marks(ids, values);
  q_.openSql(QStringLiteral("select id,xm,bm,zp from yglb where ") + kEligible +
                 QStringLiteral(" and id in (") + list + QStringLiteral(")"),
             values);
  QHash<int, Candidate> byId;
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next()) {
    Candidate c;
    c.id = q_.fieldByName(QStringLiteral("id")).asInteger();
    silently("reading a picked participant", [&] {
      c.department = q_.fieldByName(QStringLiteral("bm")).asString();
      c.name = q_.fieldByName(QStringLiteral("xm")).asString();
      c.photo = q_.fieldByName(QStringLiteral("zp")).asString();
    });
    byId.insert(c.id, c);
  }
  for (int id : ids)
    if (const auto found = byId.constFind(id); found != byId.cend()) out.push_back(*found);
  return out;
}

QHash<int, QString> DrawStore::eligiblePhotos(const std::vector<int>& ids) {
  QHash<int, QString> photos;
  if (ids.empty()) return photos;
  QVariantList values;
  const QString list = marks(ids, values);
  q_.openSql(QStringLiteral("select id,zp from yglb where ") + kEligible + QStringLiteral(" and id in (") +
                 list + QStringLiteral(")"),
             values);
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next())
    photos.insert(q_.fieldByName(QStringLiteral("id")).asInteger(),
                  q_.fieldByName(QStringLiteral("zp")).asString());
  return photos;
}

int DrawStore::eligibleCount() { return eligibleCount(PrizeRule{}); }

int DrawStore::nextDrawOrder() {
  q_.openSql(QStringLiteral("select top 1 zjsx as expr from yglb where zj>0 order by zjsx desc"));
  int n = 0;
  if (q_.recordCount() > 0) {
    q_.first();
    const QString text = q_.fieldByName(QStringLiteral("expr")).asString();
    bool ok = false;
    n = text.trimmed().toInt(&ok);
    if (!ok) throw Error(Tr::tr("'%1' 不是有效的整数值").arg(text));
  }
  // A voided win keeps its order: nobody after it is given the same one.
  q_.openSql(QStringLiteral("select coalesce(max(zjsx), 0) as top from yglb where zj=?"), {kVoided});
  q_.first();
  n = std::max(n, q_.fieldByName(QStringLiteral("top")).asInteger());
  if (n == std::numeric_limits<int>::max()) throw Error(Tr::tr("抽奖顺序已达上限"));
  return n + 1;
}

int DrawStore::winnerCount() {
  q_.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
  return q_.recordCount();
}

int DrawStore::winnerCountForFireworks() {
  q_.openSql(QStringLiteral("select id from yglb where zj>0"));
  return q_.recordCount();
}

QStringList DrawStore::winnersOf(int level) {
  QStringList names;
  if (level >= 1 && level <= 4)
    q_.openSql(QString::fromLatin1(kLevelWinners[level]));
  else if (level >= kFirstExtraLevel)
    q_.openSql(QStringLiteral("select xm from yglb where zj>0 and zj=? order by zjsx"), {level});
  else
    return names;
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next())
    names << q_.fieldByName(QStringLiteral("xm")).asString();
  return names;
}

QHash<int, int> DrawStore::winnersByLevel() {
  q_.openSql(QStringLiteral("select zj, count(*) as n from yglb where zj>0 group by zj"));
  QHash<int, int> counts;
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next())
    counts.insert(q_.fieldByName(QStringLiteral("zj")).asInteger(),
                  q_.fieldByName(QStringLiteral("n")).asInteger());
  return counts;
}

std::vector<std::pair<int, int>> DrawStore::awaitingReplacement() {
  std::vector<std::pair<int, int>> owed;
  if (!hasJournal(q_)) return owed;
  // The latest absence of each order since the last clearing, unless a winner holds that order now (through
  // the winners' index) or the win there was voided since.
  q_.openSql(QStringLiteral(
      "select a.zjsx, a.zj from cjrz a where a.lx='absent' and a.zjsx>0 "
      "and a.xh > coalesce((select max(xh) from cjrz where lx in ('results cleared','roster cleared')), 0) "
      "and a.xh = (select max(b.xh) from cjrz b where b.lx='absent' and b.zjsx=a.zjsx) "
      "and not exists (select 1 from yglb w where w.zj>0 and w.zjsx=a.zjsx) "
      "and not exists (select 1 from cjrz v where v.lx='voided' and v.zjsx=a.zjsx and v.xh>a.xh) "
      "order by a.zjsx"));
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next())
    owed.push_back({q_.fieldByName(QStringLiteral("zjsx")).asInteger(),
                    q_.fieldByName(QStringLiteral("zj")).asInteger()});
  return owed;
}

bool DrawStore::recordWinner(int id, int level, int order) {
  q_.execSql(QStringLiteral("update yglb set zj=?,zjsx=? where id=? and zj=0"), {level, order, id});
  return q_.rowsAffected() == 1;
}

bool DrawStore::recordAbsent(int id, int level, int order) {
  q_.execSql(QStringLiteral("update yglb set zj=?,zjsx=0 where id=? and zj=? and zjsx=?"),
             {kAbsent, id, level, order});
  return q_.rowsAffected() == 1;
}

bool DrawStore::recordVoided(int id, int level, int order) {
  q_.execSql(QStringLiteral("update yglb set zj=? where id=? and zj=? and zjsx=?"),
             {kVoided, id, level, order});
  return q_.rowsAffected() == 1;
}

std::vector<RecordedWinner> DrawStore::winnersAt(int order) {
  q_.openSql(QStringLiteral("select id,xm,bm,zp,zj,zjsx from yglb where zj>0 and zjsx=? order by id"),
             {order});
  return readWinners();
}

std::vector<RecordedWinner> DrawStore::winnersAt(const std::vector<int>& orders) {
  if (orders.empty()) return {};
  QVariantList values;
  const QString list = marks(orders, values);
  // The winners' index is searched once for the whole press, not the roster once per winner.
  q_.openSql(QStringLiteral("select id,xm,bm,zp,zj,zjsx from yglb where zj>0 and zjsx in (") + list +
                 QStringLiteral(") order by zjsx,id"),
             values);
  return readWinners();
}

std::vector<RecordedWinner> DrawStore::winners() {
  q_.openSql(QStringLiteral("select id,xm,bm,zp,zj,zjsx from yglb where zj>0 order by zjsx,id"));
  return readWinners();
}

std::vector<RecordedWinner> DrawStore::readWinners() {
  std::vector<RecordedWinner> winners;
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next()) {
    RecordedWinner w;
    const auto text = [&](const char* name) {
      const Field f = q_.fieldByName(QString::fromLatin1(name));
      return f.isNull() ? QString() : f.asString();
    };
    w.id = q_.fieldByName(QStringLiteral("id")).asInteger();
    w.name = text("xm");
    w.department = text("bm");
    w.photo = text("zp");
    w.level = q_.fieldByName(QStringLiteral("zj")).asInteger();
    w.order = q_.fieldByName(QStringLiteral("zjsx")).asInteger();
    winners.push_back(std::move(w));
  }
  return winners;
}

void DrawStore::journal(const JournalEntry& entry) { appendJournal(q_, entry); }

}  // namespace ld
