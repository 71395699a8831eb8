// The sharper copies in zpgq/ through a roster import and through packing and unpacking an event.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <ostream>

#include "framework/app_folder.h"
#include "framework/jpeg.h"
#include "framework/scratch_files.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "support/transfer_helpers.h"
#include "transfer/event_pack.h"
#include "transfer/roster_import.h"

namespace ld {
namespace {

using test::errorOf;
using test::readFile;
using test::solidJpeg;
using test::TempApp;
using test::writeFile;

// Every name in a folder, hidden ones included.
QStringList entriesOf(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

class SharpImportTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir source;
  Query& q() { return app.dataModule().ADOQuerysetting; }
  QString src(const QString& name) { return source.path() + QLatin1Char('/') + name; }
  QString zpgq(const QString& name) { return app.path(QStringLiteral("zpgq/") + name); }
  QStringList copies() { return entriesOf(app.path(QStringLiteral("zpgq"))); }
  QColor colourOf(const QString& file) { return decodeJpeg(readFile(file)).pixelColor(20, 20); }
  ImportPlan plan(const QString& csv, ImportMode mode = ImportMode::Add, bool removeMissing = false) {
    writeFile(src(QStringLiteral("r.csv")), csv.toUtf8());
    ImportOptions options;
    options.mode = mode;
    options.removeMissing = removeMissing;
    return planRosterImport(src(QStringLiteral("r.csv")), source.path(), q(), options);
  }
  int run(ImportPlan& p) {
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    takePhotoFailures(p, prepared);
    return writeRosterImport(p, prepared, q(), progress);
  }
  // A participant with 工号, a photo and a sharper copy, both of one colour.
  void person(const QString& number, const QString& department, const QString& name, QColor colour) {
    const int id = app.addParticipant(name, department, true, colour);
    app.exec(QStringLiteral("update yglb set gh='%1' where id=%2").arg(number).arg(id));
    QDir().mkpath(app.path(QStringLiteral("zpgq")));
    writeFile(zpgq(department + QLatin1Char('_') + name + QStringLiteral(".jpg")),
              solidJpeg(1440, 1080, colour));
  }
};

TEST_F(SharpImportTest, LargePicturesGetCopiesAndTheDryRunLeavesNone) {
  writeFile(src(QStringLiteral("张三.jpg")), solidJpeg(2000, 1500, Qt::red));
  writeFile(src(QStringLiteral("李四.jpg")), solidJpeg(400, 300, Qt::green));
  // A portrait is cut to 4:3 for both sizes alike.
  writeFile(src(QStringLiteral("王五.jpg")), solidJpeg(900, 1600, Qt::blue));
  // 赵六 has no picture: a card, and no copy.
  const QString csv = QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n研发部,王五\n研发部,赵六\n");

  {  // What the preview converts, then drops as a dry run does.
    ImportPlan p = plan(csv);
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    EXPECT_EQ(copies().size(), 2u) << "hidden scratch copies while the preview is shown";
  }
  EXPECT_EQ(copies(), QStringList());
  EXPECT_EQ(entriesOf(app.path(QStringLiteral("zp"))), QStringList());

  ImportPlan p = plan(csv);
  EXPECT_EQ(run(p), 4);
  EXPECT_EQ(copies(), (QStringList{QStringLiteral("研发部_张三.jpg"), QStringLiteral("研发部_王五.jpg")}));
  EXPECT_EQ(decodeJpeg(readFile(zpgq(QStringLiteral("研发部_张三.jpg")))).size(), QSize(1440, 1080));
  EXPECT_EQ(decodeJpeg(readFile(zpgq(QStringLiteral("研发部_王五.jpg")))).size(), QSize(900, 675));
  EXPECT_GT(colourOf(zpgq(QStringLiteral("研发部_张三.jpg"))).red(), 200);
}

TEST_F(SharpImportTest, CopiesFollowMovesRenamesSwapsAndRemovals) {
  person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("甲"), Qt::red);
  person(QStringLiteral("2"), QStringLiteral("研发部"), QStringLiteral("乙"), Qt::blue);
  person(QStringLiteral("3"), QStringLiteral("销售部"), QStringLiteral("丙"), Qt::green);
  person(QStringLiteral("4"), QStringLiteral("销售部"), QStringLiteral("丁"), Qt::yellow);
  // A copy no photo names, under the name a new participant takes: it is not their picture.
  writeFile(zpgq(QStringLiteral("市场部_新人.jpg")), solidJpeg(1440, 1080, Qt::magenta));

