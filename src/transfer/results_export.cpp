#include "transfer/results_export.h"

#include <QDateTime>
#include <QHash>

#include "data/prize_levels.h"
#include "data/query.h"
#include "transfer/table_file.h"

namespace ld {

namespace {

QString prizeText(int level) {
  if (level == kOutsidePlan) return QStringLiteral("计划外");
  const QString name = prizeName(level);
  return name.isEmpty() ? QString::number(level) : name;
}

// The journal came with a later version; older event files have none.
bool hasJournal(Query& q) {
  q.openSql(QStringLiteral("select name from sqlite_master where type='table' and name='cjrz'"));
  return q.recordCount() > 0;
}

QString drawTime(const QString& stored) {
  const QDateTime t = QDateTime::fromString(stored, Qt::ISODateWithMs);
  return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : stored;
}

QString field(Query& q, const char* name) { return q.fieldByName(QLatin1String(name)).asString(); }

}  // namespace

std::vector<QStringList> winnersTable(Query& q) {
  // Winner id and draw order -> time of the latest draw record for them.
  QHash<QString, QString> times;
  const bool journal = hasJournal(q);
  if (journal) {
    q.openSql(QStringLiteral("select ygid, zjsx, sj from cjrz where lx='drawn' order by xh"));
    q.first();
    for (int r = 0; r < q.recordCount(); ++r, q.next())
      times.insert(field(q, "ygid") + QLatin1Char('/') + field(q, "zjsx"), field(q, "sj"));
  }
  std::vector<QStringList> rows;
  QStringList header = {QStringLiteral("中奖顺序"), QStringLiteral("奖项"), QStringLiteral("部门"),
                        QStringLiteral("姓名")};
  if (journal) header << QStringLiteral("抽奖时间");
  rows.push_back(header);
  q.openSql(QStringLiteral("select id, xm, bm, zj, zjsx from yglb where zj>0 order by zjsx, id"));
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    QStringList row = {field(q, "zjsx"), prizeText(q.fieldByName(QStringLiteral("zj")).asInteger()),
                       field(q, "bm"), field(q, "xm")};
    if (journal) {
      const QString sj = times.value(field(q, "id") + QLatin1Char('/') + field(q, "zjsx"));
      row << (sj.isEmpty() ? QString() : drawTime(sj));
    }
    rows.push_back(row);
  }
  q.close();
  return rows;
}

std::vector<QStringList> rosterTable(Query& q) {
  std::vector<QStringList> rows;
  rows.push_back({QStringLiteral("部门"), QStringLiteral("姓名"), QStringLiteral("照片")});
  q.openSql(QStringLiteral("select xm, bm, zp from yglb order by id"));
  rows.reserve(size_t(q.recordCount()) + 1);
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    QString photo = field(q, "zp").trimmed();
    photo.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (photo.startsWith(QLatin1String("zp/"), Qt::CaseInsensitive)) photo = photo.mid(3);
    rows.push_back({field(q, "bm"), field(q, "xm"), photo});
  }
  q.close();
  return rows;
}

int exportResults(const QString& file, Query& q) {
  const auto rows = winnersTable(q);
  writeTable(file, rows, QStringLiteral("中奖名单"));
  return int(rows.size()) - 1;
}

int exportRoster(const QString& file, Query& q) {
  const auto rows = rosterTable(q);
  writeTable(file, rows, QStringLiteral("员工名单"));
  return int(rows.size()) - 1;
}

}  // namespace ld
