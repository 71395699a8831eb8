// Files that are not an event database, and numbers that do not fit: refused, never guessed at.
#define SQLITE_HAS_CODEC 1
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

#include <QCryptographicHash>
#include <QDir>
#include <cstring>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;
using Shown = ScriptedDialogs::Shown;

namespace {

// A database file made directly with the engine: `key` empty for a plain, unencrypted one.
QByteArray engineFile(const QString& folder, const char* key, const char* statements) {
  const QString path = folder + QStringLiteral("/made.db");
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
  if (*key) {
    EXPECT_EQ(sqlite3_key(db, key, int(std::strlen(key))), SQLITE_OK);
  }
  EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const QByteArray bytes = ld::test::readFile(path);
  QFile::remove(path);
  return bytes;
}

QByteArray digest(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

}  // namespace

TEST(ForeignFile, IsRefusedAtStartAsNotAnEventDatabaseAndLeftAlone) {
  TempApp scratch(false);
  QByteArray jet(4096, '\0');
  jet.replace(4, 15, "Standard Jet DB");  // what an Access file from the old program starts with
  QByteArray noise(32 * 1024, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
  const char* roster =
      "create table yglb (id integer primary key, xm text, bm text, zp text, zj integer, zjsx integer)";
  struct Case {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"0 bytes", QByteArray()},
      {"an Access file", jet},
      {"random bytes", noise},
      {"text", QByteArray("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=db\\db.mdb\r\n")},
      {"plain SQLite with a roster", engineFile(scratch.folder(), "", roster)},
      {"our password, other tables", engineFile(scratch.folder(), kDatabasePassword, "create table t (x)")},
      {"another password", engineFile(scratch.folder(), "other", roster)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempApp app(false);
    ld::test::writeFile(app.dbPath(), c.bytes);
    app.dataModule();
    const QStringList errors = app.dialogs().texts(Shown::Error);
    ASSERT_EQ(errors.size(), 1) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("不是活动数据库")) && errors[0].contains(app.dbPath()))
        << errors[0].toStdString();
    // Every later statement is refused the same way.
    try {
      app.dataModule().ADOQuerymain.openSql(QStringLiteral("select id from yglb"));
      ADD_FAILURE() << "a statement ran on a foreign file";
    } catch (const DbError& e) {
      EXPECT_TRUE(e.message().contains(QStringLiteral("不是活动数据库"))) << e.what();
    }
    EXPECT_EQ(digest(ld::test::readFile(app.dbPath())), digest(c.bytes));
    EXPECT_EQ(QDir(app.path(QStringLiteral("db"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("db.mdb")});
  }
}

TEST(ForeignFile, NumbersBeyondThirtyTwoBitsAreErrorsNeverWrapped) {
  TempApp app;
  const qlonglong big = (qlonglong(1) << 32) + 5;
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  Query& q = app.dataModule().ADOQuerymain;
  q.execSql(QStringLiteral("update yglb set zj=?, zjsx=?"), {big, -big});
  q.openSql(QStringLiteral("select zj, zjsx from yglb"));
  EXPECT_THROW(q.fieldByName(QStringLiteral("zj")).asInteger(), DbError);
  EXPECT_THROW(q.fieldByName(QStringLiteral("zjsx")).asInteger(), DbError);
  EXPECT_EQ(q.fieldByName(QStringLiteral("zj")).asString(), QStringLiteral("4294967301"))
      << "text keeps it whole";

  // Whatever way the number is stored.
  for (const QVariant& v :
       {QVariant(big), QVariant(-big), QVariant(-(qlonglong(1) << 32) + 5), QVariant(4294967301.0),
        QVariant(QStringLiteral("4294967301")), QVariant(qlonglong(1) << 31)}) {
    SCOPED_TRACE(v.toString().toStdString());
    q.openSql(QStringLiteral("select ? as v"), {v});
    EXPECT_THROW(q.fieldByName(QStringLiteral("v")).asInteger(), DbError);
  }
  // The edges of the range still read.
  q.openSql(QStringLiteral("select 2147483647 as hi, -2147483648 as lo"));
  EXPECT_EQ(q.fieldByName(QStringLiteral("hi")).asInteger(), 2147483647);
  EXPECT_EQ(q.fieldByName(QStringLiteral("lo")).asInteger(), -2147483647 - 1);
}