  ImportPlan p = plan(QStringLiteral("工号,部门,姓名\n"
                                     "1,研发部,乙\n"  // 甲 and 乙 swap names
                                     "2,研发部,甲\n"
                                     "3,市场部,丙\n"      // moved
                                     "5,市场部,新人\n"),  // new, no picture: a card; 丁 is removed
                      ImportMode::Update, true);
  ASSERT_EQ(p.toRemove, 1);
  run(p);
  EXPECT_EQ(copies(), (QStringList{QStringLiteral("市场部_丙.jpg"), QStringLiteral("研发部_乙.jpg"),
                                   QStringLiteral("研发部_甲.jpg")}));
  EXPECT_GT(colourOf(zpgq(QStringLiteral("研发部_乙.jpg"))).red(), 200);
  EXPECT_GT(colourOf(zpgq(QStringLiteral("研发部_甲.jpg"))).blue(), 200);
  EXPECT_GT(colourOf(zpgq(QStringLiteral("市场部_丙.jpg"))).green(), 200);
  EXPECT_EQ(tidyEventFolder(app.folder()).removed, 0) << "no scratch file left";
}

TEST_F(SharpImportTest, AnImportThatFailsLeavesTheCopiesAsTheyWere) {
  person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("甲"), Qt::red);
  writeFile(src(QStringLiteral("乙.jpg")), solidJpeg(2000, 1500, Qt::blue));
  ImportPlan p = plan(QStringLiteral("工号,部门,姓名\n1,市场部,甲\n2,研发部,乙\n"), ImportMode::Update);
  ImportProgress progress;
  PreparedPhotos prepared = preparePhotos(p, progress);
  // A photo put under the new participant's name after the preview: nothing is imported.
  writeFile(app.path(QStringLiteral("zp/研发部_乙.jpg")), "someone else's");
  EXPECT_TRUE(
      errorOf([&] { writeRosterImport(p, prepared, q(), progress); }).contains(QStringLiteral("没有覆盖")));
  EXPECT_EQ(copies(), QStringList{QStringLiteral("研发部_甲.jpg")});
  EXPECT_GT(colourOf(zpgq(QStringLiteral("研发部_甲.jpg"))).red(), 200);
  EXPECT_EQ(app.rows(QStringLiteral("select bm from yglb")), QStringList{QStringLiteral("研发部")});
}

class SharpPackTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir work;
  QString archive() { return work.path() + QStringLiteral("/event.zip"); }
  QString target() { return work.path() + QStringLiteral("/new event/"); }
  QByteArray db() { return readFile(app.dbPath()); }
  QByteArray photo() { return readFile(app.path(QStringLiteral("zp/研发部_张三.jpg"))); }
  void handMade(const std::vector<std::pair<QString, QByteArray>>& files) {
    ASSERT_TRUE(ld::test::writeZip(archive(), files));
  }
};

TEST_F(SharpPackTest, CopiesTravelWithTheirPhotosAndOnlyThen) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"), true, Qt::red);
  app.addParticipant(QStringLiteral("李四"), QStringLiteral("研发部"), true, Qt::blue);
  QDir().mkpath(app.path(QStringLiteral("zpgq")));
  const QByteArray sharp = solidJpeg(1440, 1080, Qt::red);
  writeFile(app.path(QStringLiteral("zpgq/研发部_张三.jpg")), sharp);
  writeFile(app.path(QStringLiteral("zpgq/研发部_离职.jpg")), sharp);  // nobody's photo
  EXPECT_EQ(packEvent(app.folder(), archive()).sharpPhotos, 1);

  const PackSummary s = unpackEvent(archive(), target());
  EXPECT_EQ(s.sharpPhotos, 1);
  EXPECT_EQ(entriesOf(target()), (QStringList{"db", "zp", "zpgq"}));
  EXPECT_EQ(entriesOf(target() + QStringLiteral("zpgq")), QStringList{QStringLiteral("研发部_张三.jpg")});
  EXPECT_EQ(readFile(target() + QStringLiteral("zpgq/研发部_张三.jpg")), sharp);

  // A copy whose photo the roster does not name is left out, as such a photo is.
  handMade({{"db/db.mdb", db()},
            {QStringLiteral("zp/研发部_张三.jpg"), photo()},
            {QStringLiteral("zp/研发部_李四.jpg"), readFile(app.path(QStringLiteral("zp/研发部_李四.jpg")))},
            {QStringLiteral("zpgq/研发部_离职.jpg"), sharp}});
  const QString other = work.path() + QStringLiteral("/other/");
  const PackSummary stray = unpackEvent(archive(), other);
  EXPECT_EQ(stray.skipped, QStringList{QStringLiteral("zpgq/研发部_离职.jpg")});
  EXPECT_EQ(entriesOf(other), (QStringList{"db", "zp"})) << "no zpgq/ made for nothing";
}

