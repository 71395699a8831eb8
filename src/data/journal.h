#pragma once
// The draw journal: one row per draw and per change that ends results, written with the change itself and
// never changed afterwards, so an event's course can be shown after the fact.
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace ld {

class Connection;
class Query;

enum class JournalEvent {
  Drawn,
  Nobody,
  ResultsCleared,
  RosterCleared,
  PlanChanged,
  Absent,
  RollCancelled,
  Voided,
  CheckedIn,
  CheckInRefused,
  Sealed,
  Entropy,
  SealBroken
};

// What the journal's lx column holds: "drawn", "nobody", "results cleared", "roster cleared",
// "plan changed", "absent", "roll cancelled", "voided", "checked in", "check-in refused", "sealed",
// "entropy", "seal broken".
QString journalEventText(JournalEvent event);

struct JournalEntry {
  JournalEvent event;
  std::optional<int> order;     // zjsx: the draw order
  std::optional<int> level;     // zj: the prize level given
  std::optional<int> id;        // ygid: the winner's id
  QString name;                 // xm (a null QString is stored as NULL)
  QString department;           // bm
  std::optional<int> poolSize;  // rs: how many were eligible
  QString prize = {};           // jp: the prize's name as stored; null for none
  QString rule = {};            // gz: the prize's rule written out, empty for everyone; null for no prize
  QString reason = {};          // yy: why a win was voided; how a check-in came (or why it was refused);
                                // the seal, the public entropy, why a seal was broken
};

struct JournalRow {
  qint64 seq = 0;  // xh
  QString time;    // sj: local time, yyyy-MM-ddTHH:mm:ss.zzz
  QString event;   // lx
  std::optional<int> order, level, id;
  QString name, department;  // null when NULL
  std::optional<int> poolSize;
  QString employeeId;           // gh: the winner's employee number as the roster held it; null when NULL
  QString prize, rule, reason;  // jp, gz, yy; null when NULL
};

// Adds one row stamped with the local time now; a row naming a participant also keeps their employee number.
// It joins whatever transaction the caller has begun, so the row and the change it tells of are saved
// together or not at all. Throws DbError.
void appendJournal(Connection& connection, const JournalEntry& entry);
// The same on the query's connection; the query's own result stays as it was.
void appendJournal(Query& query, const JournalEntry& entry);

// Every row in the order written; empty when the file has no journal (an older file that could not be
// written when it was opened).
std::vector<JournalRow> readJournal(Connection& connection);
// The row written last; nothing when the journal is empty. Throws DbError, also for a file without one.
std::optional<JournalRow> latestJournalRow(Query& query);

// Whether the file has a journal: it came with a later version, and an older file that could not be written
// when it was opened has none.
bool hasJournal(Query& query);
// The time (sj) of the latest "drawn" row for each winner, keyed by winner id and draw order as
// "id/order". Throws DbError, also for a file without a journal.
QHash<QString, QString> drawnTimes(Query& query);

// The latest "absent" row of each participant, keyed by id: the order and level the absent winner was
// drawn at, and when. Throws DbError, also for a file without a journal.
struct AbsenceRecord {
  int order = 0, level = 0;
  QString time;
};
QHash<QString, AbsenceRecord> absences(Query& query);

// The latest "voided" row of each participant whose win is still taken back (the roster holds them voided),
// keyed by id: the order, level and prize the win was, when and why it was taken back, and the participant
// as the roster holds them now. Throws DbError, also for a file without a journal.
struct VoidedWin {
  int order = 0, level = 0;
  QString time, prize, reason;
  QString department, name, employeeId;
};
QHash<QString, VoidedWin> voidings(Query& query);

// One row as a line of tab-separated fields in the table's column order; NULL as an empty field.
QString journalLine(const JournalRow& row);

}  // namespace ld
