// A laptop and a projector: the rehearsal's mark is on the laptop only, wherever the draw is shown, and on
// the screen the draw shares with it the mark keeps clear of the winner and of the other notices.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"

using namespace ld::test;

namespace {

const bool kTwoScreens = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1},
    {"name": "projector", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");

QRect laptop() { return QGuiApplication::screens().value(0)->geometry(); }

class RehearsalMark : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kTwoScreens);
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    for (int i = 0; i < 4; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), "部门");
  }
  void TearDown() override {
    program.reset();
    deleteOtherTopLevels();
  }
  void expectMarkOnTheLaptopClearOfTheWinner(const char* when) {
    const QLabel* mark = program->rehearsalMark();
    ASSERT_TRUE(mark && mark->isVisible()) << when;
    EXPECT_TRUE(laptop().contains(mark->frameGeometry())) << when;
    EXPECT_FALSE(mark->frameGeometry().intersects(program->winnerArea())) << when;
    for (const QWidget* notice : {program->planNotice(), static_cast<QWidget*>(program->photoNotice())}) {
      if (notice && notice->isVisible()) {
        EXPECT_FALSE(mark->frameGeometry().intersects(notice->frameGeometry())) << when;
      }
    }
    // A mark, not a message: a corner's worth of the screen.
    EXPECT_LT(mark->width() * 10, laptop().width()) << when;
  }

  TempApp app;
  std::unique_ptr<ld::LuckyDraw> program;
};

TEST_F(RehearsalMark, IsOnTheOperatorsScreenOnlyAndNeverOverTheWinner) {
  const struct {
    const char* screen;
    bool presentation;
  } cases[] = {{"2", false}, {"2", true}, {"1", false}, {"1", true}};
  for (const auto& c : cases) {
    const std::string when =
        std::string("draw on screen ") + c.screen + (c.presentation ? ", presenting" : "");
    program = std::make_unique<ld::LuckyDraw>();
    program->markRehearsal();
    program->drawWindow().setPressTiming({0, 0});
    program->show({QString::fromLatin1(c.screen), c.presentation});
    expectMarkOnTheLaptopClearOfTheWinner(when.c_str());
    // A winner on show, and a wide notice across the top of the operator's screen.
    key(&program->shownWindow(), Qt::Key_Space);
    key(&program->shownWindow(), Qt::Key_Space);
    ASSERT_EQ(program->drawWindow().drawState(), TVELTRAXForm::DrawState::Result) << when;
    program->winnerPhotoNotShown(QString(150, QLatin1Char('x')));
    ASSERT_TRUE(program->photoNotice()->isVisible()) << when;
    expectMarkOnTheLaptopClearOfTheWinner((when + ", after a draw").c_str());
    app.exec(QStringLiteral("update yglb set zj=0, zjsx=0"));
    program.reset();
  }
}

TEST_F(RehearsalMark, StaysOnTheOperatorsScreenWhenTheDrawMovesToTheProjector) {
  program = std::make_unique<ld::LuckyDraw>();
  program->markRehearsal();
  program->show({QStringLiteral("1")});
  expectMarkOnTheLaptopClearOfTheWinner("on the laptop");
  key(&program->shownWindow(), Qt::Key_S);
  ASSERT_EQ(program->screen(), QGuiApplication::screens().value(1));
  expectMarkOnTheLaptopClearOfTheWinner("moved to the projector");
  key(&program->shownWindow(), Qt::Key_S);
  expectMarkOnTheLaptopClearOfTheWinner("back on the laptop");
}

}  // namespace