TEST_F(SharpPackTest, AnArchiveWithoutCopiesUnpacksAsBefore) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  EXPECT_EQ(packEvent(app.folder(), archive()).sharpPhotos, 0);
  const PackSummary s = unpackEvent(archive(), target());
  EXPECT_EQ(std::tuple(s.photos, s.sharpPhotos), std::tuple(1, 0));
  EXPECT_EQ(entriesOf(target()), (QStringList{"db", "zp"}));
}

TEST_F(SharpPackTest, HostileCopiesAreRefusedLikeHostilePhotos) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  const QString name = QStringLiteral("研发部_张三.jpg");
  const struct {
    const char* what;
    QString entry;
    QByteArray bytes;
    const char* expected;
  } cases[] = {
      {"a path leaving the folder", QStringLiteral("zpgq/../../evil.sh"), "x", "不属于活动的文件"},
      {"a sub-folder", QStringLiteral("zpgq/old/") + name, solidJpeg(8, 8, Qt::red), "不属于活动的文件"},
      {"a hidden file", QStringLiteral("zpgq/.") + name, solidJpeg(8, 8, Qt::red), "不属于活动的文件"},
      {"not a picture", QStringLiteral("zpgq/") + name, "#!/bin/sh\nrm -rf ~\n", "不是 JPEG 图片"},
      {"too large", QStringLiteral("zpgq/") + name, QByteArray(65 * 1024 * 1024, '\xFF'), "64 MB 的上限"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    handMade({{"db/db.mdb", db()}, {QStringLiteral("zp/") + name, photo()}, {c.entry, c.bytes}});
    QDir().mkpath(target());
    const QString message = errorOf([&] { unpackEvent(archive(), target()); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
    EXPECT_EQ(entriesOf(target()), QStringList()) << "nothing laid out";
  }
  // A photo that is not a picture is refused the same way.
  handMade({{"db/db.mdb", db()}, {QStringLiteral("zp/") + name, "GIF89a"}});
  EXPECT_TRUE(errorOf([&] { unpackEvent(archive(), target()); }).contains(QStringLiteral("不是 JPEG 图片")));
  EXPECT_EQ(entriesOf(target()), QStringList());
  // A copy already in the target is never overwritten.
  handMade({{"db/db.mdb", db()},
            {QStringLiteral("zp/") + name, photo()},
            {QStringLiteral("zpgq/") + name, photo()}});
  QDir().mkpath(target() + QStringLiteral("zpgq"));
  writeFile(target() + QStringLiteral("zpgq/") + name, "someone else's");
  EXPECT_TRUE(errorOf([&] { unpackEvent(archive(), target()); }).contains(QStringLiteral("不会覆盖")));
  EXPECT_EQ(readFile(target() + QStringLiteral("zpgq/") + name), QByteArray("someone else's"));
  EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("db/db.mdb")));
}

TEST_F(SharpPackTest, AnUnpackKilledAtAnyStepLeavesTheCopiesAsBeforeOrComplete) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  QDir().mkpath(app.path(QStringLiteral("zpgq")));
  writeFile(app.path(QStringLiteral("zpgq/研发部_张三.jpg")), solidJpeg(1440, 1080, Qt::red));
  packEvent(app.folder(), archive());
  const auto laidOut = [&] {
    QStringList all;
    for (const char* sub : {"db", "zp", "zpgq"})
      for (const QString& f : entriesOf(target() + QLatin1String(sub)))
        all << QLatin1String(sub) + QLatin1Char('/') + f;
    return all;
  };
  const QStringList complete{"db/db.mdb", QStringLiteral("zp/研发部_张三.jpg"),
                             QStringLiteral("zpgq/研发部_张三.jpg")};

  // Staging the database, the photo and its copy, the sync, the record, the two placed, the database placed.
  const int steps = 8;
  for (int kill = 1; kill <= steps + 1; ++kill) {
    SCOPED_TRACE(kill);
    QDir(target()).removeRecursively();
    QDir().mkpath(target());
    const int status = ld::test::unpackKilledAt(kill, archive(), target());
    ASSERT_NE(status, -1);
    ASSERT_EQ(kill <= steps, WIFSIGNALED(status)) << status;
    tidyEventFolder(target());
    EXPECT_EQ(laidOut(), kill >= steps ? complete : QStringList()) << "as before, or whole";
  }
}

}  // namespace
}  // namespace ld
