#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <map>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

QString md5(const QString& path) {
  return QString::fromLatin1(
      QCryptographicHash::hash(ld::test::readFile(path), QCryptographicHash::Md5).toHex());
}

}  // namespace

TEST(Dialect, TopBecomesLimitAndTheRestIsSentAsWritten) {
  EXPECT_EQ(translateStatement(QStringLiteral("select top 8 zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) ")),
            QStringLiteral("select zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID])  limit 8"));
  EXPECT_EQ(translateStatement(QStringLiteral("SELECT TOP 1 * from JCSZ where xm='GSMC'")),
            QStringLiteral("select * from JCSZ where xm='GSMC' limit 1"));
  const QString plain = QStringLiteral("select id from  YGLB  where zj>0 ");
  EXPECT_EQ(translateStatement(plain), plain);
}

TEST(EventDatabase, SeededRowsAndCaseInsensitiveKeys) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  q.openSql(QStringLiteral("select top 1 sz from sy where symc='jx'"));
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName(QStringLiteral("SZ")).asInteger(), 1);
  q.openSql(QStringLiteral("select sz from SY where symc='JX'  and sz=1 "));
  EXPECT_EQ(q.recordCount(), 1);

  const int expected[] = {1, 2, 3, 5};
  for (int k = 1; k <= 4; ++k) {
    q.openSql(QStringLiteral("select sl from  JXSZ  where jx=%1 ").arg(k));
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName(QStringLiteral("sl")).asInteger(), expected[k - 1]);
  }

  // Event information saved with lower-case keys is read back with upper-case ones.
  q.execSql(QStringLiteral("update JCSZ set sz='张三' where xm='lxry'"));
  q.execSql(QStringLiteral("update JCSZ set sz='' where xm='lxdh'"));
  q.openSql(QStringLiteral("select top 1 * from JCSZ where xm='LXRY'"));
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName(QStringLiteral("sz")).asString(), QStringLiteral("张三"));
  q.openSql(QStringLiteral("select top 1 * from JCSZ where xm='LXDH'"));
  EXPECT_EQ(q.fieldByName(QStringLiteral("sz")).asString(), QString());

  // An update aimed at a missing key row changes nothing and is no error.
  q.execSql(QStringLiteral("update JCSZ set sz='x' where xm='NOPE'"));
  EXPECT_EQ(q.rowsAffected(), 0);
  EXPECT_EQ(app.count(QStringLiteral("select * from jcsz")), 3);
}

