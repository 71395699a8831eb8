#pragma once
// What a roster import (the settings window's and eventdb's) reads and writes: the roster as it stands,
// to check new rows against, and the new participants. eventdb demo fills a roster the same way.
#include <QString>
#include <vector>

#include "data/roster_store.h"

namespace ld {

class Query;

// A participant as an update of the roster finds them.
struct RosterMember {
  int id = 0;
  RosterEntry entry;
  int prizeLevel = 0;  // zj: non-zero once drawn (a winner, or recorded absent)
  int order = 0;       // zjsx
};

class ImportStore {
 public:
  explicit ImportStore(Query& query) : q_(query), roster_(query) {}

  // Every participant as stored, in no particular order.
  std::vector<RosterEntry> roster();
  // Adds one participant (an empty photo path: none), as the settings window adds one.
  void add(const QString& name, const QString& department, const QString& photoPath,
           const QString& employeeId = {}, const QString& tags = {}) {
    roster_.addParticipant(name, department, photoPath, employeeId, tags);
  }
  // Every participant with id and prize, in id order.
  std::vector<RosterMember> members();
  // Changes who a participant is; the prize, the draw order and the id stay. False when no row has it.
  bool update(int id, const QString& name, const QString& department, const QString& photoPath,
              const QString& employeeId, const QString& tags);
  // Takes out one participant who was never drawn; false when there is none such.
  bool removeUndrawn(int id);

 private:
  Query& q_;
  RosterStore roster_;
};

}  // namespace ld
