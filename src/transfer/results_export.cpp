#include "transfer/results_export.h"

#include <QDateTime>
#include <QHash>

#include "data/journal.h"
#include "data/prize_levels.h"
#include "data/roster_store.h"
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

QString drawTime(const QString& stored) {
  const QDateTime t = QDateTime::fromString(stored, Qt::ISODateWithMs);
  return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : stored;
}

}  // namespace

std::vector<QStringList> winnersTable(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
  // The journal came with a later version; older event files have none.
  const bool journal = hasJournal(q);
  const QHash<QString, QString> times = journal ? drawnTimes(q) : QHash<QString, QString>();
  std::vector<QStringList> rows;
  QStringList header = {words.order, words.prize, words.department, words.name};
  if (journal) header << words.time;
  rows.push_back(header);
  for (const RosterWinner& w : RosterStore(q).winnersInOrder()) {
    QStringList row = {w.order, prizeText(w.level, words), w.department, w.name};
    if (journal) {
      const QString sj = times.value(w.id + QLatin1Char('/') + w.order);
      row << (sj.isEmpty() ? QString() : drawTime(sj));
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<QStringList> rosterTable(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
  std::vector<QStringList> rows;
  rows.push_back({words.department, words.name, words.photo});
  const std::vector<RosterEntry> roster = RosterStore(q).entriesInOrder();
  rows.reserve(roster.size() + 1);
  for (const RosterEntry& e : roster) {
    QString photo = e.photoPath.trimmed();
    photo.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (photo.startsWith(QLatin1String("zp/"), Qt::CaseInsensitive)) photo = photo.mid(3);
    rows.push_back({e.department, e.name, photo});
  }
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
