#pragma once
// The prize plan as the settings window reads and writes it, run on the one query it is given (the data
// module's ADOQuerysetting); the roster and the event information have stores of their own in data/.
// Every function throws DbError when a statement fails.
#include <QString>
#include <array>
#include <optional>

namespace ld {

class Query;

// The stored prize plan. The quantities (levels 1 to 4) are read only for a limited plan; a missing
// row reads as nullopt.
struct StoredPrizePlan {
  bool limited = true;
  std::array<std::optional<QString>, 4> quantities;
};

class EventStore {
 public:
  explicit EventStore(Query& query) : q_(query) {}

  // Prize plan.
  StoredPrizePlan prizePlan();
  // Sets the limit switch and, for a limited plan, every level whose quantity is given (nullopt leaves
  // the level as stored); all of it or, on a failure, none of it.
  void savePrizePlan(bool limited, const std::array<std::optional<int>, 4>& quantities);

 private:
  Query& q_;
};

}  // namespace ld
