#include "data/prize_levels.h"

namespace ld {

QString prizeName(int level) {
  switch (level) {
    case 1:
      return QStringLiteral("一等奖");
    case 2:
      return QStringLiteral("二等奖");
    case 3:
      return QStringLiteral("三等奖");
    case 4:
      return QStringLiteral("幸运奖");
    default:
      return {};
  }
}

QString resultName(int zj) { return zj == kAbsent ? QStringLiteral("缺席") : prizeName(zj); }

}  // namespace ld
