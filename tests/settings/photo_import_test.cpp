#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <algorithm>

#include "framework/jpeg.h"
#include "settings/photo_import.h"
#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
         std::abs(a.blue() - b.blue()) < 40;
}

class PhotoImport : public SettingsTest {
 protected:
  QString temp() { return zp(QStringLiteral("temp.jpg")); }
  QString source(const QString& name) { return app.path(QStringLiteral("system/") + name); }
  void pick(const QString& file) {
    boxes().fileAnswers = {file};
    form->Button1->click();
  }
  // temp.jpg is 480 x 360 and shows the whole of quarters(), however it was stretched.
  void expectWholeQuartersIn480x360() {
    const QImage out = decodeJpeg(readFile(temp()));
    ASSERT_EQ(out.size(), QSize(480, 360));
    EXPECT_TRUE(near(out.pixelColor(4, 4), Qt::red));
    EXPECT_TRUE(near(out.pixelColor(475, 4), Qt::green));
    EXPECT_TRUE(near(out.pixelColor(4, 355), Qt::blue));
    EXPECT_TRUE(near(out.pixelColor(475, 355), Qt::yellow));
    EXPECT_TRUE(near(out.pixelColor(232, 172), Qt::red));
    EXPECT_TRUE(near(out.pixelColor(248, 188), Qt::yellow));
    EXPECT_EQ(form->Imagezp->jpegData(), readFile(temp()));
  }
};

TEST_F(PhotoImport, CancelledPickerChangesNothing) {
  open();
  form->Button1->click();
  ASSERT_EQ(boxes().shown.size(), 1u);
  EXPECT_EQ(boxes().shown[0].kind, ScriptedDialogs::Shown::OpenFile);
  EXPECT_EQ(boxes().shown[0].text, QStringLiteral("图片文件(*.jpg *.jpeg *.png *.bmp)"));
  EXPECT_FALSE(QFileInfo::exists(temp()));
  EXPECT_FALSE(form->Imagezp->hasPicture());
}

TEST_F(PhotoImport, SmallAndLargePicturesBecome480x360Whole) {
  open();
  for (QSize size : {QSize(300, 300), QSize(4000, 3000)}) {
    SCOPED_TRACE(size.width());
    writeFile(source(QStringLiteral("in.jpg")), encodeJpeg(quarters(size.width(), size.height()), 95));
    pick(source(QStringLiteral("in.jpg")));
    EXPECT_TRUE(errors().isEmpty());
    expectWholeQuartersIn480x360();
  }
}

TEST_F(PhotoImport, BitmapsAreChosenByNameAnywhereInIt) {
  open();
  for (const QString& name : {QStringLiteral("scan.Bmp"), QStringLiteral("scan.bmp.jpg")}) {
    SCOPED_TRACE(name.toStdString());
    QFile::remove(temp());
    ASSERT_TRUE(quarters(640, 480).save(source(name), "BMP"));
    pick(source(name));
    EXPECT_TRUE(errors().isEmpty());
    expectWholeQuartersIn480x360();
  }

  // JPEG data behind a ".bmp" in the middle of the name is read as a bitmap and fails cleanly.
  const QByteArray before = readFile(temp());
  writeFile(source(QStringLiteral("holiday.BMP.jpg")), encodeJpeg(quarters(100, 100), 90));
  pick(source(QStringLiteral("holiday.BMP.jpg")));
  EXPECT_EQ(errors().size(), 1);
  EXPECT_EQ(readFile(temp()), before);
  EXPECT_EQ(form->Imagezp->jpegData(), before);
}

