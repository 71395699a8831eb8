// Only what this program makes opens: a file with a trigger, view, table or index of anyone else's, or one
// of ours rewritten, could change what a draw records, and is refused before anything runs on it.
#define SQLITE_HAS_CODEC 1
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

#include <QCryptographicHash>
#include <QRegularExpression>
#include <cstring>
#include <functional>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/schema.h"
#include "support/data_helpers.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::openOn;
using ld::test::readFile;
using ld::test::TempApp;

namespace {

QString openError(const QString& folder) {
  try {
    Connection c;
    openOn(c, folder);
  } catch (const DbError& e) {
    return e.message();
  }
  return {};
}

QByteArray digest(const QString& file) {
  return QCryptographicHash::hash(readFile(file), QCryptographicHash::Sha256);
}

// The event file of `app` made anew from the statements of a fresh event's objects, each rewritten (or
// left out when the rewrite gives nothing), as another version or tool would have written them.
QStringList remake(TempApp& app, const std::function<QString(QString)>& rewrite, const QString& then = {}) {
  TempApp source;
  QStringList statements;
  for (const QString& sql : source.rows(QStringLiteral(
           "select sql from sqlite_master where sql is not null and name<>'sqlite_sequence' order by rowid")))
    if (QString s = rewrite(sql); !s.isEmpty()) statements << s;
  if (!then.isEmpty()) statements << then;
  QFile::remove(app.dbPath());
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(app.dbPath().toUtf8().constData(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_key(db, kDatabasePassword, int(std::strlen(kDatabasePassword))), SQLITE_OK);
  for (const QString& s : statements)
    EXPECT_EQ(sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << s.toStdString() << sqlite3_errmsg(db);
  sqlite3_close(db);
  return statements;
}

}  // namespace

TEST(SchemaCheck, AnythingThisProgramDoesNotMakeIsRefusedAndNamed) {
  const struct {
    const char* what;
    std::vector<const char*> statements;
    const char* expected;
  } cases[] = {
      {"a trigger moving every prize to participant 1",
       {"create trigger rig after update of zj on yglb when new.zj>0 and new.id<>1 begin "
        "update yglb set zj=new.zj, zjsx=new.zjsx where id=1; update yglb set zj=0, zjsx=0 where id=new.id; "
        "end"},
       "多余的触发器 rig"},
      {"a view", {"create view winners as select * from yglb where zj>0"}, "多余的视图 winners"},
      {"a table", {"create table notes (x)"}, "多余的表 notes"},
      {"an index", {"create index yglb_xm on yglb(xm)"}, "多余的索引 yglb_xm"},
      {"a journal trigger that lets rows change",
       {"drop trigger cjrz_no_update", "create trigger cjrz_no_update before update on cjrz begin select 1; end"},
       "被改写的触发器 cjrz_no_update"},
      {"one of our indexes over other columns",
       {"drop index yglb_bm", "create index yglb_bm on yglb(xm)"},
       "被改写的索引 yglb_bm"},
      {"a roster column of nobody's", {"alter table yglb add column extra text"}, "被改写的表 yglb"},
      {"the stage look's table with a column of nobody's",
       {"alter table ztsz add column extra text"},
       "被改写的表 ztsz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempApp app;
    app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
    for (const char* statement : c.statements) app.exec(QString::fromUtf8(statement));
    const QByteArray before = digest(app.dbPath());
    const QString message = openError(app.folder());
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
    EXPECT_TRUE(message.contains(app.dbPath())) << message.toStdString();
    EXPECT_EQ(digest(app.dbPath()), before) << "nothing was upgraded or written";
  }
}

TEST(SchemaCheck, TheProgramShowsTheRefusalAndRunsNoStatementOnTheFile) {
  TempApp app;
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("create trigger rig after update on yglb begin update yglb set zj=0; end"));
  app.dataModule();
  const QStringList errors = app.dialogs().texts(ld::ScriptedDialogs::Shown::Error);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("多余的触发器 rig"))) << errors[0].toStdString();
  EXPECT_THROW(app.dataModule().ADOQuerymain.openSql(QStringLiteral("select id from yglb")), DbError);
}

