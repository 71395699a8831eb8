#include "data/purge_store.h"

#include <sqlcipher/sqlite3.h>

#include <vector>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/prize_rule.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "framework/errors.h"

namespace ld {

namespace {

void run(Connection& c, const char* statements) {
  if (sqlite3_exec(c.handle(), statements, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw DbError(changeFailedMessage(c.handle()), sqlite3_extended_errcode(c.handle()));
}

int countOf(Query& q, const QString& statement) {
  q.openSql(statement);
  q.first();
  const int n = q.fieldByName(QStringLiteral("n")).asInteger();
  q.close();
  return n;
}

// Prizes whose stored rule keeps people out by number or name lose that list; the rest of the rule stays.
int clearExcludedPeople(Query& q) {
  q.openSql(QStringLiteral("select jx, gz from jxsz where gz<>''"));
  std::vector<std::pair<int, QByteArray>> changed;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    PrizeRule rule;
    try {
      rule = PrizeRule::fromJson(q.fieldByName(QStringLiteral("gz")).asString().toUtf8());
    } catch (const Error&) {
      // A rule that cannot be read may still name people: it goes, as the people it could name have.
      changed.emplace_back(q.fieldByName(QStringLiteral("jx")).asInteger(), QByteArray());
      continue;
    }
    if (rule.excludePeople.empty()) continue;
    rule.excludePeople.clear();
    changed.emplace_back(q.fieldByName(QStringLiteral("jx")).asInteger(), rule.toJson());
  }
  q.close();
  for (const auto& [level, json] : changed)
    q.execSql(QStringLiteral("update jxsz set gz=? where jx=?"), {QString::fromUtf8(json), level});
  return int(changed.size());
}

}  // namespace

PurgeResult PurgeStore::purge(bool keepResults) {
  Connection& c = q_.connection();
  PurgeResult result;
  {
    Transaction transaction(c);
    const int everybody = countOf(q_, QStringLiteral("select count(*) as n from yglb"));
    if (keepResults) {
      q_.execSql(QStringLiteral("delete from yglb where not zj>0"));
      q_.execSql(QStringLiteral("update yglb set zp='', gh='', bq='', qd='', qdm='', qdsb=''"));
      result.keptWinners = countOf(q_, QStringLiteral("select count(*) as n from yglb"));
    } else {
      q_.execSql(QStringLiteral("delete from yglb"));
    }
    result.removedPeople = everybody - result.keptWinners;

    // The journal is append-only, and this is the one change made to rows already written: the people it
    // names asked to be forgotten once the event is over. Its guards go for this transaction only and come
    // back exactly as made, so a failure anywhere leaves them, and the rows, as they were.
    run(c,
        "drop trigger if exists cjrz_no_update; drop trigger if exists cjrz_no_delete;"
        "drop trigger if exists cjrz_no_replace;");
    const QString kept = QStringLiteral("(ygid is not null and ygid in (select id from yglb))");
    q_.execSql(
        QStringLiteral("update cjrz set gh=null, xm=case when %1 then xm end, bm=case when %1 then bm end "
                       "where gh is not null or ((xm is not null or bm is not null) and not %1)")
            .arg(kept));
    result.journalRows = q_.rowsAffected();
    run(c, kJournalSchema);

    result.rulesCleared = clearExcludedPeople(q_);
    q_.execSql(QStringLiteral("update jcsz set sz='' where xm in ('LXRY','LXDH')"));
    q_.execSql(QStringLiteral("delete from sy where symc='ZPML'"));
    // A sealed draw's text lists everybody by name; its proof is written before the event is forgotten.
    q_.openSql(QString::fromLatin1(kSealQuery));
    if (q_.recordCount() > 0) q_.execSql(QStringLiteral("delete from fcxx where xm='WB'"));
    transaction.commit();
  }
  // Deleted rows stay in the file's free pages until it is rebuilt.
  run(c, "vacuum");
  return result;
}

}  // namespace ld
