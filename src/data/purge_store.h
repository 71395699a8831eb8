#pragma once
// Taking what an event holds about people out of its database once the event is over: the roster (or all
// of it but the winners' names, departments and prizes), employee numbers, personal codes, check-in times and
// phones, tags, photo paths, the names in the journal, people kept out by a prize's rule, and the contact
// person. Photo files are the caller's to remove.
#include <QString>

namespace ld {

class Query;

struct PurgeResult {
  int removedPeople = 0;  // rows taken out of the roster
  int keptWinners = 0;    // rows kept with their name, department, prize and draw order only
  int journalRows = 0;    // journal rows that lost a name, department or employee number
  int rulesCleared = 0;   // prizes whose rule named people to keep out
};

class PurgeStore {
 public:
  explicit PurgeStore(Query& query) : q_(query) {}

  // All in one transaction, then the file is rebuilt (VACUUM) so that freed pages keep nothing. With
  // `keepResults` the winners (zj>0) keep their name, department, prize and draw order, and the journal
  // keeps names on their rows only. Throws DbError; a failure before the commit changes nothing.
  PurgeResult purge(bool keepResults);

 private:
  Query& q_;
};

}  // namespace ld
