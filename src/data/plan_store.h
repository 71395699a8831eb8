#pragma once
// The prize plan: the limit switch (row "JX" of table sy) and one row of JXSZ per prize. The draw, the
// winners board and the settings window all read and write it here.
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "data/prize_levels.h"
#include "data/prize_rule.h"

namespace ld {

class Query;

// One prize of the plan: the four levels always, extra prizes (levels from kFirstExtraLevel up) as added.
struct Prize {
  int level = 0;        // what a winner's row records
  QString name;         // as stored and exported ("一等奖" …, or the extra prize's own name)
  int quantity = 0;     // as read; 0 where the row is missing
  int drawOrder = 0;    // 1 for the prize drawn first
  int perDraw = 1;      // winners one press gives
  PrizeRule rule = {};  // who may win it; empty: every eligible participant

  bool extra() const { return level >= kFirstExtraLevel; }
  // The name in the language on screen: the four levels translated, an extra prize as it was named.
  QString shownName() const;
};

// The plan as the draw and the board use it: the prizes in the order they are drawn, by default the lucky
// prize (level 4) first and the first prize (level 1) last, extra prizes where they were put.
struct PrizePlan {
  bool limited = false;       // the limit switch row says 1
  std::vector<Prize> prizes;  // in drawing order; quantities read only for a limited plan

  // Quantities apply only with the switch on and every prize given at least one.
  bool applies() const;
  const Prize* prize(int level) const;
  // How many winners each prize still has to give, in drawing order, given the winners of every level
  // (outside-plan ones under kOutsidePlan). Winners outside the plan, and winners beyond a prize's lowered
  // quantity, take up the places of the prizes still short, in drawing order: every winner counts towards
  // the plan, as the prizes were always handed out in one sequence of winners.
  std::vector<int> left(const QHash<int, int>& winnersByLevel) const;
  int leftOf(int level, const QHash<int, int>& winnersByLevel) const;
  // The first prize in drawing order with winners left; none once every prize is drawn or the plan does
  // not apply.
  const Prize* nextPrize(const QHash<int, int>& winnersByLevel) const;
  // The sequence of winners cut into one block per prize in drawing order: the prize whose block holds
  // winner number `winners` (the first prize's before the first winner); none past the last block or
  // without a plan that applies.
  const Prize* prizeOnBoard(int winners) const;
  // Where no plan applies, the fireworks still follow the quantities as read: whether a total of `winners`
  // ends one prize's block.
  bool completesBlock(int winners) const;
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

  // One prize's quantity, winners per draw and rule, and an extra prize's name; with a journal row. Throws
  // Error for a value out of range or a name taken, DbError when a statement fails.
  void savePrize(const Prize& prize);
  // A new extra prize placed before the prize of `beforeLevel` in the drawing order (last when none), with
  // a journal row; returns its level. Throws as savePrize does.
  int addPrize(const Prize& prize, std::optional<int> beforeLevel);
  // An extra prize nobody has won yet leaves the plan. Throws Error for one of the four levels or one won.
  void removePrize(int level);

 private:
  PrizePlan read(const QString& switchStatement);
  Query& q_;
};

}  // namespace ld
