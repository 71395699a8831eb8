#include "draw/winner_caption.h"

#include "framework/text.h"
#include "widgets/glow_label.h"

namespace ld {

QString winnerCaption(const QString& department, const QString& name, WinnerMark mark) {
  QString caption = department + QStringLiteral("  ") + name;
  switch (mark) {
    case WinnerMark::None:
      break;
    case WinnerMark::OutsidePlan:
      caption += Tr::tr("（计划外）");
      break;
    case WinnerMark::Absent:
      caption += Tr::tr("（缺席）");
      break;
  }
  return caption;
}

void showWinnerCaption(TGlowLabel& label, const QString& department, const QString& name, WinnerMark mark) {
  // The department is the part that may be cut short; the name and its mark are always shown whole.
  label.setCaption(winnerCaption(department, name, mark), department.size());
}

}  // namespace ld
