#pragma once
// What a roster import (the settings window's and eventdb's) reads and writes: the roster as it stands,
// to check new rows against, and the new participants. eventdb demo fills a roster the same way.
#include <QString>
#include <vector>

#include "data/roster_store.h"

namespace ld {

class Query;

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

 private:
  Query& q_;
  RosterStore roster_;
};

}  // namespace ld