TEST(SchemaCheck, OlderFilesOpenAndAreUpgraded) {
  // Before the journal, the indexes and the stage look, and before each of the added roster columns.
  const QRegularExpression gh(QStringLiteral(",\\s*gh text collate nocase not null default ''"));
  const QRegularExpression bq(QStringLiteral(",\\s*bq text collate nocase not null default ''"));
  // Columns are added in order: a file without bq has none of the later ones either.
  const QRegularExpression later(QStringLiteral(",\\s*(qd text not null default ''|qdm text not null default ''|qdsb text not null default '')"));
  for (const bool withGh : {false, true}) {
    SCOPED_TRACE(withGh);
    TempApp app(false);
    const QStringList made = remake(
        app,
        [&](QString sql) {
          if (sql.contains(QStringLiteral("cjrz")) || sql.startsWith(QStringLiteral("CREATE INDEX")) ||
              sql.contains(QStringLiteral("ztsz")))
            return QString();
          if (!withGh) sql.remove(gh);
          return sql.remove(bq).remove(later);
        },
        QStringLiteral("insert into yglb (xm, bm) values ('张三', '研发部')"));
    ASSERT_EQ(made.filter(QStringLiteral("bq text")), QStringList());
    ASSERT_EQ(made.filter(QStringLiteral("qdsb")), QStringList());
    ASSERT_EQ(made.filter(QStringLiteral("ztsz")), QStringList());
    ASSERT_EQ(made.filter(QStringLiteral("gh text")).size(), withGh ? 1 : 0);
    EXPECT_EQ(openError(app.folder()), QString());
    EXPECT_EQ(app.count(QString::fromUtf8(kJournalObjectsQuery)), 4);
    EXPECT_EQ(app.count(QString::fromUtf8(kIndexQuery)), kIndexCount);
    EXPECT_EQ(app.count(QString::fromUtf8(kThemeQuery)), 1);
    EXPECT_EQ(app.rows(QStringLiteral("select xm, gh, bq, qdm, qdsb, qd from yglb")),
              QStringList{QStringLiteral("张三|||||")});
    EXPECT_EQ(openError(app.folder()), QString()) << "the upgraded file opens as a new one";
  }
}

// The same objects written in other letters, blanks and quotes are the same objects.
TEST(SchemaCheck, SpellingOfTheStatementsDoesNotMatter) {
  TempApp app(false);
  remake(app, [](QString s) {
    s = s.toUpper();
    s.replace(QLatin1Char(' '), QStringLiteral(" \n\t "));
    s.replace(QRegularExpression(QStringLiteral("\\bYGLB\\b")), QStringLiteral("[yglb]"));
    s.replace(QRegularExpression(QStringLiteral("\\bCJRZ\\b")), QStringLiteral("\"cjrz\""));
    s.replace(QRegularExpression(QStringLiteral("^CREATE \n\t (TABLE|INDEX|TRIGGER)")),
              QStringLiteral("CREATE \\1 IF NOT EXISTS"));
    return s + QStringLiteral(" -- as another tool writes it");
  });
  EXPECT_EQ(openError(app.folder()), QString());
}

TEST(SchemaCheck, NormalisedStatementsDifferOnlyWhereSqliteSeesADifference) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"CREATE  TABLE IF NOT EXISTS [T] ( X  TEXT )", "create table t(x text)", true},
      {"create table `t`(\"x\" text) /* note */", "create table t(x text) -- note", true},
      {"create table t(x text default 'JX')", "create table t(x text default 'jx')", false},
      {"create table t(x \"text collate nocase\")", "create table t(x text collate nocase)", false},
      {"create table t(x text)", "create table t(x text, y)", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a);
    EXPECT_EQ(normalisedSql(QString::fromUtf8(c.a)) == normalisedSql(QString::fromUtf8(c.b)), c.same);
  }
}
