#pragma once
// The winner's caption under the photo: "department  name", and a mark when the winner has no prize of
// the plan or was not in the room. The department gives way to the name when they do not fit together.
#include <QString>

class TGlowLabel;

namespace ld {

enum class WinnerMark { None, OutsidePlan, Absent };

QString winnerCaption(const QString& department, const QString& name, WinnerMark mark);
void showWinnerCaption(TGlowLabel& label, const QString& department, const QString& name, WinnerMark mark);

}  // namespace ld