TEST_F(PhotoImport, FailuresLeaveTempFileAndPhotoBoxAsTheyWere) {
  open();
  writeFile(source(QStringLiteral("in.jpg")), encodeJpeg(quarters(800, 600), 95));
  pick(source(QStringLiteral("in.jpg")));
  const QByteArray before = readFile(temp());
  ASSERT_FALSE(before.isEmpty());

  const QByteArray good = readFile(source(QStringLiteral("in.jpg")));
  writeFile(source(QStringLiteral("broken.jpg")), "this is no picture");
  writeFile(source(QStringLiteral("cut.jpg")), good.left(good.size() / 2));
  QByteArray hugeHeader(54, '\0');  // a bitmap header promising 12000 x 10000 pixels
  hugeHeader[0] = 'B';
  hugeHeader[1] = 'M';
  qToLittleEndian<quint32>(54, hugeHeader.data() + 10);
  qToLittleEndian<quint32>(40, hugeHeader.data() + 14);
  qToLittleEndian<qint32>(12000, hugeHeader.data() + 18);
  qToLittleEndian<qint32>(10000, hugeHeader.data() + 22);
  qToLittleEndian<quint16>(1, hugeHeader.data() + 26);
  qToLittleEndian<quint16>(24, hugeHeader.data() + 28);
  writeFile(source(QStringLiteral("huge.bmp")), hugeHeader);

  const QString sources[] = {source(QStringLiteral("broken.jpg")), source(QStringLiteral("cut.jpg")),
                             source(QStringLiteral("missing.jpg")), source(QStringLiteral("huge.bmp"))};
  for (const QString& file : sources) {
    SCOPED_TRACE(file.toStdString());
    boxes().clear();
    pick(file);
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(readFile(temp()), before);
    EXPECT_EQ(form->Imagezp->jpegData(), before);
  }
  EXPECT_TRUE(errors()[0].contains(QStringLiteral("太大"))) << errors()[0].toStdString();

  // Without the photo folder the write fails; the box keeps its picture.
  boxes().clear();
  QDir(app.path(QStringLiteral("zp"))).removeRecursively();
  pick(source(QStringLiteral("in.jpg")));
  EXPECT_EQ(errors().size(), 1);
  EXPECT_EQ(form->Imagezp->jpegData(), before);
}

TEST_F(PhotoImport, TempFileItselfCanBeImportedAndAddStoresItUnchanged) {
  open();
  writeFile(source(QStringLiteral("in.jpg")), encodeJpeg(quarters(1000, 1000), 95));
  pick(source(QStringLiteral("in.jpg")));
  pick(temp());
  EXPECT_TRUE(errors().isEmpty());
  expectWholeQuartersIn480x360();

  enter(QStringLiteral("销售部"), QStringLiteral("张三"));
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("添加员工成功")});
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), readFile(temp()));
}

// JPEG data with an EXIF block holding only the orientation tag, in either byte order.
QByteArray withOrientation(const QByteArray& jpeg, int orientation, bool littleEndian) {
  QByteArray tiff = littleEndian ? QByteArray("II\x2a\0\x08\0\0\0", 8) : QByteArray("MM\0\x2a\0\0\0\x08", 8);
  const auto u16 = [&](int v) {
    const char b[2] = {char(littleEndian ? v & 0xff : v >> 8), char(littleEndian ? v >> 8 : v & 0xff)};
    tiff.append(b, 2);
  };
  u16(1);                                                                             // one entry
  u16(0x0112);                                                                        // orientation
  u16(3);                                                                             // SHORT
  tiff.append(littleEndian ? QByteArray("\1\0\0\0", 4) : QByteArray("\0\0\0\1", 4));  // count 1
  u16(orientation);
  u16(0);
  tiff.append(QByteArray(4, '\0'));  // no further IFD
  const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
  QByteArray segment("\xff\xe1", 2);
  segment.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 0xff)).append(body);
  return jpeg.left(2) + segment + jpeg.mid(2);
}

TEST_F(PhotoImport, PhonePhotosStandAsTheirExifOrientationSays) {
  open();
  const QColor R = Qt::red, G = Qt::green, B = Qt::blue, Y = Qt::yellow;
  // The corners top-left, top-right, bottom-left, bottom-right of the stored picture once stood up.
  const struct {
    int orientation;
    QColor corners[4];
  } cases[] = {
      {1, {R, G, B, Y}}, {2, {G, R, Y, B}}, {3, {Y, B, G, R}}, {4, {B, Y, R, G}},
      {5, {R, B, G, Y}}, {6, {B, R, Y, G}}, {7, {Y, G, B, R}}, {8, {G, Y, R, B}},
  };
  const QByteArray plain = encodeJpeg(quarters(800, 600), 95);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    const QByteArray tagged = withOrientation(plain, c.orientation, c.orientation % 2 == 0);
    ASSERT_EQ(exifOrientation(tagged), c.orientation);
    writeFile(source(QStringLiteral("phone.jpg")), tagged);
    pick(source(QStringLiteral("phone.jpg")));
    ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    const QImage out = decodeJpeg(readFile(temp()));
    ASSERT_EQ(out.size(), QSize(480, 360));
    EXPECT_TRUE(near(out.pixelColor(10, 10), c.corners[0]));
    EXPECT_TRUE(near(out.pixelColor(469, 10), c.corners[1]));
    EXPECT_TRUE(near(out.pixelColor(10, 349), c.corners[2]));
    EXPECT_TRUE(near(out.pixelColor(469, 349), c.corners[3]));
  }
  // A damaged EXIF block counts as no orientation.
  QByteArray damaged = withOrientation(plain, 6, true);
  damaged[4] = '\x7f';  // a segment length running past the end
  EXPECT_EQ(exifOrientation(damaged), 1);
}

