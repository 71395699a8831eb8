#pragma once
#include <QString>

namespace ld {

// Prize level 99: a winner drawn while no prize level applied; drawn, but on no winners board.
constexpr int kOutsidePlan = 99;

// "一等奖" … "幸运奖" for levels 1 to 4; empty for 0, 99 and anything else.
QString prizeName(int level);
// The same name in the language on screen: for display only, never stored.
QString shownPrizeName(int level);

}  // namespace ld
