#include "draw/absence_question.h"

#include "data/prize_levels.h"
#include "draw/draw_session.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

QString absenceQuestion(const DrawResult& winner) {
  const QString prize =
      winner.level == kOutsidePlan ? Tr::tr("计划外奖项") : shownPrize(winner.level, winner.prize);
  return Tr::tr(
             "%1  %2 不在现场？\n\n确定后此人记为缺席，不再参加本次抽奖；"
             "下一次抽奖将重新抽取%3（第 %4 位）。")
      .arg(winner.department, winner.name, prize)
      .arg(winner.order);
}

bool askAbsent(DrawSession& session, const DrawResult& winner) {
  if (!dialogs().confirm(absenceQuestion(winner))) return false;
  bool recorded = false;
  guarded([&] {
    session.markAbsent(winner);
    recorded = true;
  });
  return recorded;
}

}  // namespace ld
