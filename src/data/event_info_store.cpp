#include "data/event_info_store.h"

#include "data/query.h"

namespace ld {

namespace {

std::optional<QString> firstText(Query& q, const QString& statement, const char* column) {
  q.openSql(statement);
  if (q.recordCount() < 1) return std::nullopt;
  return q.fieldByName(QLatin1String(column)).asString();
}

}  // namespace

EventInfo EventInfoStore::eventInfo() {
  EventInfo info;
  info.companyName = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='GSMC'"), "sz");
  info.contactPerson = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='LXRY'"), "sz");
  info.contactPhone = firstText(q_, QStringLiteral("select top 1 * from JCSZ where xm='LXDH'"), "sz");
  return info;
}

void EventInfoStore::saveEventInfo(const QString& companyName, const QString& contactPerson,
                                   const QString& contactPhone) {
  q_.execSql(QStringLiteral("update JCSZ set sz=? where xm='GSMC'"), {companyName});
  q_.execSql(QStringLiteral("update JCSZ set sz=? where xm='lxry'"), {contactPerson});
  q_.execSql(QStringLiteral("update JCSZ set sz=? where xm='lxdh'"), {contactPhone});
}

// A switch row of its own. Older programs read only the row they know, so the file stays theirs too; the
// value is an absolute path, so the number column keeps it as text.
QString EventInfoStore::photoFolder() {
  return firstText(q_, QStringLiteral("select top 1 sz from sy where symc='ZPML'"), "sz").value_or(QString());
}

void EventInfoStore::savePhotoFolder(const QString& folder) {
  q_.execSql(QStringLiteral("update sy set sz=? where symc='ZPML'"), {folder});
  if (q_.rowsAffected() == 0)
    q_.execSql(QStringLiteral("insert into sy (symc, sz) values ('ZPML', ?)"), {folder});
}

}  // namespace ld
