// The sharper copies in zpgq/ that the settings window keeps in step with the photos in zp/.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <functional>

#include "framework/jpeg.h"
#include "framework/scratch_files.h"
#include "settings/photo_file.h"
#include "settings/photo_import.h"
#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

TEST(SharpSize, TheLargestCopyOfThePhotosShapeThatNeedsNoStretching) {
  const struct {
    QSize source, expected;
  } cases[] = {
      {{4000, 3000}, {1440, 1080}},  // capped
      {{1000, 750}, {1000, 750}},    // never upscaled
      {{2000, 1000}, {1333, 999}},   // a wide picture: as tall as it is, no taller
      {{800, 2000}, {800, 600}},     // a tall one: as wide as it is
      {{480, 360}, {}},              // no larger than the photo: no copy
      {{640, 300}, {}},              // wider, but not taller
      {{0, 0}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.width());
    EXPECT_EQ(sharpSizeFor(c.source, QSize(480, 360), kSharpPhotoSize), c.expected);
  }
}

class SharpPhotos : public SettingsTest {
 protected:
  QString zpgq(const QString& file) { return app.path(QStringLiteral("zpgq/") + file); }
  QStringList zpgqEntries() {
    QStringList entries = QDir(app.path(QStringLiteral("zpgq")))
                              .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
  }
  // Imports a solid picture of that size through the picker, as the operator does.
  void importPicture(QSize size, QColor colour) {
    const QString file = app.path(QStringLiteral("system/in.jpg"));
    writeFile(file, solidJpeg(size.width(), size.height(), colour));
    boxes().fileAnswers = {file};
    form->Button1->click();
    ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
  }
  void add(const QString& department, const QString& name) {
    enter(department, name);
    form->Buttontjyg->click();
  }
  QColor colourOf(const QString& file) {
    const QImage image = decodeJpeg(readFile(file));
    return image.pixelColor(image.width() / 2, image.height() / 2);
  }
};

TEST_F(SharpPhotos, ALargePictureGetsACopyBesideThePhotoAndASmallOneDoesNot) {
  open();
  const struct {
    QSize source;
    QString name;
    QSize copy;  // empty: none
  } cases[] = {
      {{4000, 3000}, QStringLiteral("大图"), {1440, 1080}},
      {{800, 600}, QStringLiteral("中图"), {800, 600}},
      {{400, 300}, QStringLiteral("小图"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    importPicture(c.source, Qt::red);
    add(QStringLiteral("研发部"), c.name);
    const QString name = QStringLiteral("研发部_") + c.name + QStringLiteral(".jpg");
    EXPECT_EQ(decodeJpeg(readFile(zp(name))).size(), QSize(480, 360));
    const QString stored = QStringLiteral("zp\\") + name;
    if (c.copy.isEmpty()) {
      EXPECT_FALSE(QFileInfo::exists(zpgq(name)));
      EXPECT_EQ(sharpestPhotoFile(stored), zp(name));
    } else {
      EXPECT_EQ(decodeJpeg(readFile(zpgq(name))).size(), c.copy);
      EXPECT_EQ(sharpestPhotoFile(stored), zpgq(name));
    }
  }
  // Nothing reaches zpgq/ before an add: the import itself writes only zp/temp.jpg.
  importPicture({2000, 1500}, Qt::blue);
  EXPECT_EQ(zpgqEntries(),
            (QStringList{QStringLiteral("研发部_中图.jpg"), QStringLiteral("研发部_大图.jpg")}));
}

TEST_F(SharpPhotos, RenameUpdateAndDeleteKeepTheCopyInStep) {
  open();
  form->show();
  importPicture({1600, 1200}, Qt::red);
  add(QStringLiteral("研发部"), QStringLiteral("张三"));
  const QByteArray copy = readFile(zpgq(QStringLiteral("研发部_张三.jpg")));
  ASSERT_FALSE(copy.isEmpty());

  // Renamed from the row: the copy goes with the photo, byte for byte.
  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("李四"));
  update();
  EXPECT_EQ(infos().last(), QStringLiteral("员工更新成功"));
  EXPECT_EQ(zpgqEntries(), QStringList{QStringLiteral("研发部_李四.jpg")});
  EXPECT_EQ(readFile(zpgq(QStringLiteral("研发部_李四.jpg"))), copy);

  // A new small picture for the same person: the old copy would show someone else's picture, so it goes.
  clickRow(grid(), 0);
  importPicture({320, 240}, Qt::blue);
  update();
  EXPECT_EQ(zpgqEntries(), QStringList());
  const QColor shown = colourOf(sharpestPhotoFile(QStringLiteral("zp\\研发部_李四.jpg")));
  EXPECT_TRUE(shown.blue() > 200 && shown.red() < 50) << shown.name().toStdString();

  // A new large one, then a delete: the copy comes and goes with the photo.
  clickRow(grid(), 0);
  importPicture({1600, 1200}, Qt::green);
  update();
  EXPECT_EQ(zpgqEntries(), QStringList{QStringLiteral("研发部_李四.jpg")});
  EXPECT_GT(colourOf(zpgq(QStringLiteral("研发部_李四.jpg"))).green(), 200);
  clickRow(grid(), 0);
  boxes().confirmAnswers = {true};
  form->Button3->click();
  EXPECT_EQ(infos().last(), QStringLiteral("员工删除成功"));
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("temp.jpg")});  // the last import, as always
  EXPECT_EQ(zpgqEntries(), QStringList());
}

