// eventdb purge: after it the event folder holds nobody's photo, number, code or check-in, the journal no
// names but the kept winners', and the journal is as append-only as before.
#include "eventdb/purge_command.h"

#include <gtest/gtest.h>

#include <QDir>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "eventdb/event_commands.h"
#include "framework/event_lock.h"
#include "support/temp_app.h"

namespace ld::eventdb {
namespace {

using test::TempApp;

struct Outcome {
  int status = -1;
  QStringList out;
  QString error;
};

Outcome run(const QStringList& args) {
  Outcome r;
  r.status = runPurgeCommand(args, r.out, r.error);
  return r;
}

class PurgeCommandTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    // 甲 and 丙 won, 乙 was absent, 丁 checked in only.
    const struct {
      const char *name, *number;
      int level, order;
    } people[] = {{"甲", "E01", 1, 2}, {"乙", "E02", -1, 0}, {"丙", "E03", 4, 1}, {"丁", "E04", 0, 0}};
    for (const auto& p : people) {
      const int id = app.addParticipant(QString::fromUtf8(p.name), QStringLiteral("研发部"));
      app.exec(QStringLiteral("update yglb set gh='%1', bq='新人', qd='2024-01-19T18:00:00', qdm='K8DU2Q', "
                              "qdsb='ab12', zj=%2, zjsx=%3 where id=%4")
                   .arg(QLatin1String(p.number))
                   .arg(p.level)
                   .arg(p.order)
                   .arg(id));
      app.exec(QStringLiteral("insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, gh) values "
                              "('2024-01-19T18:00:00', 'drawn', %1, %2, %3, '%4', '研发部', '%5')")
                   .arg(p.order)
                   .arg(p.level)
                   .arg(id)
                   .arg(QString::fromUtf8(p.name), QLatin1String(p.number)));
      test::writeFile(app.path(QStringLiteral("zpgq/研发部_%1.jpg").arg(QString::fromUtf8(p.name))),
                      test::solidJpeg(960, 720, Qt::red));
    }
    app.exec(QStringLiteral("insert into cjrz (sj, lx) values ('2024-01-19T19:00:00', 'results cleared')"));
    // Enough people without photos that removing them frees whole pages of the file.
    app.exec(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i+1 from n where i<300) "
        "insert into yglb (xm, bm, bq) select '戊'||i, '生产部', hex(randomblob(200)) from n"));
    app.exec(
        QStringLiteral("update jxsz set gz='{\"departments\":[\"研发部\"],\"excludePeople\":"
                       "[{\"gh\":\"E04\"}]}' where jx=2"));
    app.exec(QStringLiteral("update jcsz set sz='王经理' where xm='LXRY'"));
    // What interrupted writes and a hand-made copy leave behind.
    test::writeFile(app.path(QStringLiteral("zp/.~new-0123456789abcdef.jpg")), "half a photo");
    test::writeFile(app.path(QStringLiteral("db/db.mdb.bak")), test::readFile(app.dbPath()));
  }
  QStringList entries(const QString& folder) {
    return QDir(app.path(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  TempApp app;
};

TEST_P(PurgeCommandTest, NobodyIsLeftButTheKeptWinners) {
  const bool keep = GetParam();
  QStringList args{QStringLiteral("purge"), app.folder()};
  if (keep) args << QStringLiteral("--keep-results");
  const Outcome r = run(args);
  ASSERT_EQ(r.status, 0) << r.error.toStdString();
  // Before anything opens the file again (which would add missing guards): they are all there.
  EXPECT_EQ(app.rows(QStringLiteral("select name from sqlite_master where type='trigger' order by name")),
            (QStringList{"cjrz_no_delete", "cjrz_no_replace", "cjrz_no_update"}));
  EXPECT_TRUE(r.out.contains(QStringLiteral("已删除 %1 位参与者").arg(keep ? 302 : 304)))
      << r.out.join('\n').toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("已删除 zp/ 中的 4 个文件（照片）")));
  EXPECT_TRUE(r.out.contains(QStringLiteral("已删除中断的写入留下的 1 个临时文件")));

  const QStringList kept =
      keep ? QStringList{QStringLiteral("甲|研发部|1|2|||||||"), QStringLiteral("丙|研发部|4|1|||||||")}
           : QStringList{};
  EXPECT_EQ(app.rows(QStringLiteral(
                "select xm, bm, zj, zjsx, zp, gh, bq, qd, qdm, qdsb, '' from yglb order by id")),
            kept);
  EXPECT_EQ(entries(QStringLiteral("zp")), QStringList());
  EXPECT_EQ(entries(QStringLiteral("zpgq")), QStringList());
  EXPECT_EQ(entries(QStringLiteral("db")), QStringList{QStringLiteral("db.mdb")});
  EXPECT_EQ(
      app.rows(QStringLiteral("select ifnull(xm,'-'), ifnull(bm,'-'), ifnull(gh,'-') from cjrz order by xh")),
      keep ? (QStringList{"甲|研发部|-", "-|-|-", "丙|研发部|-", "-|-|-", "-|-|-"})
           : QStringList(5, QStringLiteral("-|-|-")));
  EXPECT_TRUE(PlanStore(app.dataModule().ADOQuerysetting).forDraw().prize(2)->rule.excludePeople.empty());
  EXPECT_EQ(PlanStore(app.dataModule().ADOQuerysetting).forDraw().prize(2)->rule.departments,
            QStringList{QStringLiteral("研发部")});
  EXPECT_EQ(app.rows(QStringLiteral("select sz from jcsz where xm='LXRY'")), QStringList{QString()});

  // A fresh connection opens the file, so the journal's guards came back exactly as made; the rebuilt file
  // has no free pages where deleted rows could linger, and no table still holds a purged value.
  Connection fresh;
  connectToEvent(fresh, app.folder());
  Query q(fresh);
  q.openSql(QStringLiteral("pragma freelist_count"));
  q.first();
  EXPECT_EQ(q.fieldByName(q.columnNames().value(0)).asInteger(), 0);
  for (const char* table : {"yglb", "cjrz", "jxsz", "jcsz", "sy"}) {
    q.openSql(QStringLiteral("select * from %1").arg(QLatin1String(table)));
    q.first();
    for (int row = 0; row < q.recordCount(); ++row, q.next())
      for (const QString& column : q.columnNames()) {
        const Field f = q.fieldByName(column);
        const QString value = f.isNull() ? QString() : f.asString();
        for (const char* gone : {"乙", "丁", "戊", "E0", "K8DU2Q", "ab12", "新人", "王经理", ".jpg"})
          EXPECT_FALSE(value.contains(QString::fromUtf8(gone)))
              << table << "." << column.toStdString() << ": " << value.toStdString();
      }
  }
  for (const char* change : {"update cjrz set xm='x'", "delete from cjrz"})
    EXPECT_THROW(q.execSql(QString::fromLatin1(change)), DbError) << change;
}

INSTANTIATE_TEST_SUITE_P(KeepingResults, PurgeCommandTest, ::testing::Bool());

TEST_F(PurgeCommandTest, NothingIsRemovedWhileTheDrawHasTheEvent) {
  const QStringList before = app.rows(QStringLiteral("select xm from yglb"));
  {
    EventLock program(app.folder());
    const Outcome r = run({QStringLiteral("purge"), app.folder()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.error.contains(QStringLiteral("正被另一个程序"))) << r.error.toStdString();
  }
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb")), before);
  EXPECT_EQ(entries(QStringLiteral("zp")).size(), 5);
  for (const QStringList& wrong :
       {QStringList{QStringLiteral("purge"), app.folder(), QStringLiteral("--keep")},
        QStringList{QStringLiteral("purge")}})
    EXPECT_EQ(run(wrong).status, 2);
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb")), before);
}

}  // namespace
}  // namespace ld::eventdb
