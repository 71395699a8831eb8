#include "transfer/results_export.h"

#include <QDateTime>
#include <QHash>

#include "data/prize_levels.h"
#include "data/query.h"
#include "transfer/table_file.h"

namespace ld {

namespace {

// The words of an exported table, written out here rather than translated: the file must not depend on
// which language the program happens to speak.
struct TableWords {
  QString order, prize, department, name, time, photo, winnersSheet, rosterSheet, outsidePlan;
  QString prizes[4];  // empty: the stored names
};

const TableWords& wordsFor(TableLanguage language) {
  static const TableWords chinese{QStringLiteral("中奖顺序"), QStringLiteral("奖项"),
                                  QStringLiteral("部门"),     QStringLiteral("姓名"),
                                  QStringLiteral("抽奖时间"), QStringLiteral("照片"),
                                  QStringLiteral("中奖名单"), QStringLiteral("员工名单"),
                                  QStringLiteral("计划外"),   {}};
  static const TableWords english{QStringLiteral("Draw order"),
                                  QStringLiteral("Prize"),
                                  QStringLiteral("Department"),
                                  QStringLiteral("Name"),
                                  QStringLiteral("Time of draw"),
                                  QStringLiteral("Photo"),
                                  QStringLiteral("Winners"),
                                  QStringLiteral("Roster"),
                                  QStringLiteral("Outside the plan"),
                                  {QStringLiteral("First prize"), QStringLiteral("Second prize"),
                                   QStringLiteral("Third prize"), QStringLiteral("Lucky prize")}};
  return language == TableLanguage::English ? english : chinese;
}

QString prizeText(int level, const TableWords& words) {
  if (level == kOutsidePlan) return words.outsidePlan;
  const QString name = prizeName(level);
  if (name.isEmpty()) return QString::number(level);
  const QString& other = words.prizes[level - 1];
  return other.isEmpty() ? name : other;
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

std::vector<QStringList> winnersTable(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
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
  QStringList header = {words.order, words.prize, words.department, words.name};
  if (journal) header << words.time;
  rows.push_back(header);
  q.openSql(QStringLiteral("select id, xm, bm, zj, zjsx from yglb where zj>0 order by zjsx, id"));
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    QStringList row = {field(q, "zjsx"), prizeText(q.fieldByName(QStringLiteral("zj")).asInteger(), words),
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

std::vector<QStringList> rosterTable(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
  std::vector<QStringList> rows;
  rows.push_back({words.department, words.name, words.photo});
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

int exportResults(const QString& file, Query& q, TableLanguage language) {
  const auto rows = winnersTable(q, language);
  writeTable(file, rows, wordsFor(language).winnersSheet);
  return int(rows.size()) - 1;
}

int exportRoster(const QString& file, Query& q, TableLanguage language) {
  const auto rows = rosterTable(q, language);
  writeTable(file, rows, wordsFor(language).rosterSheet);
  return int(rows.size()) - 1;
}

}  // namespace ld
