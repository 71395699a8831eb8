#include "data/prize_levels.h"

#include "framework/text.h"

namespace ld {

namespace {
// Stored and exported as written here, whatever language the screen speaks.
const char* const kPrizeNames[] = {QT_TRANSLATE_NOOP("ld", "一等奖"), QT_TRANSLATE_NOOP("ld", "二等奖"),
                                   QT_TRANSLATE_NOOP("ld", "三等奖"), QT_TRANSLATE_NOOP("ld", "幸运奖")};
}  // namespace

QString prizeName(int level) {
  return level >= 1 && level <= 4 ? QString::fromUtf8(kPrizeNames[level - 1]) : QString();
}

QString shownPrizeName(int level) {
  return level >= 1 && level <= 4 ? Tr::tr(kPrizeNames[level - 1]) : QString();
}

QString shownPrize(int level, const QString& storedName) {
  if (level == kOutsidePlan) return Tr::tr("计划外");
  return level >= kFirstExtraLevel ? storedName : shownPrizeName(level);
}

QString resultName(int zj) {
  if (zj == kAbsent) return QStringLiteral("缺席");
  if (zj == kVoided) return QStringLiteral("作废");
  return prizeName(zj);
}

}  // namespace ld
