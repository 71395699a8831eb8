// The draw: a click on the draw icon starts the rolling tiles or stops them, picks a winner at random,
// records the prize level and draw order, rebuilds the winners board and celebrates a completed level.
#include <QString>
#include <limits>

#include "data/datamodule.h"
#include "data/query.h"
#include "draw/fireworks_form.h"
#include "draw/picture_loading.h"
#include "draw/prize_plan.h"
#include "draw/veltrax_form.h"
#include "framework/errors.h"
#include "framework/picture_box.h"
#include "widgets/glow_label.h"

namespace {
ld::Query& mainQuery() {
  if (!ld::DataModule1) throw ld::Error(QStringLiteral("数据模块未创建"));
  return ld::DataModule1->ADOQuerymain;
}
}  // namespace

void TVELTRAXForm::GIFAnimatorlogoClick() {
  if (Timercj.isActive())
    stopDraw();
  else
    startDraw();
}

void TVELTRAXForm::startDraw() {
  Timercj.start();
  Panelzp[0]->hide();
  GlowLabelcj0->hide();
  for (int k = 1; k <= 8; ++k) Panelzp[k]->show();
}

void TVELTRAXForm::TimercjTimer() {
  for (int k = 1; k <= 8; ++k) Image[k]->clear();
  ld::Query& q = mainQuery();
  q.openSql(QStringLiteral("select top 8 zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  if (q.recordCount() == 0) {
    for (int k = 1; k <= 8; ++k) ld::silently([&] { ld::loadLogo(*Image[k]); });
    return;
  }
  // Fewer than eight rows: next() stays on the last one, so the remaining tiles repeat its photo.
  q.first();
  for (int k = 1; k <= 8; ++k) {
    const QString zp = q.fieldByName(QStringLiteral("zp")).asString();
    ld::silently([&] { ld::loadPhotoOrLogo(*Image[k], zp); });
    if (k < 8) q.next();
  }
}

int TVELTRAXForm::nextDrawOrder(ld::Query& q) {
  q.openSql(QStringLiteral("select top 1 zjsx as expr from yglb where zj>0 order by zjsx desc"));
  int n = 0;
  if (q.recordCount() > 0) {
    q.first();
    const QString text = q.fieldByName(QStringLiteral("expr")).asString();
    bool ok = false;
    n = text.trimmed().toInt(&ok);
    if (!ok) throw ld::Error(QStringLiteral("'%1' 不是有效的整数值").arg(text));
    if (n == std::numeric_limits<int>::max()) throw ld::Error(QStringLiteral("抽奖顺序已达上限"));
  }
  return n + 1;
}

int TVELTRAXForm::pickWinner(ld::Query& q) {
  q.openSql(QStringLiteral("select top 1 id,xm,bm,zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  // Never the previous winner's face under a new name: a photo that fails to load leaves the box empty.
  Image[0]->clear();
  int id = 0;
  if (q.recordCount() == 1) {
    q.first();
    ld::silently([&] {
      id = q.fieldByName(QStringLiteral("id")).asInteger();
      GlowLabelcj0->setCaption(q.fieldByName(QStringLiteral("bm")).asString() + QStringLiteral("  ") +
                               q.fieldByName(QStringLiteral("xm")).asString());
      const QString zp = q.fieldByName(QStringLiteral("zp")).asString();
      ld::silently([&] { ld::loadPhotoOrLogo(*Image[0], zp); });
      Panelzp[0]->show();
    });
  } else {
    GlowLabelcj0->setCaption(QStringLiteral("无人中奖"));
    ld::silently([&] { ld::loadLogo(*Image[0]); });
    Panelzp[0]->show();
  }
  return id;
}

void TVELTRAXForm::stopDraw() {
  // First, so that no tick runs during or after the stop, whatever fails below.
  Timercj.stop();
  ld::Query& q = mainQuery();
  const int n = nextDrawOrder(q);

  GlowLabelcj0->setCaption(QString());
  GlowLabelcj0->show();
  for (int k = 1; k <= 8; ++k) Panelzp[k]->hide();

  const int id = pickWinner(q);

  const ld::PrizePlan plan =
      ld::readPrizePlan(q, QStringLiteral("select sz from SY where symc='jx' and sz=1 "));
  int level = ld::kOutsidePlan;
  if (plan.applies()) {
    q.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
    level = ld::levelForNextWinner(q.recordCount(), plan);
  }

  q.execSql(QStringLiteral("update yglb set zj=") + QString::number(level) + QStringLiteral(",zjsx=") +
            QString::number(n) + QStringLiteral(" where id=") + QString::number(id));
  // Only a stop that recorded somebody completes anything.
  const bool recorded = q.rowsAffected() > 0;

  showzjmd();

  q.openSql(QStringLiteral("select id from yglb where zj<>0"));
  if (recorded && ld::completesBlock(q.recordCount(), plan)) ld::showFireworks();
}
