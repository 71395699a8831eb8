// The rolling tiles' sample: uniform over the eligible and fresh at every tick, the roster read once per
// roll, changes between rolls shown at the next roll, and nobody shown who stopped being eligible during one.
// The stop: order, pick and record under one lock, only somebody still undrawn recorded, and no winner shown
// that the database does not hold.
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

#include <QComboBox>
#include <QLineEdit>
#include <functional>
#include <map>
#include <ostream>
#include <set>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "settings/setting_form.h"
#include "support/data_helpers.h"
#include "support/draw_helpers.h"
#include "support/printing.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
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

// Another program records results during the roll (a winner outside the plan, somebody absent): from the next
// tick on they are gone from the tiles, with nobody else changed to make the roll read the roster again.
TEST_F(RollingSample, ResultsRecordedElsewhereDuringTheRollLeaveTheTilesAtTheNextTick) {
  add(4);  // fewer than eight: every tick shows everybody in the pool
  session.beginRoll();
  EXPECT_EQ(shownOver(3), eligible());
  f.app.exec(QStringLiteral("update yglb set zj=99, zjsx=1 where xm='p0'"));
  f.app.exec(QStringLiteral("update yglb set zj=-1 where xm='p1'"));
  const std::set<QString> left{photoOf(QStringLiteral("p2")), photoOf(QStringLiteral("p3"))};
  for (int t = 0; t < 20; ++t) {
    const QStringList photos = session.rollingPhotos();
    EXPECT_EQ(std::set<QString>(photos.begin(), photos.end()), left) << "tick " << t;
  }
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
  EXPECT_EQ(session.stop().front().drawn, true);
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

// Runs `meanwhile` once, when the first statement that writes starts on `connection`: for a stop, after it
// has read the draw order and picked its winner, just before it records them.
class AtFirstWrite {
 public:
  AtFirstWrite(Connection& connection, std::function<void()> meanwhile)
      : db_((connection.setConnected(true), connection.handle())), meanwhile_(std::move(meanwhile)) {
    sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &AtFirstWrite::started, this);
  }
  ~AtFirstWrite() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
  AtFirstWrite(const AtFirstWrite&) = delete;
  AtFirstWrite& operator=(const AtFirstWrite&) = delete;
  bool fired() const { return fired_; }

 private:
  static int started(unsigned, void* self, void* statement, void*) {
    auto* me = static_cast<AtFirstWrite*>(self);
    auto* stmt = static_cast<sqlite3_stmt*>(statement);
    // BEGIN and COMMIT count as read-only; only a change of rows is what we wait for.
    if (me->fired_ || sqlite3_stmt_readonly(stmt)) return 0;
    const QByteArray sql = QByteArray(sqlite3_sql(stmt)).trimmed().toLower();
    if (!sql.startsWith("update") && !sql.startsWith("insert") && !sql.startsWith("delete")) return 0;
    me->fired_ = true;
    try {
      me->meanwhile_();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "meanwhile: " << e.what();
    }
    return 0;
  }
  sqlite3* db_;
  std::function<void()> meanwhile_;
  bool fired_ = false;
};

const QString kBusy = QStringLiteral("活动数据库正被另一个程序使用，请稍后再试");

class StopRace : public ::testing::Test {
 protected:
  Connection& connection() { return f.app.dataModule().ADOQuerymain.connection(); }
  QStringList drawnJournal() {
    return f.app.rows(QStringLiteral("select zjsx, zj, ygid from cjrz where lx='drawn' order by xh"));
  }
  DrawFixture f;
  DrawSession session{f.app.dataModule().ADOQuerymain};
};

// Two programs on one event (a second copy started on a copied folder path, or eventdb) stop at the same
// moment: the second is kept out until the first has committed, so no order and no prize is given twice.
TEST_F(StopRace, ASecondProgramStoppingMeanwhileWaitsForTheFirstToCommit) {
  for (int i = 0; i < 3; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  Connection other;
  openOn(other, f.app.folder());
  Query otherQuery(other);
  DrawSession otherSession(otherQuery);
  QString refused;
  DrawResult mine;
  {
    AtFirstWrite race(connection(), [&] {
      // It cannot wait here: the first stop goes on only once this returns.
      ScopedBusyTimeout noWait(other, 0);
      try {
        const DrawResult r = otherSession.stop().front();
        refused = QStringLiteral("recorded %1 at order %2").arg(r.name).arg(r.order);
      } catch (const Error& e) {
        refused = e.message();
      }
    });
    mine = session.stop().front();
    ASSERT_TRUE(race.fired());
  }
  EXPECT_EQ(refused, kBusy) << "the second program's stop while the first held the event";
  ASSERT_TRUE(mine.drawn);
  EXPECT_EQ(mine.order, 1);
  const QString first = QStringLiteral("1|%1|%2").arg(mine.level).arg(mine.id);
  EXPECT_EQ(f.app.rows(QStringLiteral("select zjsx, zj, id from yglb where zj<>0")), QStringList{first});
  EXPECT_EQ(drawnJournal(), QStringList{first});

  // Once the first has committed, the second program's stop goes through with the next order.
  const DrawResult second = otherSession.stop().front();
  ASSERT_TRUE(second.drawn);
  EXPECT_EQ(second.order, 2);
  EXPECT_NE(second.id, mine.id);
  EXPECT_EQ(drawnJournal().size(), 2);
}

// Between the pick and the record the picked participant stops being undrawn, as a writer the lock did not
// keep out would make it: the stop records nothing, and the window shows no winner the database does not
// hold. (The change is made on the stop's own connection, the one writer the lock lets in.)
TEST(StopRecordsOnlyTheUndrawn, APickThatIsNoLongerUndrawnIsNotRecordedNorShown) {
  const struct {
    const char* what;
    const char* meanwhile;
  } cases[] = {
      {"drawn meanwhile", "update yglb set zj=1, zjsx=7 where xm='甲'"},
      {"absent meanwhile", "update yglb set zj=-1, zjsx=0 where xm='甲'"},
      {"deleted meanwhile", "delete from yglb where xm='甲'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DrawFixture f;
    f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));  // the only one who can be picked
    f.app.addParticipant(QStringLiteral("无照片"), QStringLiteral("部门"), false);
    TVELTRAXForm& w = f.window();
    Connection& connection = f.program().data().ADOQuerymain.connection();
    {
      AtFirstWrite meanwhile(connection, [&] { Query(connection).execSql(QString::fromUtf8(c.meanwhile)); });
      click(w.GIFAnimatorlogo);
      click(w.GIFAnimatorlogo);
      ASSERT_TRUE(meanwhile.fired());
    }
    EXPECT_EQ(w.GlowLabelcj0->caption(), QStringLiteral("未保存"));
    const QStringList errors = f.app.dialogs().texts(ScriptedDialogs::Shown::Error);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.value(0).contains(QStringLiteral("甲"))) << errors.value(0).toStdString();
    EXPECT_FALSE(fireworksShown());
    EXPECT_EQ(f.app.count(QStringLiteral("select xh from cjrz where lx='drawn'")), 0);
    EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zjsx=1")), 0) << "nobody got the order";
  }
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
