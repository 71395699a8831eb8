#pragma once
#include <QString>

namespace ld {

// Prize level 99: a winner drawn while no prize level applied; drawn, but on no winners board.
constexpr int kOutsidePlan = 99;

// A winner who was not in the room: never drawn again in this event, and no winner. Stored as zj = -1 with
// zjsx = 0, so that every statement asking for undrawn (zj=0) or for winners (zj>0, zj=N) leaves the row
// out, and resetting the results (zj=0) makes the participant eligible again.
constexpr int kAbsent = -1;

// "一等奖" … "幸运奖" for levels 1 to 4; empty for 0, 99 and anything else.
QString prizeName(int level);
// The same name in the language on screen: for display only, never stored.
QString shownPrizeName(int level);

// What a participant's zj says in a list: the prize name, "缺席" for an absent winner, else empty.
QString resultName(int zj);

}  // namespace ld
