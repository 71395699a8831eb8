// The rolling tiles' sample: uniform over the eligible and fresh at every tick, the roster read once per
// roll, changes between rolls shown at the next roll, and nobody shown who stopped being eligible during one.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <map>
#include <set>

#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/picture_box.h"

using namespace ld;
using namespace ld::test;

namespace {

// The 99.9th percentile of chi-square with 19 degrees of freedom.
constexpr double kChiSquare19At001 = 43.82;

QString photoOf(const QString& name) { return QStringLiteral("zp\\部门_") + name + QStringLiteral(".jpg"); }

class RollingSample : public ::testing::Test {
 protected:
  void add(int n) {
    for (int i = 0; i < n; ++i)
      f.app.addParticipant(QStringLiteral("p%1").arg(people++), QStringLiteral("部门"));
  }
  // The photos shown over `ticks` ticks of one roll.
  std::set<QString> shownOver(int ticks) {
    std::set<QString> shown;
    for (int t = 0; t < ticks; ++t)
      for (const QString& p : session.rollingPhotos()) shown.insert(p);
    return shown;
  }
  std::set<QString> eligible() {
    const QStringList rows = f.app.rows(QStringLiteral("select zp from yglb where zj=0 and zp<>''"));
    return {rows.begin(), rows.end()};
  }
  DrawFixture f;
  DrawSession session{f.app.dataModule().ADOQuerymain};
  int people = 0;
};

TEST_F(RollingSample, EveryTickIsAFreshUniformSampleOfTheEligible) {
  add(20);
  f.app.addParticipant(QStringLiteral("无照片"), QStringLiteral("部门"), false);
  const int drawn = f.app.addParticipant(QStringLiteral("已中奖"), QStringLiteral("部门"));
  f.app.exec(QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(drawn));

  session.beginRoll();
  const int ticks = 4000;
  std::map<QString, int> first, anywhere;
  std::set<QStringList> distinctTicks;
  for (int t = 0; t < ticks; ++t) {
    const QStringList photos = session.rollingPhotos();
    ASSERT_EQ(photos.size(), 8);
    ASSERT_EQ(std::set<QString>(photos.begin(), photos.end()).size(), 8u) << "eight different faces";
    ++first[photos[0]];
    for (const QString& p : photos) ++anywhere[p];
    distinctTicks.insert(photos);
  }
  EXPECT_EQ(first.size(), 20u);
  EXPECT_FALSE(anywhere.count(photoOf(QStringLiteral("已中奖"))));
  // Tile 1 holds each of the twenty equally often, and so does the ring as a whole.
  double chiFirst = 0, chiAnywhere = 0;
  for (const auto& [photo, n] : first) chiFirst += (n - ticks / 20.0) * (n - ticks / 20.0) / (ticks / 20.0);
  const double expected = ticks * 8 / 20.0;
  for (const auto& [photo, n] : anywhere) chiAnywhere += (n - expected) * (n - expected) / expected;
  EXPECT_LT(chiFirst, kChiSquare19At001);
  EXPECT_LT(chiAnywhere, kChiSquare19At001);
  EXPECT_GT(distinctTicks.size(), size_t(ticks * 0.99)) << "no pattern repeats from tick to tick";
}

TEST_F(RollingSample, TheRosterIsReadOnceARollAndChangesBetweenRollsShowAtTheNextRoll) {
  add(3);
  session.beginRoll();
  EXPECT_EQ(shownOver(50), eligible());

  // Between rolls: somebody new, results reset, a photo given to somebody who had none.
  add(2);
  const int late = f.app.addParticipant(QStringLiteral("后补"), QStringLiteral("部门"), false);
  f.app.exec(QStringLiteral("update yglb set zp='%1' where id=%2")
                 .arg(photoOf(QStringLiteral("p0")), QString::number(late)));
  EXPECT_EQ(shownOver(50).size(), 3u) << "the roll going on keeps the roster it started with";
  session.beginRoll();
  EXPECT_EQ(shownOver(100), eligible());
  EXPECT_EQ(eligible().size(), 5u) << "the late one shares p0's photo";

  // A stop ends the roll too: a tick without a new start reads the roster again.
  f.app.exec(QStringLiteral("update yglb set zj=4,zjsx=1"));
  add(1);
  EXPECT_EQ(session.stop().drawn, true);
  EXPECT_TRUE(session.rollingPhotos().isEmpty()) << "the only one left was just drawn";
}

TEST_F(RollingSample, NobodyShowsWhoStoppedBeingEligibleDuringTheRoll) {
  add(12);
  session.beginRoll();
  shownOver(5);
  // During the roll: two drawn elsewhere, one deleted, one renamed (new photo path).
  f.app.exec(QStringLiteral("update yglb set zj=4,zjsx=1 where xm in ('p0','p1')"));
  f.app.exec(QStringLiteral("delete from yglb where xm='p2'"));
  f.app.exec(QStringLiteral("update yglb set xm='改名', zp='%1' where xm='p3'")
                 .arg(photoOf(QStringLiteral("改名"))));
  // Read once: each read opens the encrypted database afresh, and deriving its key takes a while.
  const std::set<QString> nowEligible = eligible();
  for (int t = 0; t < 100; ++t) {
    const QStringList photos = session.rollingPhotos();
    ASSERT_EQ(photos.size(), 8);
    for (const QString& p : photos)
      ASSERT_TRUE(nowEligible.count(p)) << p.toStdString() << " is not eligible";
  }
  EXPECT_EQ(shownOver(100), nowEligible) << "the renamed one shows under the new photo";

  // Everybody gone during the roll: the tiles go to the placeholder.
  f.app.exec(QStringLiteral("delete from yglb"));
  EXPECT_TRUE(session.rollingPhotos().isEmpty());
}

TEST_F(RollingSample, FewerThanEightComeInRandomOrderWithTheLastRepeated) {
  add(3);
  session.beginRoll();
  std::map<QString, int> first;
  for (int t = 0; t < 300; ++t) {
    const QStringList photos = session.rollingPhotos();
    ASSERT_EQ(photos.size(), 8);
    EXPECT_EQ(std::set<QString>(photos.begin(), photos.begin() + 3).size(), 3u);
    for (int k = 3; k < 8; ++k) EXPECT_EQ(photos[k], photos[2]);
    ++first[photos[0]];
  }
  EXPECT_EQ(first.size(), 3u) << "each of the three leads the ring in some ticks";
}

// Through the windows: the operator adds somebody and resets the results in the settings window between
// two rolls, and the next roll shows them.
TEST(RollingWindow, ARosterChangeInTheSettingsWindowShowsAtTheNextRoll) {
  DrawFixture f;
  f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"), true, Qt::red);
  TVELTRAXForm& w = f.window();
  auto roll = [&] {
    std::set<QRgb> colours;
    click(w.GIFAnimatorlogo);
    for (int t = 0; t < 30; ++t) {
      w.TimercjTimer();
      for (int k = 1; k <= 8; ++k) {
        const QColor c = centreColour(*w.Image[k]);
        for (QColor known : {QColor(Qt::red), QColor(Qt::green)})
          if (similar(c, known)) colours.insert(known.rgb());
      }
    }
    click(w.GIFAnimatorlogo);
    return colours;
  };
  EXPECT_EQ(roll(), std::set<QRgb>{QColor(Qt::red).rgb()});  // 甲 is drawn at its stop

  TsettingForm* settings = f.program().openSettingsWindow();
  settings->Editxm->setText(QStringLiteral("乙"));
  settings->ComboBoxbm->setEditText(QStringLiteral("部门"));
  settings->Imagezp->loadFromData(solidJpeg(480, 360, Qt::green));
  settings->ButtontjygClick();
  ASSERT_EQ(f.app.count(QStringLiteral("select id from yglb where xm='乙' and zj=0")), 1);
  EXPECT_EQ(roll(), std::set<QRgb>{QColor(Qt::green).rgb()}) << "乙 rolls; 甲 won before";

  f.app.dialogs().confirmAnswers.assign(1, true);
  settings->Button7Click();
  ASSERT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  EXPECT_EQ(roll(), (std::set<QRgb>{QColor(Qt::red).rgb(), QColor(Qt::green).rgb()}));
  settings->close();
}

}  // namespace
