#pragma once
#include <QString>

namespace ld {

// Prize level 99: a winner drawn while no prize level applied; drawn, but on no winners board.
constexpr int kOutsidePlan = 99;

// A winner who was not in the room: never drawn again in this event, and no winner. Stored as zj = -1 with
// zjsx = 0, so that every statement asking for undrawn (zj=0) or for winners (zj>0, zj=N) leaves the row
// out, and resetting the results (zj=0) makes the participant eligible again.
constexpr int kAbsent = -1;

// A win taken back after the stop (declined, or not eligible after all): stored as zj = -2, keeping its draw
// order so that no later winner takes it; out of the pool and of the winners, as an absent winner is.
constexpr int kVoided = -2;

// Prizes added to the plan beyond the four levels take levels from here up (99 stays outside the plan).
constexpr int kFirstExtraLevel = 100;
// "一等奖" … "幸运奖" for levels 1 to 4; empty for 0, 99 and anything else.
QString prizeName(int level);
// The same name in the language on screen: for display only, never stored.
QString shownPrizeName(int level);

// A winner's prize in the language on screen: "计划外" outside the plan, an extra prize by the name stored
// for it, the four levels translated.
QString shownPrize(int level, const QString& storedName);

// What a participant's zj says in a list: the prize name, "缺席" for an absent winner, "作废" for a voided
// win, else empty. Extra prizes are named by the plan.
QString resultName(int zj);

}  // namespace ld
