#pragma once
// The prize plan: the limit switch (row "JX" of table sy) and one row of JXSZ per prize. The draw, the
// winners board and the settings window all read and write it here.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "data/prize_levels.h"

namespace ld {

class Query;

// One prize of the plan.
struct Prize {
  int level = 0;      // 1 … 4: what a winner's row records
  QString name;       // as stored and exported ("一等奖" …)
  int quantity = 0;   // as read; 0 where the row is missing
  int drawOrder = 0;  // 1 for the prize drawn first
  int perDraw = 1;    // winners one press gives
  QStringList rules;  // who may win it; none: every eligible participant
};

// The plan as the draw and the board use it: the prizes in the order they are drawn, the lucky prize
// (level 4) first and the first prize (level 1) last, each handed out in one consecutive block of winners.
struct PrizePlan {
  bool limited = false;       // the limit switch row says 1
  std::vector<Prize> prizes;  // in drawing order; quantities read only for a limited plan

  // Quantities apply only with the switch on and every prize given at least one.
  bool applies() const;
  const Prize* prize(int level) const;
  // The prize of the next winner when `winners` have won already; none once every prize is drawn or the
  // plan does not apply (the winner is outside the plan).
  const Prize* prizeForNextWinner(int winners) const;
  // The prize the board shows with `winners` counted; none when none applies.
  const Prize* prizeOnBoard(int winners) const;
  // Whether a total of `winners` ends one prize's block, quantities as read.
  bool completesPrize(int winners) const;
};

// The plan as the settings window shows it: the quantities as stored text, read only for a limited plan;
// a missing row reads as nullopt.
struct StoredPrizePlan {
  bool limited = true;
  std::array<std::optional<QString>, 4> quantities;  // levels 1 to 4
};

class PlanStore {
 public:
  explicit PlanStore(Query& query) : q_(query) {}

  // The plan as the draw reads it at a stop, and as the winners board reads it: the same reading, each with
  // its own words for the switch.
  PrizePlan forDraw();
  PrizePlan forBoard();

  // What the settings window shows and saves. Saving sets the switch and, for a limited plan, every level
  // whose quantity is given (nullopt leaves it as stored), with a journal row; all of it or, on a failure,
  // none of it. Throws DbError.
  StoredPrizePlan stored();
  void save(bool limited, const std::array<std::optional<int>, 4>& quantities);

 private:
  PrizePlan read(const QString& switchStatement);
  Query& q_;
};

}  // namespace ld
