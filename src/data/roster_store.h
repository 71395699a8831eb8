#pragma once
// The roster (yglb): who takes part, their photo path, and what they won. The settings window, the roster
// import, the exports and eventdb all read and write it here. Every function throws DbError when a
// statement fails.
#include <QString>
#include <QStringList>
#include <vector>

namespace ld {

class Query;

// One row of the roster as the grid lists it.
struct Participant {
  QString id;  // as text, the way the grid and the window's hidden label hold it
  QString department;
  QString name;
  QString photoPath;  // stored form: "zp\" + department + "_" + name + ".jpg"
  int prizeLevel = 0;
};

// A participant's department, name and stored photo path, as they are stored.
struct RosterEntry {
  QString department;
  QString name;
  QString photoPath;
  QString employeeId;  // gh: the HR employee number (工号); empty when the roster came without one
  QString tags;        // bq: tags separated by ',' or '，'
};

// A winner (zj > 0) as the results list shows one.
struct RosterWinner {
  QString id;
  QString department;
  QString name;
  int level = 0;  // zj
  QString order;  // zjsx, as text
  QString employeeId;
};

class RosterStore {
 public:
  explicit RosterStore(Query& query) : q_(query) {}
  // Ids arrive as text; one that is not a whole number throws DbError before any statement runs.

  // The ids of every participant in id order (what the grid lists, a row each), and the participants
  // whose ids lie from first to last, in id order.
  std::vector<int> participantIds();
  std::vector<Participant> participantsBetween(int first, int last);
  // Every participant in id order.
  std::vector<RosterEntry> entriesInOrder();
  // Every winner in draw order (ties by id).
  std::vector<RosterWinner> winnersInOrder();
  // Each department once, in the database's text order.
  QStringList departments();
  // Whether a participant has this name and department (compared as the database compares text).
  bool participantExists(const QString& name, const QString& department);
  // The same, leaving out the participant with this id.
  bool otherParticipantNamed(const QString& name, const QString& department, const QString& id);
  // Whether another row than exceptId (empty: any row) stores this photo path.
  bool photoPathTaken(const QString& photoPath, const QString& exceptId);
  // The stored photo paths equal to this one as the database compares text (letter case ignored).
  QStringList photoPathsLike(const QString& photoPath);
  // Every stored photo path, one per row.
  QStringList photoPaths();
  // The one way a participant is added: undrawn, with the values stored exactly as given.
  void addParticipant(const QString& name, const QString& department, const QString& photoPath,
                      const QString& employeeId = {}, const QString& tags = {});
  // Name, department and photo path of one participant; the prize stays. False when no row has this id.
  bool updateParticipant(const QString& id, const QString& name, const QString& department,
                         const QString& photoPath);
  void deleteParticipant(const QString& id);
  void clearRoster();
  // Every participant back to undrawn, draw order 0.
  void clearResults();

 private:
  friend class ImportStore;
  // The columns of a RosterEntry (xm, bm, zp, gh, bq) as a select list names them.
  static QString entryColumns(Query& q);
  // Every row of the query's result, selected with entryColumns; closes the query.
  static std::vector<RosterEntry> entries(Query& q);
  Query& q_;
};

}  // namespace ld
