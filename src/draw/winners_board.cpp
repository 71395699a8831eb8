// The winners board: the level in progress, its quantity and its winners in draw order, ten to a page
// on large levels. Lines are separated by a lone carriage return.
#include "data/datamodule.h"
#include "data/query.h"
#include "draw/prize_plan.h"
#include "draw/veltrax_form.h"
#include "framework/errors.h"
#include "widgets/glow_label.h"

namespace {
const char* const kLevelWinners[5] = {
    nullptr,
    "select xm from  YGLB  where zj=1 order by zjsx ",
    "select xm from  YGLB  where zj=2 order by zjsx ",
    "select xm from  YGLB  where zj=3 order by zjsx ",
    "select xm from  YGLB  where zj=4 order by zjsx ",
};
}  // namespace

void TVELTRAXForm::showzjmd() {
  if (!ld::DataModule1) throw ld::Error(QStringLiteral("数据模块未创建"));
  ld::Query& q = ld::DataModule1->ADOQuerymain;
  const ld::PrizePlan plan =
      ld::readPrizePlan(q, QStringLiteral("select sz from SY where symc='JX'  and sz=1 "));
  if (!plan.applies()) return;  // the board keeps its text

  q.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
  const int level = ld::boardLevel(q.recordCount(), plan);
  if (level == 0) return;

  const int quantity = plan.q[static_cast<size_t>(level)];
  q.openSql(QString::fromLatin1(kLevelWinners[level]));
  const int rows = q.recordCount();
  QString heading = ld::prizeName(level) + QString::number(quantity) + QStringLiteral("位");
  int firstRow = 1;
  if (quantity > 10) {
    // The page turns as soon as its tenth name is in.
    const int page = rows / 10 + 1;
    heading += QStringLiteral("(") + QString::number(page) + QStringLiteral(")");
    firstRow = (page - 1) * 10 + 1;
  }
  GlowLabelzj->setCaption(heading + QLatin1Char('\r'));
  q.first();
  for (int row = 1; row < firstRow; ++row) q.next();
  for (int row = firstRow; row <= rows; ++row) {
    GlowLabelzj->setCaption(GlowLabelzj->caption() + QLatin1Char('\r') +
                            q.fieldByName(QStringLiteral("xm")).asString());
    q.next();
  }
}