TEST(EventDatabase, RosterStatementsAndDefaults) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  q.execSql(QStringLiteral("delete from yglb"));  // on an empty table
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '王芳', '销售部','zp\\销售部_王芳.jpg' )"));
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '李雷', '研发部','zp\\研发部_李雷.jpg' )"));
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '韩梅', '销售部','' )"));
  q.openSql(QStringLiteral("select * from yglb order by id"));
  ASSERT_EQ(q.recordCount(), 3);
  EXPECT_EQ(q.fieldByName(QStringLiteral("zj")).asInteger(), 0);
  EXPECT_EQ(q.fieldByName(QStringLiteral("zjsx")).asString(), QStringLiteral("0"));
  EXPECT_EQ(q.fieldByName(QStringLiteral("id")).asString(), QStringLiteral("1"));

  q.openSql(QStringLiteral("select bm from yglb group by bm order by bm"));
  EXPECT_EQ(q.recordCount(), 2);

  // The duplicate checks, in both of their spellings.
  q.openSql(QStringLiteral("select id from yglb where xm='王芳' and bm='销售部'"));
  EXPECT_EQ(q.recordCount(), 1);
  q.openSql(QStringLiteral("select id from  yglb where xm='王芳'and bm='销售部'and id<>1"));
  EXPECT_EQ(q.recordCount(), 0);
  q.execSql(QStringLiteral("update  yglb set xm='王芳芳', bm='销售部',zp='zp\\销售部_王芳芳.jpg' where id=1"));
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb where id=1")), QStringList{QStringLiteral("王芳芳")});

  // Participants without a photo never reach the draw.
  q.openSql(QStringLiteral("select top 8 zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  EXPECT_EQ(q.recordCount(), 2);
  q.execSql(QStringLiteral("delete from yglb where id=2"));
  EXPECT_EQ(app.count(QStringLiteral("select * from yglb")), 2);
}

TEST(EventDatabase, DrawStatementsAndTheNextDrawOrder) {
  TempApp app;
  for (int i = 0; i < 5; ++i) app.addParticipant(QStringLiteral("员工%1").arg(i), QStringLiteral("部门"));
  Query& q = app.dataModule().ADOQuerymain;
  const QString order = QStringLiteral("select top 1 zjsx as expr from yglb where zj>0 order by zjsx desc");
  q.openSql(order);
  EXPECT_EQ(q.recordCount(), 0);  // no winners: the next draw order is 1

  q.execSql(QStringLiteral("update yglb set zj=4,zjsx=1 where id=3"));
  q.execSql(QStringLiteral("update yglb set zj=99,zjsx=2 where id=5"));
  q.openSql(order);
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName(QStringLiteral("expr")).asString().toInt(), 2);

  q.openSql(QStringLiteral("select id from  YGLB  where zj>0 "));
  EXPECT_EQ(q.recordCount(), 2);
  q.openSql(QStringLiteral("select id from yglb where zj<>0"));
  EXPECT_EQ(q.recordCount(), 2);
  q.openSql(QStringLiteral("select xm from  YGLB  where zj=4 order by zjsx "));
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), QStringLiteral("员工2"));

  // Fewer rows than the tick reads: next on the last row stays there.
  q.openSql(QStringLiteral("select top 8 zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  ASSERT_EQ(q.recordCount(), 3);
  q.first();
  for (int i = 0; i < 7; ++i) q.next();
  EXPECT_EQ(q.recNo(), 2);

  q.openSql(QStringLiteral("select top 1 id,xm,bm,zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_FALSE(q.fieldByName(QStringLiteral("ZP")).asString().isEmpty());
  EXPECT_THROW(q.fieldByName(QStringLiteral("zj")), DbError) << "not selected, so not readable";
}

TEST(EventDatabase, ReadingErrors) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerymain;
  q.openSql(QStringLiteral("select id from yglb"));
  EXPECT_THROW(q.fieldByName(QStringLiteral("id")), DbError);  // empty result
  q.openSql(QStringLiteral("select null as v, 'abc' as t, 2.5 as d"));
  EXPECT_THROW(q.fieldByName(QStringLiteral("v")).asString(), DbError);
  EXPECT_THROW(q.fieldByName(QStringLiteral("t")).asInteger(), DbError);
  EXPECT_THROW(q.fieldByName(QStringLiteral("d")).asInteger(), DbError);
  EXPECT_THROW(q.fieldByName(QStringLiteral("nope")), DbError);
  EXPECT_THROW(q.openSql(QStringLiteral("select frob from yglb")), DbError);
  EXPECT_THROW(q.execSql(QStringLiteral("update JXSZ set sl=abc where jx=1")), DbError);
  // A second statement smuggled behind the first never runs.
  EXPECT_THROW(q.execSql(QStringLiteral("update yglb set zj=0; delete from jxsz")), DbError);
  EXPECT_EQ(app.count(QStringLiteral("select * from jxsz")), 4);
}

TEST(EventDatabase, QuotedTextIsStoredExactly) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  const QString name = QStringLiteral("O'Brien '); delete from yglb; --");
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '") + sqlEscape(name) +
            QStringLiteral("', 'IT','' )"));
  q.openSql(QStringLiteral("select id from yglb where xm='") + sqlEscape(name) + QStringLiteral("' and bm='IT'"));
  EXPECT_EQ(q.recordCount(), 1);
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb")), QStringList{name});
  EXPECT_TRUE(isWholeNumber(QStringLiteral("12")));
  EXPECT_TRUE(isWholeNumber(QStringLiteral("-3")));
  for (const char* bad : {"", "1.5", "1e3", "abc", "1 2", "0x10", "99999999999"})
    EXPECT_FALSE(isWholeNumber(QString::fromLatin1(bad))) << bad;
}

