// The connection and the query beneath every window: handles, bound values, busy files, transactions.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/schema.h"
#include "support/data_helpers.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::openOn;
using ld::test::TempApp;

namespace {

// Open descriptors of this process on `path`: what a leaked or half-closed handle leaves behind.
int openDescriptorsOn(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  int n = 0;
  for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
    if (fd.symLinkTarget() == target) ++n;
  return n;
}

}  // namespace

TEST(Connection, EveryFailedOrClosedOpenLetsGoOfTheFile) {
  TempApp app;
  {
    Connection c;
    openOn(c, app.folder());
    EXPECT_EQ(openDescriptorsOn(app.dbPath()), 1);
    c.setConnected(false);
    EXPECT_EQ(openDescriptorsOn(app.dbPath()), 0);
    c.setConnected(true);  // reopens after a close
    EXPECT_TRUE(c.connected());
  }
  EXPECT_EQ(openDescriptorsOn(app.dbPath()), 0);

  const QByteArray real = ld::test::readFile(app.dbPath());
  struct Case {
    const char* what;
    QByteArray bytes;
    QString password;
  };
  for (const Case& c : {Case{"wrong password", real, QStringLiteral("nope")},
                        Case{"not a database", QByteArray(8192, 'x'), QString::fromLatin1(kDatabasePassword)},
                        Case{"empty file", QByteArray(), QString::fromLatin1(kDatabasePassword)}}) {
    SCOPED_TRACE(c.what);
    ld::test::writeFile(app.dbPath(), c.bytes);
    Connection conn;
    conn.setConnectionString(QStringLiteral("Data Source=") + app.dbPath() +
                             QStringLiteral(";Jet OLEDB:Database Password=") + c.password);
    for (int attempt = 0; attempt < 3; ++attempt) {
      EXPECT_THROW(conn.setConnected(true), DbError);
      EXPECT_FALSE(conn.connected());
      EXPECT_EQ(openDescriptorsOn(app.dbPath()), 0);
    }
  }
}

TEST(Query, BoundValuesAreStoredExactlyAndNeverRun) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  const QString name = QStringLiteral("O'Brien'); delete from yglb; --");
  const QString department = QStringLiteral("研发部 \"A\" ;\\");
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( ?, ?, ? )"),
            {name, department, QString()});
  q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( ?, ?, ? )"),
            {QStringLiteral("乙"), department, QStringLiteral("zp\\x.jpg")});
  EXPECT_EQ(q.rowsAffected(), 1);

  q.openSql(QStringLiteral("select top 1 id, zp from yglb where xm=? and bm=?"), {name, department});
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName(QStringLiteral("zp")).asString(), QString())
      << "a null QString is stored as empty text";
  EXPECT_EQ(app.rows(QStringLiteral("select xm, bm from yglb order by id")),
            (QStringList{name + QLatin1Char('|') + department, QStringLiteral("乙|") + department}));

  // Numbers keep their width, NULL stays NULL, bytes stay bytes.
  q.openSql(QStringLiteral("select ? as big, ? as n, ? as b, ? as d, ? as t"),
            {qlonglong(1) << 40, QVariant(), QByteArray("\0\1x", 3), 2.5, true});
  EXPECT_EQ(q.fieldByName(QStringLiteral("big")).asString(), QStringLiteral("1099511627776"));
  EXPECT_TRUE(q.fieldByName(QStringLiteral("n")).isNull());
  EXPECT_EQ(q.fieldByName(QStringLiteral("d")).asString(), QStringLiteral("2.5"));
  EXPECT_EQ(q.fieldByName(QStringLiteral("t")).asInteger(), 1);
  q.openSql(QStringLiteral("select length(?) as n, hex(?) as h"),
            {QByteArray("\0\1x", 3), QByteArray("\0\1x", 3)});
  EXPECT_EQ(q.fieldByName(QStringLiteral("n")).asInteger(), 3);
  EXPECT_EQ(q.fieldByName(QStringLiteral("h")).asString(), QStringLiteral("000178"));
}

TEST(Query, AWrongNumberOfValuesChangesNothing) {
  TempApp app;
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  Query& q = app.dataModule().ADOQuerysetting;
  EXPECT_THROW(q.execSql(QStringLiteral("update yglb set xm=? where id=?"), {QStringLiteral("乙")}), DbError);
  EXPECT_THROW(q.execSql(QStringLiteral("delete from yglb"), {1}), DbError);
  EXPECT_THROW(q.openSql(QStringLiteral("select ?, ?"), {1, 2, 3}), DbError);
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb")), QStringList{QStringLiteral("甲")});

  // Values of one call never stick to the next statement of the plain form or of the by-hand idiom.
  q.openSql(QStringLiteral("select ? as v"), {7});
  q.close();
  q.sql().clear();
  q.sql() << QStringLiteral("select count(*) as n from yglb");
  q.open();
  EXPECT_EQ(q.fieldByName(QStringLiteral("n")).asInteger(), 1);
  q.openSql(QStringLiteral("select top 1 xm from yglb where id>?"), {0});
  EXPECT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), QStringLiteral("甲"))
      << "top still becomes limit";
}
