// The stage look travels with a packed event, and an archive's zt/ entries are as untrusted as its photos.
#include <gtest/gtest.h>
#include <zip.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "framework/jpeg.h"
#include "settings/theme_picture.h"
#include "settings/theme_store.h"
#include "support/temp_app.h"
#include "support/transfer_helpers.h"
#include "transfer/event_pack.h"

namespace ld {
namespace {

using namespace ld::test;

QByteArray logoPng(int side) {
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(QColor(250, 200, 60, 128));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

class ThemePackTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir work;

  QString archive() { return work.path() + QStringLiteral("/event.zip"); }
  QString target() { return work.path() + QStringLiteral("/moved/"); }
  QStringList laidOut(const QString& folder) {
    QStringList all = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const char* sub : {"db", "zp", "zt"})
      for (const QString& f : QDir(folder + QLatin1String(sub)).entryList(QDir::Files | QDir::Hidden))
        all << QLatin1String(sub) + QLatin1Char('/') + f;
    return all;
  }
  stage::Theme storedIn(const QString& folder) {
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(folder));
    Query q(c);
    return ThemeStore(q, folder).stored();
  }
  void handMade(const std::vector<std::pair<QString, QByteArray>>& files) {
    ASSERT_TRUE(ld::test::writeZip(archive(), files));
  }
};

TEST_F(ThemePackTest, TheLookGoesAlongAndAnEventWithoutOneUnpacksToTheDefault) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  ThemeStore(app.dataModule().ADOQuerysetting, app.folder())
      .save({QStringLiteral("年会"), QColor("#203040"), QColor(), QColor("#ffffff"),
             encodeJpeg(QImage(640, 360, QImage::Format_RGB32), 90), logoPng(64)});
  const PackSummary packed = packEvent(app.folder(), archive());
  EXPECT_TRUE(packed.theme);
  EXPECT_EQ(packed.damaged, QStringList());
  const PackSummary unpacked = unpackEvent(archive(), target());
  EXPECT_TRUE(unpacked.theme);
  EXPECT_EQ(laidOut(target()),
            (QStringList{"db", "zp", "zt", "db/db.mdb", QStringLiteral("zp/研发部_张三.jpg"), "zt/bg.jpg",
                         "zt/logo.png"}));
  for (const char* file : {"zt/bg.jpg", "zt/logo.png"})
    EXPECT_EQ(readFile(target() + QLatin1String(file)), readFile(app.path(QLatin1String(file))));
  const stage::Theme moved = storedIn(target());
  EXPECT_EQ(moved.title, QStringLiteral("年会"));
  EXPECT_EQ(moved.base, QColor("#203040"));
  EXPECT_FALSE(moved.accent.isValid());

  // Without a look of its own: no zt/ at all, and the default shows.
  TempApp plain;
  packEvent(plain.folder(), work.path() + QStringLiteral("/plain.zip"));
  const QString fresh = work.path() + QStringLiteral("/fresh/");
  EXPECT_FALSE(unpackEvent(work.path() + QStringLiteral("/plain.zip"), fresh).theme);
  EXPECT_FALSE(QFileInfo::exists(fresh + QStringLiteral("zt")));
  const stage::Theme look = withThemeDefaults(storedIn(fresh));
  EXPECT_EQ(look.accent, defaultThemeAccent());
  EXPECT_FALSE(look.background.isNull());
}

TEST_F(ThemePackTest, ADamagedPictureIsLeftOutOfThePackAndNamed) {
  QDir().mkpath(app.path(QStringLiteral("zt")));
  writeFile(app.path(QStringLiteral("zt/bg.jpg")), "garbage");
  writeFile(app.path(QStringLiteral("zt/logo.png")), logoPng(32));
  const PackSummary packed = packEvent(app.folder(), archive());
  EXPECT_EQ(packed.damaged, QStringList{"zt/bg.jpg"});
  unpackEvent(archive(), target());
  EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("zt/bg.jpg")));
  EXPECT_TRUE(QFileInfo::exists(target() + QStringLiteral("zt/logo.png")));
}

TEST_F(ThemePackTest, HostileStageEntriesAreRefusedAndNothingIsLaidOut) {
  const QByteArray db = readFile(app.dbPath());
  const QByteArray jpeg = encodeJpeg(QImage(320, 180, QImage::Format_RGB32), 90);
  const struct {
    const char* what;
    std::vector<std::pair<QString, QByteArray>> extra;
    const char* expected;
  } cases[] = {
      {"a file of nobody's", {{"zt/run.sh", "#!/bin/sh"}}, "不属于活动的文件"},
      {"a way out of the folder", {{"zt/../../bg.jpg", jpeg}}, "不属于活动的文件"},
      {"a sub-folder", {{"zt/x/bg.jpg", jpeg}}, "不属于活动的文件"},
      {"a background that is no JPEG", {{"zt/bg.jpg", logoPng(16)}}, "不是 JPEG"},
      {"a logo that is no PNG", {{"zt/logo.png", jpeg}}, "不是 PNG"},
      {"a truncated background", {{"zt/bg.jpg", jpeg.left(jpeg.size() / 2)}}, "已损坏或不完整"},
      {"a background larger than a 4K screen",
       {{"zt/bg.jpg", encodeJpeg(QImage(4000, 100, QImage::Format_RGB32), 50)}},
       "3840 × 2160"},
      {"a logo that inflates past its limit", {{"zt/logo.png", QByteArray(33 * 1024 * 1024, '\0')}}, "32 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<QString, QByteArray>> files{{"db/db.mdb", db}};
    files.insert(files.end(), c.extra.begin(), c.extra.end());
    handMade(files);
    QDir(target()).removeRecursively();
    QDir().mkpath(target());
    const QString message = errorOf([&] { unpackEvent(archive(), target()); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
    EXPECT_EQ(laidOut(target()), QStringList()) << "as before";
  }
}

}  // namespace
}  // namespace ld
