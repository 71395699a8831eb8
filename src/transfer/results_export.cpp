#include "transfer/results_export.h"

#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <climits>

#include "data/journal.h"
#include "data/plan_store.h"
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
  QString status, won, absent, employeeId, tags, voided, reason;
};

const TableWords& wordsFor(TableLanguage language) {
  static const TableWords chinese{QStringLiteral("中奖顺序"), QStringLiteral("奖项"),
                                  QStringLiteral("部门"),     QStringLiteral("姓名"),
                                  QStringLiteral("抽奖时间"), QStringLiteral("照片"),
                                  QStringLiteral("中奖名单"), QStringLiteral("员工名单"),
                                  QStringLiteral("计划外"),   {},
                                  QStringLiteral("状态"),     QStringLiteral("中奖"),
                                  QStringLiteral("缺席"),     QStringLiteral("工号"),
                                  QStringLiteral("标签"),     QStringLiteral("作废"),
                                  QStringLiteral("作废原因")};
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
                                   QStringLiteral("Third prize"), QStringLiteral("Lucky prize")},
                                  QStringLiteral("Status"),
                                  QStringLiteral("Won"),
                                  QStringLiteral("Absent"),
                                  QStringLiteral("Employee number"),
                                  QStringLiteral("Tags"),
                                  QStringLiteral("Voided"),
                                  QStringLiteral("Reason for voiding")};
  return language == TableLanguage::English ? english : chinese;
}

// An extra prize goes by the name the plan gives it, or failing that the journal (`stored`), in either
// language.
QString prizeText(int level, const TableWords& words, const PrizePlan& plan, const QString& stored = {}) {
  if (level == kOutsidePlan) return words.outsidePlan;
  const QString name = prizeName(level);
  if (name.isEmpty()) {
    const Prize* extra = plan.prize(level);
    if (extra && !extra->name.isEmpty()) return extra->name;
    return stored.isEmpty() ? QString::number(level) : stored;
  }
  const QString& other = words.prizes[level - 1];
  return other.isEmpty() ? name : other;
}

QString drawTime(const QString& stored) {
  const QDateTime t = QDateTime::fromString(stored, Qt::ISODateWithMs);
  return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : stored;
}

// The winners' table and how each column is stored in a workbook.
struct WinnersSheet {
  std::vector<QStringList> rows;
  std::vector<ColumnKind> kinds;
  int winners = 0;  // the rows of winners, absent ones not counted
};

