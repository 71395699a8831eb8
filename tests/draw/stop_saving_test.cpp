// The stop shows what the database holds, not what it picked, and an unsaved stop names its real cause.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/journal.h"
#include "data/query.h"
#include "data/transaction.h"
#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "support/data_helpers.h"
#include "support/draw_helpers.h"
#include "transfer/event_pack.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld;
using namespace ld::test;

namespace {

// 甲 is the only one who can be picked; 老板 has no photo, so only a trigger could make him a winner.
void addPeople(TempApp& app) {
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  app.addParticipant(QStringLiteral("老板"), QStringLiteral("总部"), false);
}

// A stop the database does not hold as written fails, announces nothing and leaves no result; one the
// database holds differently but consistently (a renamed row) is shown and journaled as held.
TEST(StopReadsBack, WhatIsShownAnnouncedAndJournaledIsWhatTheRosterHolds) {
  const struct {
    const char* what;
    const char* trigger;
    const char* shownName;  // null: the stop must fail
  } cases[] = {
      {"win moved to another",
       "create trigger rig after update of zj on yglb when new.zj>0 and new.xm<>'老板' begin "
       "update yglb set zj=0, zjsx=0 where id=new.id; "
       "update yglb set zj=new.zj, zjsx=new.zjsx where xm='老板'; end",
       nullptr},
      {"a second winner at the same order",
       "create trigger rig after update of zj on yglb when new.zj>0 and new.xm<>'老板' begin "
       "update yglb set zj=new.zj, zjsx=new.zjsx where xm='老板'; end",
       nullptr},
      {"journal row for another",
       "create trigger rig after insert on cjrz when new.lx='drawn' and new.xm<>'老板' begin "
       "insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm) values (new.sj, 'drawn', new.zjsx, new.zj, "
       "(select id from yglb where xm='老板'), '老板', '总部'); end",
       nullptr},
      {"row renamed",
       "create trigger rig after update of zj on yglb when new.zj>0 begin "
       "update yglb set xm='乙' where id=new.id; end",
       "乙"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DrawFixture f;
    addPeople(f.app);
    TVELTRAXForm& w = f.window();
    // Added once the event is open: a file that holds such a trigger is not opened at all.
    f.app.exec(QString::fromUtf8(c.trigger));
    QList<QList<DrawResult>> announced;
    QObject::connect(&f.program().session(), &DrawSession::drawn, &f.program().session(),
                     [&](const QList<DrawResult>& winners) { announced << winners; });
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    const QStringList journal = f.app.rows(QStringLiteral("select xm from cjrz where lx='drawn'"));
    if (!c.shownName) {
      EXPECT_EQ(w.GlowLabelcj0->caption(), QStringLiteral("未保存"));
      EXPECT_EQ(announced.count(), 0);
      EXPECT_FALSE(w.shownWinner().has_value());
      const QString error = f.app.dialogs().lastText();
      EXPECT_TRUE(error.contains(QStringLiteral("数据库可能被改动过"))) << error.toStdString();
      EXPECT_FALSE(error.contains(QStringLiteral("磁盘"))) << error.toStdString();
      EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
      EXPECT_TRUE(journal.isEmpty());
      continue;
    }
    ASSERT_EQ(announced.count(), 1);
    const QList<DrawResult>& winners = announced.at(0);
    ASSERT_EQ(winners.size(), 1);
    EXPECT_EQ(winners[0].name, QString::fromUtf8(c.shownName));
    ASSERT_TRUE(w.shownWinner().has_value());
    EXPECT_EQ(w.shownWinner()->name, QString::fromUtf8(c.shownName));
    EXPECT_TRUE(w.GlowLabelcj0->caption().contains(QString::fromUtf8(c.shownName)));
    EXPECT_EQ(journal, QStringList{QString::fromUtf8(c.shownName)});
  }
}

// A winner whose photo cannot be shown gets the placeholder, never an empty box, and the operator is told
// which file; the notice goes with the next roll.
TEST(WinnerPhoto, AMissingOrDamagedPhotoShowsThePlaceholderAndANotice) {
  const struct {
    const char* what;
    const char* bytes;  // null: no file at all
  } cases[] = {{"missing", nullptr}, {"not a picture", "not a JPEG"}, {"cut short", "\xff\xd8\xff\xe0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DrawFixture f;
    f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
    const QString photo = f.app.path(QStringLiteral("zp/部门_甲.jpg"));
    QFile::remove(photo);
    if (c.bytes) writeFile(photo, QByteArray(c.bytes));
    TVELTRAXForm& w = f.window();
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    ASSERT_TRUE(w.shownWinner().has_value()) << "the win is recorded whatever its photo";
    EXPECT_EQ(w.Image[0]->pictureFile(), f.app.path(QStringLiteral("system/logo.jpg")));
    EXPECT_TRUE(similar(centreColour(*w.Image[0]), Qt::gray));
    QLabel* notice = f.program().photoNotice();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains(QStringLiteral("部门_甲.jpg"))) << notice->text().toStdString();
    EXPECT_TRUE(f.app.dialogs().shown.empty()) << "nothing that waits for an answer";
    click(w.GIFAnimatorlogo);
    EXPECT_FALSE(notice->isVisible());
  }
}

// The mount namespace is the test process's own: nothing outside sees the read-only folder.
bool mountReadOnly(const QString& folder) {
  if (::unshare(CLONE_NEWNS) != 0) return false;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  const QByteArray path = QFile::encodeName(folder);
  if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) return false;
  return ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

bool setImmutable(const QString& path, bool on) {
  return QProcess::execute(QStringLiteral("chattr"),
                           {on ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}

// Each cause made to happen, then a stop through the window: the operator reads that cause, and of disk space
// only when the disk is full.
class UnsavedStop : public ::testing::Test {
 protected:
  void TearDown() override { undo(); }
  void undo() {
    for (const QString& p : immutable_) setImmutable(p, false);
    immutable_.clear();
    if (!mounted_.isEmpty()) ::umount2(QFile::encodeName(mounted_).constData(), MNT_DETACH);
    mounted_.clear();
  }
  bool protect(const QString& path) {
    if (!setImmutable(path, true)) return false;
    immutable_ << path;
    return true;
  }
  Connection& connection() { return f.program().data().ADOQuerymain.connection(); }
  // The error the operator is shown for one roll and stop; nothing may be recorded.
  QString stopError() {
    TVELTRAXForm& w = f.window();
    f.app.dialogs().clear();
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    EXPECT_EQ(w.GlowLabelcj0->caption(), QStringLiteral("未保存"));
    EXPECT_FALSE(w.shownWinner().has_value());
    return f.app.dialogs().texts(ScriptedDialogs::Shown::Error).join(QLatin1Char('\n'));
  }
  void expectCause(const QString& error, const QString& cause) {
    EXPECT_TRUE(error.contains(cause)) << error.toStdString();
    EXPECT_FALSE(error.contains(QStringLiteral("磁盘空间"))) << error.toStdString();
  }
  DrawFixture f;
  QStringList immutable_;
  QString mounted_;
};

TEST_F(UnsavedStop, LockedByAnotherProgram) {
  addPeople(f.app);
  f.window();
  Connection other;
  openOn(other, f.app.folder());
  const Transaction hold(other);
  const ScopedBusyTimeout brief(connection(), 50);
  expectCause(stopError(), QStringLiteral("锁定了活动数据库"));
}

TEST_F(UnsavedStop, DiskFull) {
  addPeople(f.app);
  f.window();
  // The engine's own limit on the file's size, and the journal's last page filled with small rows up to it,
  // so that the stop's row finds no room.
  Query q(connection());
  q.openSql(QStringLiteral("pragma page_count"));
  q.first();
  const int pages = q.fieldByName(QStringLiteral("page_count")).asInteger();
  q.openSql(QStringLiteral("pragma max_page_count=%1").arg(pages + 1));
  try {
    for (;;) q.execSql(QStringLiteral("insert into cjrz (sj, lx) values ('', 'x')"));
  } catch (const DbError&) {
  }
  const QString error = stopError();
  EXPECT_TRUE(error.contains(QStringLiteral("磁盘空间已满"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("腾出磁盘空间"))) << error.toStdString();
}

TEST_F(UnsavedStop, ReadOnlyFileFolderAndMount) {
  const struct {
    const char* what;
    const char* cause;
  } cases[] = {{"file", "是只读的"}, {"folder", "不允许写入"}, {"mount", "只读挂载"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    f.started.reset();
    f.app.exec(QStringLiteral("delete from yglb"));
    addPeople(f.app);
    const QString what = QString::fromLatin1(c.what);
    const QString dbFolder = f.app.path(QStringLiteral("db"));
    if (what == QLatin1String("mount")) {
      if (!mountReadOnly(dbFolder)) GTEST_SKIP() << "no mount namespace here";
      mounted_ = dbFolder;
    } else if (!protect(what == QLatin1String("file") ? f.app.dbPath() : dbFolder)) {
      GTEST_SKIP() << "chattr +i is not available here";
    }
    expectCause(stopError(), QString::fromUtf8(c.cause));
    EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
    f.started.reset();
    undo();
  }
}

TEST_F(UnsavedStop, FileReplacedUnderTheProgramIsNotReportedSaved) {
  addPeople(f.app);
  f.window();
  const QString moved = f.app.path(QStringLiteral("db/moved.mdb"));
  ASSERT_TRUE(QFile::rename(f.app.dbPath(), moved));
  ASSERT_TRUE(QFile::copy(moved, f.app.dbPath()));
  expectCause(stopError(), QStringLiteral("重新启动程序"));
  // Neither the file in place nor the one moved away holds a winner.
  EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  Connection old;
  old.setConnectionString(TDataModule1::connectionStringFor(f.app.folder()), moved);
  old.setConnected(true);
  Query q(old);
  q.openSql(QStringLiteral("select id from yglb where zj<>0"));
  EXPECT_EQ(q.recordCount(), 0);
}

// A stop made while the event is being packed is saved at once, and the archive holds one committed state
// of the event: the copy under way starts again, so it holds that winner with the journal row.
TEST(PackDuringTheDraw, AStopWhileThePackCopiesIsSavedAndPacked) {
  DrawFixture f;
  addPeople(f.app);
  // Enough rows for the copy to take several steps.
  f.app.exec(
      QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                     "insert into yglb (xm, bm) select 'x' || i, '填充' from n"));
  TVELTRAXForm& w = f.window();
  QTemporaryDir out;
  const QString archive = out.filePath(QStringLiteral("活动.zip"));
  int steps = 0;
  QString shownDuringPack;
  packEvent(f.app.folder(), archive, [&](int copied, int total) {
    if (steps++ > 0 || copied >= total) return;
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    shownDuringPack = w.shownWinner() ? w.shownWinner()->name : w.GlowLabelcj0->caption();
  });
  EXPECT_GT(steps, 1);
  EXPECT_EQ(shownDuringPack, QStringLiteral("甲"));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("活动.zip")})
      << "the copy is gone";

  const QString unpacked = out.filePath(QStringLiteral("elsewhere/"));
  unpackEvent(archive, unpacked);
  Connection packed;
  openOn(packed, unpacked);
  Query q(packed);
  q.openSql(QStringLiteral("select xm || '|' || zjsx as w from yglb where zj<>0"));
  ASSERT_EQ(q.recordCount(), 1);
  q.first();
  EXPECT_EQ(q.fieldByName(QStringLiteral("w")).asString(), QStringLiteral("甲|1"));
  const std::optional<JournalRow> last = latestJournalRow(q);
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->name, QStringLiteral("甲"));
  q.openSql(QStringLiteral("pragma integrity_check"));
  q.first();
  EXPECT_EQ(q.fieldByName(QStringLiteral("integrity_check")).asString(), QStringLiteral("ok"));
}

}  // namespace
