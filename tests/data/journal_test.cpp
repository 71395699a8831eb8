// The draw journal: written with each change, read back as written, never changed, added to older files.
#include <gtest/gtest.h>

#include <QDateTime>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/journal.h"
#include "data/query.h"
#include "data/roster_store.h"
#include "data/schema.h"
#include "support/data_helpers.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::openOn;
using ld::test::TempApp;

namespace {

QStringList lines(Connection& c) {
  QStringList out;
  for (const JournalRow& row : readJournal(c)) out << journalLine(row);
  return out;
}

QStringList schemaOf(TempApp& app) {
  return app.rows(
      QStringLiteral("select type, name, sql from sqlite_master where name like 'cjrz%' order by name"));
}

}  // namespace

TEST(Journal, EveryKindIsReadBackAsWritten) {
  TempApp app;
  Connection c;
  openOn(c, app.folder());
  const JournalEntry entries[] = {
      {JournalEvent::Drawn, 1, 4, 17, QStringLiteral("王芳"), QStringLiteral("销售部"), 20},
      {JournalEvent::Nobody, 2, 99, std::nullopt, QString(), QString(), 0},
      {JournalEvent::ResultsCleared, std::nullopt, std::nullopt, std::nullopt, QString(), QString(),
       std::nullopt},
      {JournalEvent::RosterCleared, std::nullopt, std::nullopt, std::nullopt, QString(), QString(),
       std::nullopt},
      {JournalEvent::PlanChanged, std::nullopt, std::nullopt, std::nullopt, QString(), QString(),
       std::nullopt},
      {JournalEvent::Absent, 3, 2, 5, QStringLiteral("O'Brien\t二"), QStringLiteral(""), 7},
  };
  const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
  for (const JournalEntry& e : entries) appendJournal(c, e);
  const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

  const auto rows = readJournal(c);
  ASSERT_EQ(rows.size(), std::size(entries));
  const char* kinds[] = {"drawn", "nobody", "results cleared", "roster cleared", "plan changed", "absent"};
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(kinds[i]);
    const JournalRow& r = rows[i];
    const JournalEntry& e = entries[i];
    EXPECT_EQ(r.seq, qint64(i + 1));
    EXPECT_EQ(r.event, QString::fromLatin1(kinds[i]));
    EXPECT_EQ(r.order, e.order);
    EXPECT_EQ(r.level, e.level);
    EXPECT_EQ(r.id, e.id);
    EXPECT_EQ(r.name, e.name);
    EXPECT_EQ(r.name.isNull(), e.name.isNull()) << "NULL and empty stay apart";
    EXPECT_EQ(r.department, e.department);
    EXPECT_EQ(r.department.isNull(), e.department.isNull());
    EXPECT_EQ(r.poolSize, e.poolSize);
    const QDateTime t = QDateTime::fromString(r.time, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"));
    ASSERT_TRUE(t.isValid()) << r.time.toStdString();
    EXPECT_LE(before, t);
    EXPECT_LE(t, after);
    if (i > 0) {
      EXPECT_LE(rows[i - 1].time, r.time);
    }
  }
  EXPECT_EQ(journalLine(rows[0]),
            QStringLiteral("1\t") + rows[0].time + QStringLiteral("\tdrawn\t1\t4\t17\t王芳\t销售部\t20\t\t\t\t"));
  EXPECT_EQ(journalLine(rows[2]),
            QStringLiteral("3\t") + rows[2].time + QStringLiteral("\tresults cleared\t\t\t\t\t\t\t\t\t\t"));
  EXPECT_EQ(journalLine(rows[5]).split(QLatin1Char('\t')).size(), 13)
      << "a tab in a name stays inside its field";
}

TEST(Journal, TheEngineRefusesEveryChangeToARow) {
  TempApp app;
  Connection c;
  openOn(c, app.folder());
  appendJournal(c, {JournalEvent::Drawn, 1, 4, 1, QStringLiteral("甲"), QStringLiteral("部"), 3});
  appendJournal(c, {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
  const QStringList written = lines(c);
  Query q(c);
  for (const char* statement : {
           "update cjrz set lx='nobody' where xh=1",
           "update cjrz set xm='乙'",
           "delete from cjrz where xh=2",
           "delete from cjrz",
           "insert or replace into cjrz (xh, sj, lx) values (1, '2000-01-01T00:00:00.000', 'drawn')",
           "replace into cjrz (xh, sj, lx) values (2, '2000-01-01T00:00:00.000', 'nobody')",
       }) {
    SCOPED_TRACE(statement);
    try {
      q.execSql(QString::fromUtf8(statement));
      ADD_FAILURE() << "the journal was changed";
    } catch (const DbError& e) {
      EXPECT_TRUE(e.message().contains(QStringLiteral("抽奖记录只能添加"))) << e.what();
    }
    EXPECT_EQ(lines(c), written);
  }
  // Adding stays possible, and numbers go on from the last row.
  appendJournal(c, {JournalEvent::PlanChanged, {}, {}, {}, {}, {}, {}});
  EXPECT_EQ(readJournal(c).back().seq, 3);
}

TEST(Journal, IsWrittenInTheCallersTransactionAndLeavesTheQueryAlone) {
  TempApp app;
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("部"));
  Query& q = app.dataModule().ADOQuerymain;
  const JournalEntry drawn{JournalEvent::Drawn, 1, 4, id, QStringLiteral("甲"), QStringLiteral("部"), 1};

  q.execSql(QStringLiteral("begin"));
  q.execSql(QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(id));
  appendJournal(q, drawn);
  q.execSql(QStringLiteral("rollback"));
  EXPECT_TRUE(readJournal(q.connection()).empty());
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 0);

  q.openSql(QStringLiteral("select id, xm from yglb"));
  q.execSql(QStringLiteral("begin"));
  q.openSql(QStringLiteral("select id, xm from yglb"));
  appendJournal(q, drawn);
  ASSERT_EQ(q.recordCount(), 1) << "the query's result is still there";
  EXPECT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), QStringLiteral("甲"));
  q.execSql(QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(id));
  q.execSql(QStringLiteral("commit"));
  EXPECT_EQ(app.rows(QStringLiteral("select lx, ygid from cjrz")),
            QStringList{QStringLiteral("drawn|%1").arg(id)});
}

