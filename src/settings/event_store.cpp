#include "settings/event_store.h"

#include "data/db_error.h"
#include "data/journal.h"
#include "data/query.h"
#include "data/transaction.h"
#include "framework/text.h"

namespace ld {

namespace {

QString esc(const QString& text) { return sqlEscape(text); }

// An id goes into a statement bare, so it must be a number and nothing else.
const QString& checkedId(const QString& id) {
  if (!isWholeNumber(id.trimmed())) throw DbError(Tr::tr("无效的员工编号“%1”").arg(id));
  return id;
}

std::optional<QString> firstText(Query& q, const QString& statement, const char* column) {
  q.openSql(statement);
  if (q.recordCount() < 1) return std::nullopt;
  return q.fieldByName(QLatin1String(column)).asString();
}

QStringList column(Query& q, const QString& statement, const char* name) {
  q.openSql(statement);
  QStringList out;
  out.reserve(q.recordCount());
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) out << q.fieldByName(QLatin1String(name)).asString();
  return out;
}

}  // namespace

EventInfo EventStore::eventInfo() {
  EventInfo info;
  info.companyName = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='GSMC'"), "sz");
  info.contactPerson = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='LXRY'"), "sz");
  info.contactPhone = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='LXDH'"), "sz");
  return info;
}

void EventStore::saveEventInfo(const QString& companyName, const QString& contactPerson,
                               const QString& contactPhone) {
  q_.execSql(QStringLiteral("update JCSZ set sz='") + esc(companyName) + QStringLiteral("' where xm='GSMC'"));
  q_.execSql(QStringLiteral("update JCSZ set sz='") + esc(contactPerson) +
             QStringLiteral("' where xm='lxry'"));
  q_.execSql(QStringLiteral("update JCSZ set sz='") + esc(contactPhone) +
             QStringLiteral("' where xm='lxdh'"));
}

// A switch row of its own. Older programs read only the row they know, so the file stays theirs too; the
// value is an absolute path, so the number column keeps it as text.
QString EventStore::photoFolder() {
  return firstText(q_, QStringLiteral("select top 1 sz from sy where symc='ZPML'"), "sz").value_or(QString());
}

void EventStore::savePhotoFolder(const QString& folder) {
  q_.execSql(QStringLiteral("update sy set sz='") + esc(folder) + QStringLiteral("' where symc='ZPML'"));
  if (q_.rowsAffected() == 0)
    q_.execSql(QStringLiteral("insert into sy (symc, sz) values ('ZPML', '") + esc(folder) +
               QStringLiteral("')"));
}

std::vector<int> EventStore::participantIds() {
  return idList(q_, QStringLiteral("select group_concat(id) as ids from yglb"));
}

std::vector<Participant> EventStore::participantsBetween(int first, int last) {
  q_.openSql(QStringLiteral("select * from yglb where id>=") + QString::number(first) +
             QStringLiteral(" and id<=") + QString::number(last) + QStringLiteral(" order by id"));
  std::vector<Participant> rows;
  rows.reserve(size_t(q_.recordCount()));
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next()) {
    const auto field = [&](const char* name) { return q_.fieldByName(QLatin1String(name)); };
    rows.push_back({field("id").asString(), field("bm").asString(), field("xm").asString(),
                    field("zp").asString(), field("zj").asInteger()});
  }
  return rows;
}

QStringList EventStore::departments() {
  return column(q_, QStringLiteral("select bm from yglb group by bm order by bm"), "bm");
}

bool EventStore::participantExists(const QString& name, const QString& department) {
  q_.openSql(QStringLiteral("select id from yglb where xm='") + esc(name) + QStringLiteral("' and bm='") +
             esc(department) + QStringLiteral("'"));
  return q_.recordCount() > 0;
}

bool EventStore::otherParticipantNamed(const QString& name, const QString& department, const QString& id) {
  q_.openSql(QStringLiteral("select id from  yglb where xm='") + esc(name) + QStringLiteral("'and bm='") +
             esc(department) + QStringLiteral("'and id<>") + checkedId(id));
  return q_.recordCount() > 0;
}

bool EventStore::photoPathTaken(const QString& photoPath, const QString& exceptId) {
  QString statement = QStringLiteral("select id from yglb where zp='") + esc(photoPath) + QStringLiteral("'");
  if (!exceptId.isEmpty()) statement += QStringLiteral(" and id<>") + checkedId(exceptId);
  q_.openSql(statement);
  return q_.recordCount() > 0;
}

QStringList EventStore::photoPathsLike(const QString& photoPath) {
  return column(q_, QStringLiteral("select zp from yglb where zp='") + esc(photoPath) + QStringLiteral("'"),
                "zp");
}

QStringList EventStore::photoPaths() { return column(q_, QStringLiteral("select zp from yglb"), "zp"); }

void EventStore::addParticipant(const QString& name, const QString& department, const QString& photoPath) {
  q_.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '") + esc(name) +
             QStringLiteral("', '") + esc(department) + QStringLiteral("','") + esc(photoPath) +
             QStringLiteral("' )"));
}

bool EventStore::updateParticipant(const QString& id, const QString& name, const QString& department,
                                   const QString& photoPath) {
  q_.execSql(QStringLiteral("update  yglb set xm='") + esc(name) + QStringLiteral("', bm='") +
             esc(department) + QStringLiteral("',zp='") + esc(photoPath) + QStringLiteral("' where id=") +
             checkedId(id));
  return q_.rowsAffected() > 0;
}

void EventStore::deleteParticipant(const QString& id) {
  q_.execSql(QStringLiteral("delete from yglb where id=") + checkedId(id));
}

// Changes that end results are told in the journal, saved together with the change.
void EventStore::clearRoster() {
  Transaction transaction(q_.connection());
  q_.execSql(QStringLiteral("delete from yglb"));
  appendJournal(q_, {JournalEvent::RosterCleared, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

void EventStore::clearResults() {
  Transaction transaction(q_.connection());
  // Only the rows that change are written: on a large roster a winner is one row in many.
  q_.execSql(QStringLiteral("update yglb set zj=0,zjsx=0 where zj<>0 or zjsx<>0"));
  appendJournal(q_, {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
  transaction.commit();
}

}  // namespace ld
