// The stage on the only screen: it covers it, the keys draw as before, and what the operator is told keeps
// clear of the winner's name on the stage.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "stage/stage_view.h"
#include "support/draw_helpers.h"
#include "support/keys.h"

using namespace ld::test;

namespace {

TEST(StageOnOneScreen, TheStageCoversTheScreenTheKeysDrawAndNoticesKeepClearOfTheName) {
  ASSERT_EQ(QGuiApplication::screens().size(), 1);
  TempApp app;
  app.setPlan(1, 1, 1, 1, 1);
  for (int i = 0; i < 5; ++i) app.addParticipant(QStringLiteral("员工%1").arg(i), QStringLiteral("部门"));
  auto owner = std::make_unique<ld::LuckyDraw>();
  ld::LuckyDraw& program = *owner;
  program.drawWindow().setPressTiming({0, 0});
  program.show({QString(), false, {}, /*stage=*/true});
  ld::StageView* stage = program.stageView();
  ASSERT_TRUE(stage && stage->isVisible());
  EXPECT_EQ(stage->geometry(), QGuiApplication::primaryScreen()->geometry());
  EXPECT_FALSE(program.drawOnOperatorScreen()) << "the handset is under the stage";

  // Every prize drawn from the keyboard, the keys sent where the window system sends them: the stage.
  for (int draw = 1; draw <= 4; ++draw) {
    key(stage, Qt::Key_Space);
    key(stage, Qt::Key_Space);
  }
  ASSERT_EQ(app.count("select id from yglb where zj>0"), 4);
  ASSERT_EQ(stage->scene(), ld::StageView::Scene::Result);
  const QRect names = program.winnerArea();
  ASSERT_FALSE(names.isEmpty());
  EXPECT_TRUE(names.contains(stage->protectedRegion().boundingRect().translated(stage->pos())))
      << "the stage's names, not the hidden handset's";
  // The plan is used up: the notice saying so stays off the winner's name.
  QWidget* notice = program.planNotice();
  ASSERT_TRUE(notice && notice->isVisible());
  EXPECT_FALSE(notice->geometry().intersects(names));
  owner.reset();
  deleteOtherTopLevels();
}

}  // namespace