WinnersSheet winnersSheet(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
  // The journal came with a later version; older event files have none.
  const bool journal = hasJournal(q);
  const QHash<QString, QString> times = journal ? drawnTimes(q) : QHash<QString, QString>();
  const QHash<QString, AbsenceRecord> absent = journal ? absences(q) : QHash<QString, AbsenceRecord>();
  const QHash<QString, VoidedWin> voided = journal ? voidings(q) : QHash<QString, VoidedWin>();
  const PrizePlan plan = PlanStore(q).forBoard();
  RosterStore store(q);
  enum class Status { Won, Absent, Voided };
  struct Line {
    RosterWinner w;
    int order;  // absent ones the journal does not place come last
    Status status;
    QString prize, reason;  // a voided win's, as the journal tells
  };
  std::vector<Line> lines;
  for (RosterWinner& w : store.winnersInOrder()) {
    const int order = w.order.toInt();
    lines.push_back({std::move(w), order, Status::Won, {}, {}});
  }
  for (RosterWinner& w : store.absentWinners()) {
    const auto found = absent.constFind(w.id);
    w.level = found == absent.cend() ? 0 : found->level;
    w.order = found == absent.cend() ? QString() : QString::number(found->order);
    const int order = found == absent.cend() ? INT_MAX : found->order;
    lines.push_back({std::move(w), order, Status::Absent, {}, {}});
  }
  for (auto v = voided.cbegin(); v != voided.cend(); ++v)
    lines.push_back({{v.key(), v->department, v->name, v->level, QString::number(v->order), v->employeeId},
                     v->order,
                     Status::Voided,
                     v->prize,
                     v->reason});
  // An absent winner was drawn before the one who took their place, at the same order; a voided win keeps
  // an order of its own. The ids break ties the hash's order would leave to chance.
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    if (a.order != b.order) return a.order < b.order;
    if (a.status != b.status) return a.status != Status::Won && b.status == Status::Won;
    return a.w.id.toInt() < b.w.id.toInt();
  });
  const auto any = [&](Status status) {
    return std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return l.status == status; });
  };
  const bool anyVoided = any(Status::Voided);
  const bool statusColumn = any(Status::Absent) || anyVoided;
  // Events without employee numbers export as they always did.
  const bool numbers =
      std::any_of(lines.begin(), lines.end(), [](const Line& l) { return !l.w.employeeId.isEmpty(); });

  WinnersSheet sheet;
  sheet.rows.push_back({words.order, words.prize, words.department, words.name});
  sheet.kinds = {ColumnKind::Auto, ColumnKind::Text, ColumnKind::Text, ColumnKind::Text};
  if (numbers) {
    sheet.rows[0] << words.employeeId;
    sheet.kinds.push_back(ColumnKind::Text);
  }
  if (journal) {
    sheet.rows[0] << words.time;
    sheet.kinds.push_back(ColumnKind::DateTime);
  }
  if (statusColumn) {
    sheet.rows[0] << words.status;
    sheet.kinds.push_back(ColumnKind::Text);
  }
  if (anyVoided) {
    sheet.rows[0] << words.reason;
    sheet.kinds.push_back(ColumnKind::Text);
  }
  for (const Line& l : lines) {
    const RosterWinner& w = l.w;
    QStringList row = {w.order, w.level ? prizeText(w.level, words, plan, l.prize) : QString(), w.department,
                       w.name};
    if (numbers) row << w.employeeId;
    if (journal) {
      const QString sj = times.value(w.id + QLatin1Char('/') + w.order);
      row << (sj.isEmpty() ? QString() : drawTime(sj));
    }
    if (statusColumn)
      row << (l.status == Status::Absent   ? words.absent
              : l.status == Status::Voided ? words.voided
                                           : words.won);
    if (anyVoided) row << l.reason;
    if (l.status == Status::Won) ++sheet.winners;
    sheet.rows.push_back(row);
  }
  return sheet;
}

}  // namespace

std::vector<QStringList> winnersTable(Query& q, TableLanguage language) {
  return winnersSheet(q, language).rows;
}

std::vector<QStringList> rosterTable(Query& q, TableLanguage language) {
  const TableWords& words = wordsFor(language);
  std::vector<QStringList> rows;
  rows.push_back({words.department, words.name, words.photo});
  const std::vector<RosterEntry> roster = RosterStore(q).entriesInOrder();
  // The columns a roster without them never had stay out, so that such a table is as it always was.
  const bool numbers =
      std::any_of(roster.begin(), roster.end(), [](const RosterEntry& e) { return !e.employeeId.isEmpty(); });
  const bool tags =
      std::any_of(roster.begin(), roster.end(), [](const RosterEntry& e) { return !e.tags.isEmpty(); });
  if (numbers) rows[0] << words.employeeId;
  if (tags) rows[0] << words.tags;
  rows.reserve(roster.size() + 1);
  for (const RosterEntry& e : roster) {
    QString photo = e.photoPath.trimmed();
    photo.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (photo.startsWith(QLatin1String("zp/"), Qt::CaseInsensitive)) photo = photo.mid(3);
    QStringList row = {e.department, e.name, photo};
    if (numbers) row << e.employeeId;
    if (tags) row << e.tags;
    rows.push_back(row);
  }
  return rows;
}

int exportResults(const QString& file, Query& q, TableLanguage language) {
  const WinnersSheet sheet = winnersSheet(q, language);
  writeTable(file, sheet.rows, wordsFor(language).winnersSheet, sheet.kinds);
  return sheet.winners;
}

int exportRoster(const QString& file, Query& q, TableLanguage language) {
  const auto rows = rosterTable(q, language);
  // Every value as text: an employee number "00123" keeps its zeros, "10023" reads back as it was.
  writeTable(file, rows, wordsFor(language).rosterSheet,
             std::vector<ColumnKind>(size_t(rows.front().size()), ColumnKind::Text));
  return int(rows.size()) - 1;
}

}  // namespace ld
