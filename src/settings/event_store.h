#pragma once
// What the settings window reads from and writes to the event database: the event information and the
// roster (the prize plan is PlanStore's). Every statement of the window but the plan's is here, run on the
// one query it is given (the data module's ADOQuerysetting); the window itself only reads its controls,
// calls, and shows. Every function throws DbError when a statement fails.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
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

// The three event-information values; a key whose row is missing reads as nullopt.
struct EventInfo {
  std::optional<QString> companyName;
  std::optional<QString> contactPerson;
  std::optional<QString> contactPhone;
};

class EventStore {
 public:
  explicit EventStore(Query& query) : q_(query) {}

  // Event information.
  EventInfo eventInfo();
  // Values are stored as given; a missing row stays missing. Stops at the first failing statement.
  void saveEventInfo(const QString& companyName, const QString& contactPerson, const QString& contactPhone);

  // The folder the last photo was imported from, kept with the event (empty when none is).
  QString photoFolder();
  void savePhotoFolder(const QString& folder);

  // Roster: the ids of every participant in id order (what the grid lists, a row each), and the
  // participants whose ids lie from first to last, in id order.
  std::vector<int> participantIds();
  std::vector<Participant> participantsBetween(int first, int last);
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
  void addParticipant(const QString& name, const QString& department, const QString& photoPath);
  // Name, department and photo path of one participant; the prize stays. False when no row has this id.
  bool updateParticipant(const QString& id, const QString& name, const QString& department,
                         const QString& photoPath);
  void deleteParticipant(const QString& id);
  void clearRoster();
  // Every participant back to undrawn, draw order 0.
  void clearResults();

 private:
  Query& q_;
};

}  // namespace ld
