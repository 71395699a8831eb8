#pragma once
// The prize plan as the draw reads it: the limit switch and the four prize quantities, handed out in
// consecutive blocks from the lucky prize (level 4) up to the first prize (level 1).
#include <QString>
#include <array>

#include "data/prize_levels.h"

namespace ld {

class Query;

struct PrizePlan {
  bool limited = false;    // the limit switch row says 1
  std::array<int, 5> q{};  // q[1] … q[4]; 0 where not read
  // Quantities apply only with the switch on and every level given at least one prize.
  bool applies() const { return limited && q[1] > 0 && q[2] > 0 && q[3] > 0 && q[4] > 0; }
  // End of the block of `level` counted in winners: q4, q4+q3, q4+q3+q2, q4+q3+q2+q1.
  long long blockEnd(int level) const;
};

// Runs the switch statement (the draw and the board word it differently) and, with the switch on, the
// four quantity statements, on `query`.
PrizePlan readPrizePlan(Query& query, const QString& switchStatement);

// Level of the next winner when `winners` have won already: 4, 3, 2, 1, or the outside-plan marker
// once every prize is drawn or the plan does not apply.
int levelForNextWinner(int winners, const PrizePlan& plan);

// Level the board shows with `winners` counted: 4 … 1, or 0 when none applies.
int boardLevel(int winners, const PrizePlan& plan);

// Whether a total of `winners` ends one of the four blocks, quantities as read (0 where not read).
bool completesBlock(int winners, const PrizePlan& plan);

}  // namespace ld
