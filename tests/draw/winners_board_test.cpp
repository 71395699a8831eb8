// The winners board: heading with the level's quantity, an empty line, the names in draw order, pages of
// ten on large levels.
#include <gtest/gtest.h>

#include "draw/fireworks_form.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"

using namespace ld::test;

namespace {

class WinnersBoard : public ::testing::Test {
 protected:
  void addWinners(int level, int count, int firstOrder, const QString& prefix) {
    for (int i = 0; i < count; ++i) {
      const int id = f.app.addParticipant(prefix + QString::number(i + 1), "部门", false);
      f.app.exec(QStringLiteral("update yglb set zj=%1, zjsx=%2 where id=%3")
                     .arg(level)
                     .arg(firstOrder + i)
                     .arg(id));
    }
  }
  // The board's lines: the caption separates them with a lone carriage return.
  QStringList board() {
    const QString caption = f.window().GlowLabelzj->caption();
    EXPECT_FALSE(caption.contains(QLatin1Char('\n')));
    return caption.split(QLatin1Char('\r'));
  }
  void drawOne(const QString& name) {
    f.app.addParticipant(name, "部门");
    click(f.window().GIFAnimatorlogo);
    click(f.window().GIFAnimatorlogo);
    if (fireworksShown()) fireworks()->Timer1Timer();
  }

  DrawFixture f;
};

TEST_F(WinnersBoard, FollowsTheDrawsFromLevelToLevel) {
  f.app.setPlan(1, 1, 1, 1, 2);
  EXPECT_EQ(board(), QStringList({"幸运奖2位", ""}));
  drawOne("甲");
  EXPECT_EQ(board(), QStringList({"幸运奖2位", "", "甲"}));
  drawOne("乙");
  EXPECT_EQ(board(), QStringList({"幸运奖2位", "", "甲", "乙"}));
  drawOne("丙");
  EXPECT_EQ(board(), QStringList({"三等奖1位", "", "丙"}));
  drawOne("丁");
  drawOne("戊");
  EXPECT_EQ(board(), QStringList({"一等奖1位", "", "戊"}));
  drawOne("己");  // outside the plan: the completed first prize stays
  EXPECT_EQ(board(), QStringList({"一等奖1位", "", "戊"}));
}

TEST_F(WinnersBoard, LargeLevelsShowTheCurrentPageOfTenInDrawOrder) {
  f.app.setPlan(1, 1, 1, 1, 25);
  EXPECT_EQ(board(), QStringList({"幸运奖25位(1)", ""}));
  addWinners(4, 10, 3, "w");  // entered before the first two drawn
  addWinners(4, 2, 1, "v");
  f.window().showzjmd();
  EXPECT_EQ(board(), QStringList({"幸运奖25位(2)", "", "w9", "w10"}));
  addWinners(4, 8, 13, "x");
  f.window().showzjmd();
  EXPECT_EQ(board(),
            QStringList({"幸运奖25位(2)", "", "w9", "w10", "x1", "x2", "x3", "x4", "x5", "x6", "x7", "x8"}))
      << "the tenth name of a page stays on the board";
  addWinners(4, 1, 21, "y");
  f.window().showzjmd();
  EXPECT_EQ(board(), QStringList({"幸运奖25位(3)", "", "y1"}));
}

// Ten prizes is the last size without pages; eleven pages, with all ten names of the first page shown.
TEST_F(WinnersBoard, PagingStartsAboveTenPrizes) {
  const struct {
    int quantity, winners;
    QString heading;
  } cases[] = {{9, 9, "幸运奖9位"}, {10, 10, "幸运奖10位"}, {11, 10, "幸运奖11位(1)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quantity);
    f.app.exec("delete from yglb");
    f.app.setPlan(1, 1, 1, 1, c.quantity);
    addWinners(4, c.winners, 1, "n");
    f.window().showzjmd();
    QStringList expected{c.heading, ""};
    for (int i = 1; i <= c.winners; ++i) expected << QStringLiteral("n%1").arg(i);
    EXPECT_EQ(board(), expected);
  }
}

TEST_F(WinnersBoard, CountsMarkersAndListsWinnersBeyondALoweredQuantity) {
  f.app.setPlan(1, 1, 1, 2, 1);
  addWinners(99, 1, 1, "m");
  addWinners(3, 3, 2, "t");  // with the marker W = 4, past the third-prize block (winners 2 and 3)
  f.window().showzjmd();
  EXPECT_EQ(board(), QStringList({"二等奖1位", ""}));
  f.app.exec("update yglb set zj=0 where zj=99");
  f.window().showzjmd();
  EXPECT_EQ(board(), QStringList({"三等奖2位", "", "t1", "t2", "t3"}));
}

TEST_F(WinnersBoard, IsLeftAloneWithoutAPlanThatApplies) {
  f.app.setPlan(0, 1, 1, 1, 2);
  addWinners(4, 1, 1, "a");
  EXPECT_EQ(f.window().GlowLabelzj->caption(), QString());
  f.app.setPlan(1, 1, 1, 1, 2);
  f.window().showzjmd();
  ASSERT_EQ(board(), QStringList({"幸运奖2位", "", "a1"}));
  f.app.setPlan(1, 1, 0, 1, 2);
  addWinners(4, 1, 2, "b");
  f.window().showzjmd();
  EXPECT_EQ(board(), QStringList({"幸运奖2位", "", "a1"}));
}

}  // namespace
