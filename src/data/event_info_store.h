#pragma once
// The event information (JCSZ: company, contact person, contact phone) and the folder photos were last
// imported from, kept with the event. Every function throws DbError when a statement fails.
#include <QString>
#include <optional>

namespace ld {

class Query;

// The three event-information values; a key whose row is missing reads as nullopt.
struct EventInfo {
  std::optional<QString> companyName;
  std::optional<QString> contactPerson;
  std::optional<QString> contactPhone;
};

class EventInfoStore {
 public:
  explicit EventInfoStore(Query& query) : q_(query) {}

  EventInfo eventInfo();
  // Values are stored as given; a missing row stays missing. Stops at the first failing statement.
  void saveEventInfo(const QString& companyName, const QString& contactPerson, const QString& contactPhone);

  // The folder the last photo was imported from (empty when none is).
  QString photoFolder();
  void savePhotoFolder(const QString& folder);

 private:
  Query& q_;
};

}  // namespace ld
