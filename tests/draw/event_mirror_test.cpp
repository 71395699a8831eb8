// The mirror folder: a consistent copy after every stop that a spare machine goes on with, failures told once
// on the operator's screen, and the draw never kept waiting by a copy.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <future>
#include <thread>

#include "data/connection.h"
#include "data/query.h"
#include "draw/draw_session.h"
#include "draw/event_mirror.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "support/data_helpers.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"

using namespace ld;
using namespace ld::test;

namespace {

class Mirror : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 6; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
    f.program().setMirror(mirrorFolder());
    mirror().setStepObserver({});
    ASSERT_TRUE(settle());
    ASSERT_EQ(mirror().copiesMade(), 1) << "a first copy at once";
  }
  QString mirrorFolder() const { return stick.path() + QStringLiteral("/mirror/"); }
  EventMirror& mirror() { return *f.program().mirror(); }
  bool settle() {
    return QTest::qWaitFor([&] { return mirror().idle(); }, 20000);
  }
  QString stop() {
    TVELTRAXForm& w = f.window();
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    return w.shownWinner() ? w.shownWinner()->name : QString();
  }
  bool noticeUp() { return f.program().mirrorNotice() && f.program().mirrorNotice()->isVisible(); }
  QTemporaryDir stick;
  DrawFixture f;
};

TEST_F(Mirror, AfterEveryStopTheMirrorIsAnEventTheNextDrawGoesOnIn) {
  EXPECT_FALSE(QFileInfo::exists(mirrorFolder() + QStringLiteral("zt"))) << "no look of its own, no folder";
  // The stage's sharper copies and the event's look go along with the photos.
  for (const QString& file : {QStringLiteral("zpgq/部门_p0.jpg"), QStringLiteral("zt/bg.jpg")})
    writeFile(f.app.path(file), QByteArray(1000, 'x'));
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(stop().isEmpty());
  ASSERT_TRUE(settle());
  const QString winners = QStringLiteral("select id, xm, zj, zjsx from yglb where zj<>0 order by zjsx");
  Connection spare;
  openOn(spare, mirrorFolder());
  Query q(spare);
  q.openSql(
      QStringLiteral("select id || '|' || xm || '|' || zj || '|' || zjsx as w from yglb where zj<>0 "
                     "order by zjsx"));
  QStringList there;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) there << q.fieldByName(QStringLiteral("w")).asString();
  EXPECT_EQ(there, f.app.rows(winners));
  EXPECT_EQ(there.size(), 3);
  for (const QString& sub : {QStringLiteral("zp"), QStringLiteral("zpgq"), QStringLiteral("zt")}) {
    const QFileInfoList files = QDir(f.app.path(sub)).entryInfoList(QDir::Files);
    EXPECT_FALSE(files.isEmpty()) << sub.toStdString();
    for (const QFileInfo& photo : files) {
      const QFileInfo copy(mirrorFolder() + sub + QLatin1Char('/') + photo.fileName());
      EXPECT_TRUE(copy.isFile() && copy.size() == photo.size()) << photo.filePath().toStdString();
    }
  }
  EXPECT_EQ(QDir(mirrorFolder() + QStringLiteral("db")).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("db.mdb")})
      << "no scratch file left";

  // The spare machine draws the next one.
  DrawSession next(q);
  const DrawResult r = next.stop().front();
  EXPECT_TRUE(r.drawn);
  EXPECT_EQ(r.order, 4);
}

TEST_F(Mirror, AStickPulledOutIsToldOnceAndTheDrawGoesOn) {
  int told = 0, back = 0;
  QObject::connect(&mirror(), &EventMirror::failed, &mirror(), [&] { ++told; });
  QObject::connect(&mirror(), &EventMirror::working, &mirror(), [&] { ++back; });
  ASSERT_TRUE(QDir(mirrorFolder()).removeRecursively());
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(stop().isEmpty()) << "stop " << i;
    ASSERT_TRUE(settle());
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return noticeUp(); }));
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(f.program().mirrorNotice()->text().contains(QStringLiteral("不见了")));
  EXPECT_FALSE(QFileInfo::exists(mirrorFolder())) << "never made again on this disk";
  EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 2);
  EXPECT_TRUE(f.app.dialogs().shown.empty()) << "nothing that waits for an answer";

  // Back in, then out again: the notice goes, and comes once more.
  ASSERT_TRUE(QDir().mkpath(mirrorFolder()));
  stop();
  ASSERT_TRUE(settle());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !noticeUp(); }));
  EXPECT_EQ(back, 1);
  ASSERT_TRUE(QDir(mirrorFolder()).removeRecursively());
  stop();
  ASSERT_TRUE(settle());
  EXPECT_TRUE(QTest::qWaitFor([&] { return told == 2; }));
}

// A copy held up mid-way: stops go on being saved and shown meanwhile, and they ask for one more copy, not
// one each.
TEST_F(Mirror, ACopyUnderWayNeverKeepsAStopWaitingAndCopiesNeverOverlap) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> held{false}, armed{true}, overlapped{false};
  std::atomic<int> inside{0};
  std::thread::id copyThread;
  mirror().setStepObserver([&](int, int) {
    if (++inside > 1) overlapped = true;
    if (armed.exchange(false)) {
      copyThread = std::this_thread::get_id();
      held = true;
      released.wait();
    }
    --inside;
  });
  const int before = mirror().copiesTried();
  ASSERT_FALSE(stop().isEmpty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }));
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(stop().isEmpty()) << "a stop while the copy is held";
  EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 3);
  EXPECT_EQ(mirror().copiesTried(), before);
  release.set_value();
  ASSERT_TRUE(settle());
  EXPECT_EQ(mirror().copiesTried(), before + 2) << "the held copy and one more";
  EXPECT_FALSE(overlapped.load());
  EXPECT_NE(copyThread, std::this_thread::get_id());
  mirror().setStepObserver({});
}

}  // namespace