TEST_F(PhotoImport, PngPicturesAreConvertedLikeTheOthersAndADamagedOneIsRefused) {
  open();
  ASSERT_TRUE(quarters(640, 480).save(source(QStringLiteral("drawing.png")), "PNG"));
  pick(source(QStringLiteral("drawing.png")));
  EXPECT_TRUE(errors().isEmpty());
  expectWholeQuartersIn480x360();

  // A JPEG keeps no transparency: transparent parts show white, as on a page.
  QImage clear(640, 480, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  ASSERT_TRUE(clear.save(source(QStringLiteral("clear.png")), "PNG"));
  pick(source(QStringLiteral("clear.png")));
  const QColor page = decodeJpeg(readFile(temp())).pixelColor(240, 180);
  EXPECT_GE(std::min({page.red(), page.green(), page.blue()}), 247) << page.name().toStdString();
  pick(source(QStringLiteral("drawing.png")));

  const QByteArray before = readFile(temp());
  const QByteArray png = readFile(source(QStringLiteral("drawing.png")));
  writeFile(source(QStringLiteral("cut.png")), png.left(png.size() / 2));
  pick(source(QStringLiteral("cut.png")));
  EXPECT_EQ(errors().size(), 1);
  EXPECT_EQ(readFile(temp()), before);
}

TEST_F(PhotoImport, TheDialogOpensInTheFolderOfTheLastImportOfThisEvent) {
  open();
  form->Button1->click();  // nothing remembered yet, and a cancel remembers nothing
  const QString folder = app.path(QStringLiteral("photos"));
  QDir().mkpath(folder);
  writeFile(folder + QStringLiteral("/in.jpg"), encodeJpeg(quarters(100, 100), 90));
  pick(folder + QStringLiteral("/in.jpg"));
  EXPECT_EQ(boxes().openFolders, (QStringList{QString(), QString()}));

  // Kept with the event: a window opened later starts there too.
  form = std::make_unique<TsettingForm>(app.dataModule());
  boxes().clear();
  form->Button1->click();
  EXPECT_EQ(boxes().openFolders, QStringList{folder});

  // A folder gone since is not offered.
  QDir(folder).removeRecursively();
  boxes().clear();
  form->Button1->click();
  EXPECT_EQ(boxes().openFolders, QStringList{QString()});
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(PhotoImport, PipesDevicesAndFoldersAreRefusedWithoutBeingRead) {
  open();
  writeFile(source(QStringLiteral("in.jpg")), encodeJpeg(quarters(800, 600), 95));
  pick(source(QStringLiteral("in.jpg")));
  const QByteArray before = readFile(temp());

  // Opening a pipe for reading waits for a writer that never comes; reading /dev/zero never ends.
  ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("photo.jpg"))).constData(), 0600), 0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("photo.bmp"))).constData(), 0600), 0);
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(source(QStringLiteral("zero.jpg"))).constData()), 0);
  QDir().mkpath(source(QStringLiteral("folder.jpg")));
  const QString refused[] = {source(QStringLiteral("photo.jpg")), source(QStringLiteral("photo.bmp")),
                             QStringLiteral("/dev/zero"), source(QStringLiteral("zero.jpg")),
                             source(QStringLiteral("folder.jpg"))};
  for (const QString& file : refused) {
    SCOPED_TRACE(file.toStdString());
    boxes().clear();
    pick(file);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("不是普通文件"))) << errors()[0].toStdString();
    EXPECT_EQ(readFile(temp()), before);
    EXPECT_EQ(form->Imagezp->jpegData(), before);
  }
}

}  // namespace