TEST(EventDatabase, RandomOrderIsFreshAndUniform) {
  TempApp app;
  const int n = 20;
  for (int i = 0; i < n; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("d"), true);
  Query& q = app.dataModule().ADOQuerymain;
  auto order = [&] {
    q.openSql(QStringLiteral("select id from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
    QStringList ids;
    q.first();
    for (int i = 0; i < q.recordCount(); ++i, q.next()) ids << q.fieldByName(QStringLiteral("id")).asString();
    return ids;
  };
  // Two runs over 20 rows agree by chance with probability 1/20!.
  EXPECT_NE(order(), order());

  const int picks = 20000;
  std::map<int, int> seen;
  for (int i = 0; i < picks; ++i) {
    q.openSql(QStringLiteral("select top 1 id,xm,bm,zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
    ++seen[q.fieldByName(QStringLiteral("id")).asInteger()];
  }
  ASSERT_EQ(static_cast<int>(seen.size()), n);
  double chi2 = 0;
  const double expected = double(picks) / n;
  for (auto [id, c] : seen) chi2 += (c - expected) * (c - expected) / expected;
  // 19 degrees of freedom: the 99.9th percentile is 43.8.
  EXPECT_LT(chi2, 43.8);
}

TEST(EventDatabase, MissingFileIsReportedAndNeverCreated) {
  TempApp app(/*withDatabase=*/false);
  app.dataModule();  // creation reports the failure through the default error handler
  EXPECT_EQ(app.dialogs().texts(ScriptedDialogs::Shown::Error).size(), 1);
  EXPECT_FALSE(QFileInfo::exists(app.dbPath()));
  // Every later statement tries again and fails again, still without making a file.
  EXPECT_THROW(app.dataModule().ADOQuerymain.openSql(QStringLiteral("select id from yglb")), DbError);
  EXPECT_THROW(app.dataModule().ADOQuerysetting.execSql(QStringLiteral("delete from yglb")), DbError);
  EXPECT_FALSE(QFileInfo::exists(app.dbPath()));
  // Once the file is there, the next statement connects.
  createEventDatabase(app.folder());
  app.dataModule().ADOQuerymain.openSql(QStringLiteral("select id from yglb"));
  EXPECT_EQ(app.dataModule().ADOQuerymain.recordCount(), 0);
}

TEST(EventDatabase, WrongKeyOrCorruptFileFailsAndStaysUnchanged) {
  TempApp app(false);
  const QString other = app.path(QStringLiteral("other"));
  createEventDatabase(other);  // a real database, but opened with the wrong password below
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  QByteArray random(64 * 1024, '\0');
  for (int i = 0; i < random.size(); ++i) random[i] = char((i * 7919 + 13) % 251);
  const QByteArray real = ld::test::readFile(other + QStringLiteral("/db/db.mdb"));
  for (const Case& c : {Case{"random bytes", random}, Case{"truncated", real.left(real.size() / 2)},
                        Case{"empty", QByteArray()}}) {
    SCOPED_TRACE(c.what);
    ld::test::writeFile(app.dbPath(), c.bytes);
    const QString before = md5(app.dbPath());
    Connection conn;
    conn.setConnectionString(TDataModule1::connectionStringFor(app.folder()));
    Query q(conn);
    EXPECT_THROW(q.openSql(QStringLiteral("select * from yglb")), DbError);
    EXPECT_THROW(q.execSql(QStringLiteral("delete from yglb")), DbError);
    EXPECT_EQ(md5(app.dbPath()), before);
  }
  Connection conn;
  conn.setConnectionString(QStringLiteral("Data Source=") + other +
                           QStringLiteral("/db\\db.mdb;Jet OLEDB:Database Password=wrong"));
  const QString before = md5(other + QStringLiteral("/db/db.mdb"));
  EXPECT_THROW(conn.setConnected(true), DbError);
  EXPECT_EQ(md5(other + QStringLiteral("/db/db.mdb")), before);
}

TEST(EventDatabase, InitRefusesAnExistingFile) {
  TempApp app;
  const QString before = md5(app.dbPath());
  EXPECT_THROW(createEventDatabase(app.folder()), DbError);
  EXPECT_EQ(md5(app.dbPath()), before);
}

TEST(EventDatabase, ConnectionStringIsTheClassicOne) {
  EXPECT_EQ(TDataModule1::connectionStringFor(QStringLiteral("/opt/draw/")),
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/draw/db\\db.mdb;Persist Security "
                           "Info=True;Jet OLEDB:Database Password=kzm_30918265"));
  EXPECT_EQ(connectionStringValue(QStringLiteral("a=1;Data Source=x;JET OLEDB:DATABASE PASSWORD=p"),
                                  QStringLiteral("Jet OLEDB:Database Password")),
            QStringLiteral("p"));
}
