#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include "framework/jpeg.h"
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
  EXPECT_EQ(boxes().shown[0].text, QStringLiteral("JEPG图像文件(*.jpg)"));
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

}  // namespace
