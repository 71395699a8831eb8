#include "data/journal.h"

#include <QDateTime>
#include <QVariant>

#include "data/connection.h"
#include "data/prize_levels.h"
#include "data/query.h"
#include "data/schema.h"

namespace ld {

namespace {

QVariant orNull(const std::optional<int>& v) { return v ? QVariant(*v) : QVariant(); }
QVariant orNull(const QString& s) { return s.isNull() ? QVariant() : QVariant(s); }

std::optional<int> optionalInt(const Field& f) {
  if (f.isNull()) return std::nullopt;
  return f.asInteger();
}
QString optionalText(const Field& f) { return f.isNull() ? QString() : f.asString(); }
QString field(const std::optional<int>& v) { return v ? QString::number(*v) : QString(); }

}  // namespace

QString journalEventText(JournalEvent event) {
  switch (event) {
    case JournalEvent::Drawn:
      return QStringLiteral("drawn");
    case JournalEvent::Nobody:
      return QStringLiteral("nobody");
    case JournalEvent::ResultsCleared:
      return QStringLiteral("results cleared");
    case JournalEvent::RosterCleared:
      return QStringLiteral("roster cleared");
    case JournalEvent::PlanChanged:
      return QStringLiteral("plan changed");
    case JournalEvent::Absent:
      return QStringLiteral("absent");
    case JournalEvent::RollCancelled:
      return QStringLiteral("roll cancelled");
    case JournalEvent::Voided:
      return QStringLiteral("voided");
    case JournalEvent::CheckedIn:
      return QStringLiteral("checked in");
    case JournalEvent::CheckInRefused:
      return QStringLiteral("check-in refused");
    case JournalEvent::Sealed:
      return QStringLiteral("sealed");
    case JournalEvent::Entropy:
      return QStringLiteral("entropy");
    case JournalEvent::SealBroken:
      return QStringLiteral("seal broken");
  }
  return {};
}

void appendJournal(Connection& connection, const JournalEntry& e) {
  Query q(connection);
  q.execSql(
      QStringLiteral(
          "insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, rs, gh, jp, gz, yy) values (?, ?, ?, ?, ?, "
          "?, ?, ?, (select gh from yglb where id=?), ?, ?, ?)"),
      {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")),
       journalEventText(e.event), orNull(e.order), orNull(e.level), orNull(e.id), orNull(e.name),
       orNull(e.department), orNull(e.poolSize), orNull(e.id), orNull(e.prize), orNull(e.rule),
       orNull(e.reason)});
}

void appendJournal(Query& query, const JournalEntry& entry) { appendJournal(query.connection(), entry); }

namespace {

// Journal rows as `statement` (with %1 for the column list, ordered as wanted) selects them.
std::vector<JournalRow> journalRows(Query& q, const QString& statement) {
  QStringList columns{QStringLiteral("xh, sj, lx, zjsx, zj, ygid, xm, bm, rs")};
  for (const char* added : {"gh", "jp", "gz", "yy"}) columns << addedColumnOrBlank(q, "cjrz", added);
  q.openSql(statement.arg(columns.join(QStringLiteral(", "))));
  std::vector<JournalRow> rows;
  rows.reserve(size_t(q.recordCount()));
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    auto f = [&](const char* name) { return q.fieldByName(QString::fromLatin1(name)); };
    rows.push_back({f("xh").asString().toLongLong(), f("sj").asString(), f("lx").asString(),
                    optionalInt(f("zjsx")), optionalInt(f("zj")), optionalInt(f("ygid")),
                    optionalText(f("xm")), optionalText(f("bm")), optionalInt(f("rs")), optionalText(f("gh")),
                    optionalText(f("jp")), optionalText(f("gz")), optionalText(f("yy"))});
  }
  return rows;
}

}  // namespace

std::vector<JournalRow> readJournal(Connection& connection) {
  Query q(connection);
  if (!hasJournal(q)) return {};
  return journalRows(q, QStringLiteral("select %1 from cjrz order by xh"));
}

std::optional<JournalRow> latestJournalRow(Query& q) {
  std::vector<JournalRow> rows =
      journalRows(q, QStringLiteral("select %1 from cjrz order by xh desc limit 1"));
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

bool hasJournal(Query& q) {
  q.openSql(QStringLiteral("select name from sqlite_master where type='table' and name='cjrz'"));
  return q.recordCount() > 0;
}

QHash<QString, QString> drawnTimes(Query& q) {
  q.openSql(QStringLiteral("select ygid, zjsx, sj from cjrz where lx='drawn' order by xh"));
  QHash<QString, QString> times;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    const auto text = [&](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
    times.insert(text("ygid") + QLatin1Char('/') + text("zjsx"), text("sj"));
  }
  q.close();
  return times;
}

QHash<QString, AbsenceRecord> absences(Query& q) {
  q.openSql(QStringLiteral("select ygid, zjsx, zj, sj from cjrz where lx='absent' order by xh"));
  QHash<QString, AbsenceRecord> out;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    const auto field = [&](const char* name) { return q.fieldByName(QLatin1String(name)); };
    out.insert(field("ygid").asString(),
               {field("zjsx").asInteger(), field("zj").asInteger(), field("sj").asString()});
  }
  q.close();
  return out;
}

QHash<QString, VoidedWin> voidings(Query& q) {
  // Columns a later version added read blank in an older file opened read-only.
  const auto column = [&](const char* table, const char* alias, const char* name) {
    const QString found = addedColumnOrBlank(q, table, name);
    return found == QLatin1String(name) ? QStringLiteral("%1.%2 as %2").arg(QLatin1String(alias), found)
                                        : found;
  };
  q.openSql(
      QStringLiteral("select c.ygid, c.zjsx, c.zj, c.sj, %1, %2, y.xm, y.bm, %3 from cjrz c join yglb y "
                     "on y.id=c.ygid where c.lx='voided' and y.zj=? order by c.xh")
          .arg(column("cjrz", "c", "jp"), column("cjrz", "c", "yy"), column("yglb", "y", "gh")),
      {kVoided});
  QHash<QString, VoidedWin> out;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    const auto field = [&](const char* name) { return q.fieldByName(QLatin1String(name)); };
    out.insert(
        field("ygid").asString(),
        {field("zjsx").asInteger(), field("zj").asInteger(), field("sj").asString(), field("jp").asString(),
         field("yy").asString(), field("bm").asString(), field("xm").asString(), field("gh").asString()});
  }
  q.close();
  return out;
}

QString journalLine(const JournalRow& r) {
  // A tab or line break inside a name would break the line into fields that are not there.
  auto text = [](QString s) {
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return s;
  };
  return QStringList{QString::number(r.seq),
                     r.time,
                     r.event,
                     field(r.order),
                     field(r.level),
                     field(r.id),
                     text(r.name),
                     text(r.department),
                     field(r.poolSize),
                     text(r.employeeId),
                     text(r.prize),
                     text(r.rule),
                     text(r.reason)}
      .join(QLatin1Char('\t'));
}

}  // namespace ld