TEST_F(SharpPhotos, ClearingTheRosterTakesTheCopiesAndNothingElse) {
  open();
  for (const QString& name : {QStringLiteral("张三"), QStringLiteral("李四")}) {
    importPicture({1600, 1200}, Qt::red);
    add(QStringLiteral("研发部"), name);
  }
  writeFile(zpgq(QStringLiteral("someone else.jpg")), "not the roster's");
  ASSERT_EQ(zpgqEntries().size(), 3);
  boxes().confirmAnswers = {true};
  form->Button5->click();
  EXPECT_EQ(zpgqEntries(), QStringList{QStringLiteral("someone else.jpg")});
}

TEST_F(SharpPhotos, ACopyThatCannotBeWrittenLeavesThePhotoAndTheRow) {
  const struct {
    const char* what;
    std::function<void(const QString& folder)> block;
  } cases[] = {
      {"zpgq is a file", [](const QString& folder) { writeFile(folder + QStringLiteral("zpgq"), "x"); }},
      {"the copy's name is taken by a folder",
       [](const QString& folder) { QDir().mkpath(folder + QStringLiteral("zpgq/研发部_张三.jpg/inside")); }},
  };
  // One event, cleaned between the cases.
  open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.block(app.folder());
    boxes().clear();
    importPicture({1600, 1200}, Qt::red);
    add(QStringLiteral("研发部"), QStringLiteral("张三"));
    EXPECT_EQ(infos(), QStringList{QStringLiteral("添加员工成功")});
    EXPECT_EQ(roster(), QStringList{QStringLiteral("张三|研发部|zp\\研发部_张三.jpg|0|0")});
    EXPECT_EQ(decodeJpeg(readFile(zp(QStringLiteral("研发部_张三.jpg")))).size(), QSize(480, 360));
    EXPECT_EQ(sharpestPhotoFile(QStringLiteral("zp\\研发部_张三.jpg")),
              zp(QStringLiteral("研发部_张三.jpg")));
    // Nothing half-written left behind.
    EXPECT_EQ(tidyEventFolder(app.folder()).removed, 0);

    app.exec(QStringLiteral("delete from yglb"));
    QFile::remove(zp(QStringLiteral("研发部_张三.jpg")));
    QFile::remove(app.path(QStringLiteral("zpgq")));
    QDir(app.path(QStringLiteral("zpgq"))).removeRecursively();
  }
}

TEST_F(SharpPhotos, StoredPathsNeverLeadOutOfTheFolders) {
  open();
  writeFile(app.path(QStringLiteral("secret.jpg")), solidJpeg(600, 450, Qt::red));
  for (const QString& stored :
       {QStringLiteral("zp\\..\\secret.jpg"), QStringLiteral("zp\\"), QStringLiteral("secret.jpg"),
        QStringLiteral("/etc/passwd"), QStringLiteral("zp\\a\\b.jpg")}) {
    SCOPED_TRACE(stored.toStdString());
    EXPECT_EQ(sharpFileFor(stored), QString());
    EXPECT_EQ(sharpestPhotoFile(stored), QString());
  }
}

}  // namespace
