#include "data/roster_store.h"

#include "data/db_error.h"
#include "data/journal.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "framework/text.h"

namespace ld {

namespace {

// An id the grid or a label holds as text; anything but a whole number is refused before a statement runs.
int checkedId(const QString& id) {
  if (!isWholeNumber(id.trimmed())) throw DbError(Tr::tr("无效的员工编号“%1”").arg(id));
  return id.trimmed().toInt();
}

QStringList column(Query& q, const QString& statement, const QVariantList& values, const char* name) {
  q.openSql(statement, values);
  QStringList out;
  out.reserve(q.recordCount());
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) out << q.fieldByName(QLatin1String(name)).asString();
  return out;
}

// Every row of the query's open result, each made by `make` from a reader of the row's fields by name.
template <class Row, class Make>
std::vector<Row> rowsOf(Query& q, Make make) {
  std::vector<Row> out;
  out.reserve(size_t(q.recordCount()));
  const auto field = [&](const char* name) { return q.fieldByName(QLatin1String(name)); };
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) out.push_back(make(field));
  return out;
}

}  // namespace

std::vector<RosterEntry> RosterStore::entriesInOrder() {
  q_.openSql(QStringLiteral("select %1 from yglb order by id").arg(entryColumns(q_)));
  return entries(q_);
}

QString RosterStore::entryColumns(Query& q) {
  return QStringLiteral("xm, bm, zp, %1, %2")
      .arg(addedColumnOrBlank(q, "yglb", "gh"), addedColumnOrBlank(q, "yglb", "bq"));
}

std::vector<RosterEntry> RosterStore::entries(Query& q) {
  auto out = rowsOf<RosterEntry>(q, [](const auto& field) {
    return RosterEntry{field("bm").asString(), field("xm").asString(), field("zp").asString(),
                       field("gh").asString(), field("bq").asString()};
  });
  q.close();
  return out;
}

std::vector<int> RosterStore::participantIds() {
  return idList(q_, QStringLiteral("select group_concat(id) as ids from yglb"));
}

std::vector<Participant> RosterStore::participantsBetween(int first, int last) {
  q_.openSql(QStringLiteral("select * from yglb where id>=? and id<=? order by id"), {first, last});
  return rowsOf<Participant>(q_, [](const auto& field) {
    return Participant{field("id").asString(), field("bm").asString(), field("xm").asString(),
                       field("zp").asString(), field("zj").asInteger()};
  });
}

std::vector<RosterWinner> RosterStore::winnersInOrder() {
  const QString gh = addedColumnOrBlank(q_, "yglb", "gh");
  q_.openSql(
      QStringLiteral("select id, xm, bm, zj, zjsx, %1 from yglb where zj>0 order by zjsx, id").arg(gh));
  auto out = rowsOf<RosterWinner>(q_, [](const auto& field) {
    return RosterWinner{field("id").asString(),  field("bm").asString(),   field("xm").asString(),
                        field("zj").asInteger(), field("zjsx").asString(), field("gh").asString()};
  });
  q_.close();
  return out;
}

QStringList RosterStore::departments() {
  return column(q_, QStringLiteral("select bm from yglb group by bm order by bm"), {}, "bm");
}

bool RosterStore::participantExists(const QString& name, const QString& department) {
  q_.openSql(QStringLiteral("select id from yglb where xm=? and bm=?"), {name, department});
  return q_.recordCount() > 0;
}

bool RosterStore::otherParticipantNamed(const QString& name, const QString& department, const QString& id) {
  const int except = checkedId(id);
  q_.openSql(QStringLiteral("select id from  yglb where xm=?and bm=?and id<>?"), {name, department, except});
  return q_.recordCount() > 0;
}

bool RosterStore::photoPathTaken(const QString& photoPath, const QString& exceptId) {
  if (exceptId.isEmpty())
    q_.openSql(QStringLiteral("select id from yglb where zp=?"), {photoPath});
  else
    q_.openSql(QStringLiteral("select id from yglb where zp=? and id<>?"), {photoPath, checkedId(exceptId)});
  return q_.recordCount() > 0;
}

QStringList RosterStore::photoPathsLike(const QString& photoPath) {
  return column(q_, QStringLiteral("select zp from yglb where zp=?"), {photoPath}, "zp");
}

QStringList RosterStore::photoPaths() { return column(q_, QStringLiteral("select zp from yglb"), {}, "zp"); }

void RosterStore::addParticipant(const QString& name, const QString& department, const QString& photoPath,
                                 const QString& employeeId, const QString& tags) {
  // The settings window adds with the statement it always used; an older file opened read-only has no gh.
  if (employeeId.isEmpty() && tags.isEmpty())
    q_.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( ?, ?,? )"),
               {name, department, photoPath});
  else
    q_.execSql(QStringLiteral("insert into yglb (xm, bm, zp, gh, bq) values (?, ?, ?, ?, ?)"),
               {name, department, photoPath, employeeId, tags});
}

bool RosterStore::updateParticipant(const QString& id, const QString& name, const QString& department,
                                    const QString& photoPath) {
  const int row = checkedId(id);
  q_.execSql(QStringLiteral("update  yglb set xm=?, bm=?,zp=? where id=?"),
             {name, department, photoPath, row});
  return q_.rowsAffected() > 0;
}

void RosterStore::deleteParticipant(const QString& id) {
  q_.execSql(QStringLiteral("delete from yglb where id=?"), {checkedId(id)});
}

// Changes that end results are told in the journal, saved together with the change.
void RosterStore::clearRoster() {
  Transaction transaction(q_.connection());
  q_.execSql(QStringLiteral("delete from yglb"));
  appendJournal(q_, {JournalEvent::RosterCleared, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

void RosterStore::clearResults() {
  Transaction transaction(q_.connection());
  // Only the rows that change are written: on a large roster a winner is one row in many.
  q_.execSql(QStringLiteral("update yglb set zj=0,zjsx=0 where zj<>0 or zjsx<>0"));
  appendJournal(q_, {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

}  // namespace ld
