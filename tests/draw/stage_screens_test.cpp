// The stage beside the handset: which screen each takes, how the choice is made and kept, and that the
// audience sees what the event records, prize by prize.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include "draw/fireworks_form.h"
#include "draw/key_control.h"
#include "draw/lucky_draw.h"
#include "draw/presentation.h"
#include "draw/stage_feed.h"
#include "draw/veltrax_form.h"
#include "stage/stage_view.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"

using namespace ld::test;
using Scene = ld::StageView::Scene;
using State = TVELTRAXForm::DrawState;

namespace {

// The operator's laptop (primary) and the hall's projector.
const bool kTwoScreens = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "dpr": 1},
    {"name": "projector", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");

QScreen* laptop() { return QGuiApplication::screens().value(0); }
QScreen* projector() { return QGuiApplication::screens().value(1); }

class Stage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kTwoScreens && QGuiApplication::screens().size() == 2); }
  void TearDown() override {
    program.reset();
    deleteOtherTopLevels();
  }
  ld::LuckyDraw& start(const ld::ShowOptions& options = {}) {
    program.reset();
    program = std::make_unique<ld::LuckyDraw>();
    program->drawWindow().setPressTiming({0, 0});
    program->show(options);
    return *program;
  }
  QString remembered() { return app.rows("select sz from sy where symc='WT'").value(0); }
  // A press of the draw key, as a clicker sends it to the window in front.
  void press(int code) { key(&program->drawWindow(), code); }

  TempApp app;
  std::unique_ptr<ld::LuckyDraw> program;
};

TEST_F(Stage, TheStageTakesTheHallsScreenAndTheHandsetStaysWithTheOperator) {
  for (const char* chosen : {"", "1", "2"}) {
    SCOPED_TRACE(chosen);
    ld::LuckyDraw& p = start({QString::fromLatin1(chosen), false, {}, /*stage=*/true});
    ld::StageView* stage = p.stageView();
    ASSERT_TRUE(stage && stage->isVisible());
    EXPECT_EQ(stage->geometry(), projector()->geometry())
        << "never over the operator's screen while there is another";
    EXPECT_EQ(p.drawWindow().geometry().size(), TVELTRAXForm::kClientSize) << "the handset at 1:1";
    EXPECT_TRUE(laptop()->geometry().contains(p.drawWindow().geometry()));
    EXPECT_TRUE(p.drawOnOperatorScreen());
    EXPECT_EQ(remembered(), QStringLiteral("1"));
  }
  EXPECT_TRUE(start({QString(), /*presentation=*/true}).presenting()) << "asked for, it wins over the stage";
  EXPECT_FALSE(program->stageShown());
  start({QString(), false, {}, true});
  ld::LuckyDraw& again = start();
  EXPECT_TRUE(again.stageShown()) << "the event remembers the stage";

  // F10 gives the hall the handset again, F11 then fills the projector with it, F10 takes the stage back.
  ASSERT_TRUE(again.handleKey(ld::KeyAction::Stage));
  EXPECT_FALSE(again.stageView()->isVisible());
  EXPECT_EQ(remembered(), QStringLiteral("0"));
  again.moveToScreen(projector());
  again.handleKey(ld::KeyAction::Presentation);
  ASSERT_TRUE(again.presenting());
  EXPECT_EQ(again.shownWindow().geometry(), projector()->geometry());
  again.handleKey(ld::KeyAction::Stage);
  EXPECT_FALSE(again.presenting()) << "the stage takes the presentation's place";
  EXPECT_EQ(again.stageView()->geometry(), projector()->geometry());
  EXPECT_EQ(&again.shownWindow(), &again.drawWindow());
  EXPECT_TRUE(laptop()->geometry().contains(again.drawWindow().geometry()));
  EXPECT_TRUE(again.isDrawWindow(again.stageView())) << "the draw keys act on the stage too";
  EXPECT_TRUE(app.dialogs().shown.empty());
}

