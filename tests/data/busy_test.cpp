// Another program holding the event database: a use waits as long as it says, then hears it in Chinese;
// transactions save together or not at all.
#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/journal.h"
#include "data/transaction.h"
#include "support/data_helpers.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::openOn;
using ld::test::TempApp;

namespace {

// The message a statement fails with; empty when it ran.
template <class F>
QString failure(F&& f) {
  try {
    f();
  } catch (const DbError& e) {
    return e.message();
  }
  return {};
}

const QString busy = QStringLiteral("活动数据库正被另一个程序使用，请稍后再试");

}  // namespace

TEST(Busy, AHeldFileIsReportedInChineseWhereverItShows) {
  TempApp app;
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("部"));
  Connection other;
  openOn(other, app.folder());
  Connection c;
  c.setBusyTimeout(0);
  openOn(c, app.folder());
  Query q(c);
  {
    Transaction writing(other);  // another program about to write
    Query(other).execSql(QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(id));
    EXPECT_EQ(failure([&] { q.execSql(QStringLiteral("update jxsz set sl=9 where jx=1")); }), busy);
    EXPECT_EQ(failure([&] { Transaction t(c); }), busy);
    EXPECT_EQ(failure([&] { appendJournal(c, {JournalEvent::PlanChanged, {}, {}, {}, {}, {}, {}}); }), busy);
    q.openSql(QStringLiteral("select zj from yglb"));  // reading goes on meanwhile, seeing what is saved
    EXPECT_EQ(q.fieldByName(QStringLiteral("zj")).asInteger(), 0);
  }  // not committed: rolled back
  EXPECT_EQ(app.rows(QStringLiteral("select zj from yglb")), QStringList{QStringLiteral("0")});

  // While the other program saves, even opening and reading wait; the open uses the timeout set before it.
  Query(other).execSql(QStringLiteral("begin exclusive"));
  Connection late;
  late.setBusyTimeout(0);
  late.setConnectionString(TDataModule1::connectionStringFor(app.folder()));
  const QString atOpen = failure([&] { late.setConnected(true); });
  EXPECT_TRUE(atOpen.contains(busy) && !atOpen.contains(QStringLiteral("locked"))) << atOpen.toStdString();
  EXPECT_EQ(failure([&] { q.openSql(QStringLiteral("select zj from yglb")); }), busy);
  Query(other).execSql(QStringLiteral("rollback"));
  EXPECT_EQ(failure([&] { late.setConnected(true); }), QString());
}

TEST(Busy, AUseWaitsAsLongAsItsTimeoutSays) {
  TempApp app;
  Connection other;
  openOn(other, app.folder());
  Connection c;
  openOn(c, app.folder());
  auto holding = std::make_unique<Transaction>(other);
  {
    ScopedBusyTimeout tick(c, 0);
    EXPECT_EQ(failure([&] { Transaction t(c); }), busy);
  }
  EXPECT_EQ(c.busyTimeout(), 5000) << "the scoped timeout is undone";
  // The other program lets go while this one waits: with a long enough timeout the wait ends in success.
  std::thread release([&] {
    QThread::msleep(100);
    holding->commit();
  });
  c.setBusyTimeout(600000);
  EXPECT_EQ(failure([&] {
              Transaction t(c);
              Query(c).execSql(QStringLiteral("update jxsz set sl=7 where jx=1"));
              t.commit();
            }),
            QString());
  release.join();
  EXPECT_EQ(app.rows(QStringLiteral("select sl from jxsz where jx=1")), QStringList{QStringLiteral("7")});
}

TEST(Transaction, SavesTogetherOrNotAtAll) {
  TempApp app;
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("部"));
  Connection c;
  openOn(c, app.folder());
  const QString record = QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(id);
  const JournalEntry drawn{JournalEvent::Drawn, 1, 4, id, QStringLiteral("甲"), QStringLiteral("部"), 1};
  const QString state =
      QStringLiteral("select (select count(*) from yglb where zj=4) || '/' || (select count(*) from cjrz)");
  {
    Transaction t(c);
    Query(c).execSql(record);
    appendJournal(c, drawn);
  }  // ended without commit
  EXPECT_EQ(app.rows(state), QStringList{QStringLiteral("0/0")});

  // A commit the engine refuses (a reader of another program holds the file) leaves nothing half saved.
  Connection reader;
  openOn(reader, app.folder());
  Query(reader).execSql(QStringLiteral("begin"));
  Query(reader).openSql(QStringLiteral("select count(*) from yglb"));
  c.setBusyTimeout(0);
  {
    Transaction t(c);
    Query(c).execSql(record);
    appendJournal(c, drawn);
    EXPECT_EQ(failure([&] { t.commit(); }), busy);
    EXPECT_TRUE(t.active());
  }
  Query(reader).execSql(QStringLiteral("commit"));
  EXPECT_EQ(app.rows(state), QStringList{QStringLiteral("0/0")});

  {
    Transaction t(c);
    Query(c).execSql(record);
    appendJournal(c, drawn);
    t.commit();
    EXPECT_FALSE(t.active());
    EXPECT_THROW(t.commit(), DbError);
  }
  EXPECT_EQ(app.rows(state), QStringList{QStringLiteral("1/1")});
}
