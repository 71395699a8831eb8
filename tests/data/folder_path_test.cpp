// Application folders whose paths hold the connection string's own characters, blanks or Chinese text.
#include <gtest/gtest.h>

#include <QDir>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/schema.h"
#include "framework/app_folder.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

// Puts one participant named `marker` into the event database of `folder`, through the file itself.
void mark(const QString& folder, const QString& marker) {
  createEventDatabase(folder);
  Connection c;
  c.setConnectionString(TDataModule1::connectionStringFor(folder), TDataModule1::databaseFileFor(folder));
  Query q(c);
  q.execSql(QStringLiteral("insert into yglb (xm, bm, zp) values (?, '', '')"), {marker});
}

}  // namespace

TEST(FolderPath, EachFolderOpensItsOwnDatabase) {
  TempApp base(false);
  const QString names[] = {
      QStringLiteral("年会;2024"),    QStringLiteral("a\\b"),           QStringLiteral("O'Neil = \"R&D\""),
      QStringLiteral(" 前后有空格 "), QStringLiteral("全部 ;'\"=\\ x"),
  };
  // Where a path read with ';' as its end or '\' as a separator would lead instead.
  QDir(base.folder()).mkpath(QStringLiteral("a/b"));
  mark(base.path(QStringLiteral("a/b/")), QStringLiteral("decoy"));

  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const QString folder = base.path(name) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    mark(folder, name);

    // The classic string still shows the whole path and gives it back unchanged.
    const QString s = TDataModule1::connectionStringFor(folder);
    EXPECT_EQ(connectionStringValue(s, QStringLiteral("Data Source")), folder + QStringLiteral("db\\db.mdb"));
    EXPECT_EQ(connectionStringValue(s, QStringLiteral("Jet OLEDB:Database Password")),
              QString::fromLatin1(kDatabasePassword));
    EXPECT_EQ(connectionStringValue(s, QStringLiteral("Provider")),
              QStringLiteral("Microsoft.Jet.OLEDB.4.0"));

    setAppFolder(folder);
    base.dialogs().clear();
    TDataModule1 dm;
    EXPECT_TRUE(base.dialogs().shown.empty()) << base.dialogs().lastText().toStdString();
    Query& q = dm.ADOQuerysetting;
    q.openSql(QStringLiteral("select xm from yglb"));
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), name);
    EXPECT_EQ(dm.ADOConnection.databaseFile(), folder + QStringLiteral("db/db.mdb"));
  }
}

TEST(FolderPath, ConnectionStringValuesReadAsOleDbWritesThem) {
  const QString s = QStringLiteral(
      "Provider = Jet ; Data Source=\"C:\\a;b\\db.mdb\";Mode='x \"y\" ''z''';Empty=;Pass==Word=p=q;"
      "Spaced=  v  ;Quoted=\" v \";Doubled=\"say \"\"hi\"\"\";noequals;last=1");
  const struct {
    const char* key;
    QString value;
  } cases[] = {
      {"provider", QStringLiteral("Jet")},
      {"DATA SOURCE", QStringLiteral("C:\\a;b\\db.mdb")},
      {"Mode", QStringLiteral("x \"y\" 'z'")},
      {"Empty", QString()},
      {"Pass=Word", QStringLiteral("p=q")},
      {"Spaced", QStringLiteral("v")},
      {"Quoted", QStringLiteral(" v ")},
      {"Doubled", QStringLiteral("say \"hi\"")},
      {"noequals", QString()},
      {"last", QStringLiteral("1")},
      {"absent", QString()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(connectionStringValue(s, QString::fromLatin1(c.key)), c.value) << c.key;

  for (const QString& v :
       {QStringLiteral("/opt/draw/db\\db.mdb"), QStringLiteral("a;b"), QStringLiteral("it's"),
        QStringLiteral("say \"x\""), QStringLiteral("both ' and \" ;"), QStringLiteral(" pad "), QString()}) {
    EXPECT_EQ(connectionStringValue(QStringLiteral("k=") + connectionStringQuoted(v) + QStringLiteral(";z=1"),
                                    QStringLiteral("k")),
              v)
        << v.toStdString();
  }
  EXPECT_EQ(connectionStringQuoted(QStringLiteral("/opt/draw/db\\db.mdb")),
            QStringLiteral("/opt/draw/db\\db.mdb"));
}