TEST(Journal, AnOlderFileGetsItOnceAndKeepsEveryRow) {
  TempApp app;
  for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  app.exec(QStringLiteral("update yglb set zj=4,zjsx=1 where xm='p1'"));
  app.exec(QStringLiteral("update jcsz set sz='公司' where xm='GSMC'"));
  const QStringList created = schemaOf(app);
  ASSERT_EQ(created.size(), 4) << "a new event has the table and its three guards";
  const QString everything = QStringLiteral(
      "select 'y', id, xm, bm, zp, zj, zjsx from yglb union all select 'j', xm, sz, '', '', 0, 0 from jcsz "
      "union all select 's', symc, sz, '', '', 0, 0 from sy union all select 'x', jx, sl, '', '', 0, 0 from "
      "jxsz");
  const QStringList before = app.rows(everything);
  {
    // A file from before the journal: only the open adds it, so this connection sees the file without.
    Connection old;
    openOn(old, app.folder());
    Query(old).execSql(QStringLiteral("drop table cjrz"));
    EXPECT_TRUE(readJournal(old).empty());
  }

  {
    Connection c;
    openOn(c, app.folder());
    EXPECT_TRUE(readJournal(c).empty());
    appendJournal(c, {JournalEvent::Drawn, 2, 4, 1, QStringLiteral("p0"), QStringLiteral("部门"), 2});
    EXPECT_EQ(schemaOf(app), created);
    EXPECT_EQ(app.rows(everything), before);
    // A journal missing a guard gets the guard only, at the next open.
    Query(c).execSql(QStringLiteral("drop trigger cjrz_no_delete"));
  }
  Connection c;
  openOn(c, app.folder());
  EXPECT_EQ(schemaOf(app), created);
  ASSERT_EQ(readJournal(c).size(), 1u);
  EXPECT_EQ(readJournal(c)[0].name, QStringLiteral("p0"));
  EXPECT_THROW(Query(c).execSql(QStringLiteral("delete from cjrz")), DbError);
  EXPECT_EQ(app.rows(everything), before);
}

TEST(Journal, AnOlderFileThatCannotBeChangedNowOpensAsItIs) {
  TempApp app;
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  Connection other;
  openOn(other, app.folder());
  Query(other).execSql(QStringLiteral("drop table cjrz"));
  Query(other).execSql(QStringLiteral("begin immediate"));  // another program in the middle of a change
  {
    Connection c;
    c.setBusyTimeout(0);
    openOn(c, app.folder());
    EXPECT_TRUE(readJournal(c).empty());
    Query q(c);
    q.openSql(QStringLiteral("select xm from yglb"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), QStringLiteral("甲"));
  }
  Query(other).execSql(QStringLiteral("rollback"));
  Connection next;
  openOn(next, app.folder());
  EXPECT_EQ(schemaOf(app).size(), 4) << "added at the next open that can";
}

TEST(Journal, AnOlderRosterGetsTheEmployeeNumberAndTheJournalKeepsTheWinnersOne) {
  TempApp app;
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  {
    // A file from before the columns, held by another program while it is opened: it reads as it is.
    Connection other;
    openOn(other, app.folder());
    for (const char* step :
         {"drop table cjrz", "drop index yglb_zj", "drop index yglb_bm", "alter table yglb rename to newer",
          "create table yglb (id integer primary key autoincrement, xm text collate nocase not null default '',"
          " bm text collate nocase not null default '', zp text collate nocase not null default '',"
          " zj integer not null default 0, zjsx integer not null default 0)",
          "insert into yglb select id, xm, bm, zp, zj, zjsx from newer", "drop table newer"})
      Query(other).execSql(QString::fromUtf8(step));
    Query(other).execSql(QStringLiteral("begin immediate"));
    Connection c;
    c.setBusyTimeout(0);
    openOn(c, app.folder());
    Query q(c);
    const std::vector<RosterEntry> roster = RosterStore(q).entriesInOrder();
    ASSERT_EQ(roster.size(), 1u);
    EXPECT_TRUE(roster[0].employeeId.isEmpty());
    Query(other).execSql(QStringLiteral("rollback"));
  }
  Connection c;
  openOn(c, app.folder());
  for (const AddedColumn& column : kAddedColumns)
    EXPECT_TRUE(hasColumn(c.handle(), column.table, column.name)) << column.table << '.' << column.name;
  Query(c).execSql(QStringLiteral("update yglb set gh='10023' where id=?"), {id});
  appendJournal(c, {JournalEvent::Drawn, 1, 4, id, QStringLiteral("甲"), QStringLiteral("部门"), 1});
  Query(c).execSql(QStringLiteral("update yglb set gh='99999' where id=?"), {id});
  ASSERT_EQ(readJournal(c).size(), 1u);
  EXPECT_EQ(readJournal(c)[0].employeeId, QStringLiteral("10023")) << "as the roster held it at the draw";
}