TEST_F(Stage, TheHallSeesEachWinnerTheEventRecordsThenThePrizesWallThenTheRollOfHonour) {
  app.setPlan(1, 1, 1, 1, 2);  // two lucky prizes, then one each of the third, second and first
  for (int i = 0; i < 6; ++i)
    app.addParticipant(QStringLiteral("人%1").arg(i), QStringLiteral("部门%1").arg(i % 2));
  ld::LuckyDraw& p = start({QString(), false, {}, true});
  ld::StageView& stage = *p.stageView();
  p.stageFeed()->setPauses(10, 10);
  ASSERT_TRUE(stage.prize().has_value());
  EXPECT_EQ(stage.prize()->level, 4);
  EXPECT_EQ(stage.prize()->total, 2);
  EXPECT_EQ(stage.prize()->drawn, 0);

  for (int draw = 1; draw <= 5; ++draw) {
    SCOPED_TRACE(draw);
    press(Qt::Key_Space);
    ASSERT_EQ(p.drawWindow().drawState(), State::Rolling);
    p.drawWindow().TimercjTimer();
    EXPECT_EQ(stage.scene(), Scene::Rolling);
    press(Qt::Key_Space);
    ASSERT_EQ(p.drawWindow().drawState(), State::Result);
    ASSERT_EQ(stage.scene(), Scene::Result);
    ASSERT_EQ(stage.winners().size(), 1);
    const ld::stage::Winner& w = stage.winners().first();
    const QStringList recorded =
        app.rows(QStringLiteral("select xm||'/'||bm||'/'||zj from yglb where zjsx=%1 and zj>0").arg(draw));
    EXPECT_EQ(recorded, QStringList{w.name + '/' + w.department + '/' + QString::number(w.level)});
    ASSERT_TRUE(stage.prize().has_value());
    EXPECT_EQ(stage.prize()->level, w.level) << "the prize just drawn, with its count";
    EXPECT_EQ(stage.prize()->drawn, w.level == 4 ? draw : 1);
    EXPECT_EQ(stage.celebrating(), draw >= 2) << "each prize's last winner gets the fireworks";
  }
  // The first prize's wall, then the whole event's roll of honour, the first prize first.
  ASSERT_TRUE(QTest::qWaitFor([&] { return stage.scene() == Scene::Honour; }));
  const QList<ld::stage::HonourPrize> honour = stage.honour();
  ASSERT_EQ(honour.size(), 4);
  EXPECT_EQ(honour[0].winners.size(), 1);
  EXPECT_EQ(honour[3].winners.size(), 2);
  EXPECT_EQ(honour[0].winners[0].level, 1);
  EXPECT_TRUE(fireworks() == nullptr || fireworks()->screen() == laptop())
      << "the handset's fireworks stay on the handset's screen";
}

TEST_F(Stage, AnAbsentWinnerShowsSoAndTheReplacementGetsTheSamePrize) {
  app.setPlan(1, 1, 1, 1, 1);
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("一部"));
  app.addParticipant(QStringLiteral("乙"), QStringLiteral("二部"));
  ld::LuckyDraw& p = start({QString(), false, {}, true});
  ld::StageView& stage = *p.stageView();
  press(Qt::Key_Space);
  press(Qt::Key_Space);
  ASSERT_EQ(stage.scene(), Scene::Result);
  const QString first = stage.winners().first().name;
  app.dialogs().confirmAnswers.push_back(true);
  press(Qt::Key_Delete);
  ASSERT_EQ(stage.winners().size(), 1);
  EXPECT_TRUE(stage.winners().first().absent);
  EXPECT_EQ(stage.winners().first().name, first);
  ASSERT_TRUE(stage.prize().has_value());
  EXPECT_EQ(stage.prize()->drawn, 0) << "the prize is drawn again";
  press(Qt::Key_Space);
  press(Qt::Key_Space);
  EXPECT_NE(stage.winners().first().name, first);
  EXPECT_FALSE(stage.winners().first().absent);
  EXPECT_EQ(stage.winners().first().level, 4);
}

}  // namespace
