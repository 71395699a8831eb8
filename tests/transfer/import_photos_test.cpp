// The photos of a roster import: matching inside the photo folder only, damaged pictures turned into
// cards while converting, portrait crops, and files in zp/ the import did not make.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <ostream>

#include "framework/app_folder.h"
#include "framework/jpeg.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "transfer/roster_import.h"

namespace ld {
namespace {

using test::readFile;
using test::solidJpeg;
using test::TempApp;
using test::writeFile;

class ImportPhotosTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir source;   // the photo folder and the spreadsheet
  QTemporaryDir outside;  // pictures the import must never take
  Query& q() { return app.dataModule().ADOQuerysetting; }
  QString src(const QString& name) { return source.path() + QLatin1Char('/') + name; }
  void photo(const QString& name, QColor colour = Qt::green) {
    writeFile(src(name), solidJpeg(640, 480, colour));
  }
  ImportPlan plan(const QString& csv) {
    writeFile(src(QStringLiteral("r.csv")), csv.toUtf8());
    return planRosterImport(src(QStringLiteral("r.csv")), source.path(), q());
  }
  int run(ImportPlan& p) {
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    takePhotoFailures(p, prepared);
    return writeRosterImport(p, prepared, q(), progress);
  }
  QStringList zpEntries() {
    return QDir(app.path(QStringLiteral("zp"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

TEST_F(ImportPhotosTest, MatchedByEmployeeNumberAndNeverOutsideTheFolder) {
  photo(QStringLiteral("10023.JPG"));
  photo(QStringLiteral("研发部_李四.jpg"));
  photo(QStringLiteral("10010.jpg"));
  photo(QStringLiteral("10011.jpg"));
  photo(QStringLiteral("spare.png"));
  QDir().mkpath(src(QStringLiteral("sub")));
  photo(QStringLiteral("sub/钱七.JPG"));
  const QString secret = outside.path() + QStringLiteral("/secret.jpg");
  writeFile(secret, solidJpeg(640, 480, Qt::red));
  writeFile(outside.path() + QStringLiteral("/10011.jpg"), solidJpeg(640, 480, Qt::red));
  ASSERT_TRUE(QFile::link(secret, src(QStringLiteral("link.jpg"))));
  ASSERT_TRUE(QFile::link(secret, src(QStringLiteral("10030.jpg"))));
  ASSERT_TRUE(QFile::link(outside.path(), src(QStringLiteral("linked"))));

  const struct {
    const char *name, *id, *cell, *file, *note;
  } rows[] = {
      {"张三", "10023", "", "10023.JPG", ""},
      {"李四", "10024", "", "研发部_李四.jpg", ""},  // no 10024.jpg: department_name
      {"王五", "", "C:\\HR\\照片\\10010.jpg", "10010.jpg", ""},
      {"赵六", "", "", "10011.jpg", ""},  // the outside picture's own absolute path, below
      {"孙八", "", "../secret.jpg", "", "照片文件不存在"},
      {"周九", "", "sub/../../secret.jpg", "", "照片文件不存在"},
      {"吴十", "", "link.jpg", "", "指向照片文件夹之外"},
      {"郑一", "10030", "", "", "指向照片文件夹之外"},
      {"钱七", "", "sub/钱七", "钱七.JPG", ""},
      {"冯二", "", "linked/secret", "", "指向照片文件夹之外"},
  };
  ImportPlan p;
  p.photoFolder = source.path();
  int line = 1;
  for (const auto& r : rows) {
    ImportRow row;
    row.line = ++line;
    row.department = QStringLiteral("研发部");
    row.name = QString::fromUtf8(r.name);
    row.employeeId = QString::fromUtf8(r.id);
    row.photoCell = QString::fromUtf8(r.cell);
    p.rows.push_back(row);
  }
  p.rows[3].photoCell = outside.path() + QStringLiteral("/10011");
  matchImportPhotos(p);
  p.recount();
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    const ImportRow& r = p.rows[i];
    EXPECT_TRUE(r.added());
    EXPECT_EQ(QFileInfo(r.photoSource).fileName(), QString::fromUtf8(rows[i].file));
    EXPECT_TRUE(r.photoSource.isEmpty() ||
                r.photoSource.startsWith(QFileInfo(source.path()).canonicalFilePath()));
    EXPECT_TRUE(r.photoNote.contains(QString::fromUtf8(rows[i].note))) << r.photoNote.toStdString();
    EXPECT_EQ(r.photoNote.isEmpty(), !*rows[i].note);
  }
  EXPECT_EQ(p.photosMatched, 5);
  EXPECT_EQ(p.portraits, 5);
  // Pictures of the folder nobody took are named; the links out count among them, never as used.
  const QString summary = p.summary();
  EXPECT_TRUE(
      summary.contains(QStringLiteral("照片文件夹中没有用上的图片：3 个：10030.jpg、link.jpg、spare.png")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("第 8 行 研发部 吴十："))) << summary.toStdString();
}

TEST_F(ImportPhotosTest, ALinkOutOfTheFolderIsNeverConverted) {
  const QString secret = outside.path() + QStringLiteral("/secret.jpg");
  writeFile(secret, solidJpeg(640, 480, Qt::red));
  ASSERT_TRUE(QFile::link(secret, src(QStringLiteral("研发部_张三.jpg"))));
  ImportPlan p =
      plan(QStringLiteral("部门,姓名,照片\n研发部,张三,\n研发部,李四,") + secret + QLatin1Char('\n'));
  ASSERT_EQ(p.toAdd, 2);
  EXPECT_EQ(run(p), 2);
  for (const char* name : {"zp/研发部_张三.jpg", "zp/研发部_李四.jpg"})
    EXPECT_NE(readFile(app.path(QString::fromUtf8(name))), convertImportPhoto(secret).photo) << name;
}

TEST_F(ImportPhotosTest, DamagedPicturesBecomeCardsWhileConverting) {
  photo(QStringLiteral("研发部_张三.jpg"), Qt::blue);
  // Starts like a JPEG, so only the conversion finds it damaged; the text file is found at once.
  writeFile(src(QStringLiteral("研发部_李四.jpg")), solidJpeg(640, 480, Qt::red).left(300));
  writeFile(src(QStringLiteral("研发部_王五.jpg")), "not a picture");
  writeFile(src(QStringLiteral("r.csv")),
            QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n研发部,王五\n").toUtf8());
  for (const bool cards : {true, false}) {
    SCOPED_TRACE(cards ? "cards" : "no cards");
    TempApp event;
    ImportPlan p =
        planRosterImport(src(QStringLiteral("r.csv")), source.path(), event.dataModule().ADOQuerysetting);
    p.cards = cards;
    ASSERT_EQ(p.toAdd, 3);
    EXPECT_EQ(p.photosMatched, 2);  // the truncated one is not known yet
    EXPECT_TRUE(p.rows[2].photoNote.contains(QStringLiteral("照片不是图片或已损坏")));
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    takePhotoFailures(p, prepared);
    EXPECT_EQ(p.photosMatched, 1);
    EXPECT_EQ(p.portraits, 2);
    EXPECT_TRUE(p.summary().contains(QStringLiteral("第 3 行 研发部 李四：照片无法转换")))
        << p.summary().toStdString();
    EXPECT_EQ(writeRosterImport(p, prepared, event.dataModule().ADOQuerysetting, progress), 3);
    EXPECT_EQ(event.rows(QStringLiteral("select xm, zp from yglb order by id")),
              (QStringList{QStringLiteral("张三|zp\\研发部_张三.jpg"),
                           cards ? QStringLiteral("李四|zp\\研发部_李四.jpg") : QStringLiteral("李四|"),
                           cards ? QStringLiteral("王五|zp\\研发部_王五.jpg") : QStringLiteral("王五|")}));
    setAppFolder(app.folder());
  }
}

TEST_F(ImportPhotosTest, PortraitsAreCutAroundTheUpperCentre) {
  // A 1:2 portrait: the face (red) a third of the way down, sky (blue) and legs (yellow) cut away.
  QImage portrait(300, 600, QImage::Format_RGB32);
  portrait.fill(Qt::green);
  QPainter painter(&portrait);
  painter.fillRect(0, 0, 300, 60, Qt::blue);
  painter.fillRect(100, 130, 100, 140, Qt::red);
  painter.fillRect(0, 400, 300, 200, Qt::yellow);
  painter.end();
  const QString file = src(QStringLiteral("portrait.png"));
  ASSERT_TRUE(portrait.save(file));
  const QImage out = decodeJpeg(convertImportPhoto(file).photo);
  ASSERT_EQ(out.size(), QSize(480, 360));
  const auto near = [](QColor a, QColor b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
  };
  EXPECT_TRUE(near(out.pixelColor(240, 180), Qt::red));
  // Not stretched: the face keeps its shape (100 x 140 of the 300 wide picture, scaled by 1.6).
  EXPECT_TRUE(near(out.pixelColor(240 - 70, 180), Qt::red));
  EXPECT_TRUE(near(out.pixelColor(240 - 90, 180), Qt::green));
  for (int x : {5, 240, 475})
    for (int y : {3, 356}) {
      EXPECT_FALSE(near(out.pixelColor(x, y), Qt::blue)) << x << "," << y;
      EXPECT_FALSE(near(out.pixelColor(x, y), Qt::yellow)) << x << "," << y;
    }
}

TEST_F(ImportPhotosTest, AFileInZpNobodyNamesIsKept) {
  const QByteArray picture = solidJpeg(100, 75, Qt::blue);
  writeFile(app.path(QStringLiteral("zp/研发部_张三.jpg")), picture);
  writeFile(app.path(QStringLiteral("zp/研发部_李四.jpg")), "notes, not a picture");
  photo(QStringLiteral("研发部_张三.jpg"), Qt::red);
  photo(QStringLiteral("研发部_李四.jpg"), Qt::red);
  ImportPlan p = plan(QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n研发部,王五\n"));
  EXPECT_EQ(p.toAdd, 2);
  ASSERT_EQ(p.refusedRows().size(), 1u);
  EXPECT_TRUE(p.refusedRows()[0]->refusal.contains(QStringLiteral("它不是图片")));
  EXPECT_TRUE(p.summary().contains(QStringLiteral("保留并用作照片"))) << p.summary().toStdString();
  EXPECT_EQ(run(p), 2);
  EXPECT_EQ(
      app.rows(QStringLiteral("select xm, zp from yglb order by id")),
      (QStringList{QStringLiteral("张三|zp\\研发部_张三.jpg"), QStringLiteral("王五|zp\\研发部_王五.jpg")}));
  EXPECT_EQ(readFile(app.path(QStringLiteral("zp/研发部_张三.jpg"))), picture);
  EXPECT_EQ(readFile(app.path(QStringLiteral("zp/研发部_李四.jpg"))), QByteArray("notes, not a picture"));
  EXPECT_EQ(zpEntries().size(), 3);  // and no scratch file
}

}  // namespace
}  // namespace ld
