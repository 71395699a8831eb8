// The stage's photos: the sharper copy when the event has one, else the photo, else the placeholder; never
// a file outside its folder; cropped, not stretched; decoded again only when the file changes.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include "framework/app_folder.h"
#include "framework/jpeg.h"
#include "stage/stage_photos.h"
#include "support/temp_app.h"

using namespace ld::test;
using ld::stage::StagePhotos;

namespace {

bool near(QRgb a, QColor b) {
  return std::abs(qRed(a) - b.red()) < 40 && std::abs(qGreen(a) - b.green()) < 40 &&
         std::abs(qBlue(a) - b.blue()) < 40;
}

struct Choice {
  const char* name;
  const char* stored;
  bool sharpWritten;
  bool sharpDamaged;
  bool photoWritten;
  bool askSharp;
  const char* expectedFile;  // relative to the event folder
  Qt::GlobalColor expectedColour;
};

class Choosing : public ::testing::TestWithParam<Choice> {};

TEST_P(Choosing, TheSharpestFileThatCanBeShown) {
  const Choice& c = GetParam();
  TempApp app(false);  // system/logo.jpg grey
  QDir(app.folder()).mkpath(QStringLiteral("zpgq"));
  if (c.sharpWritten)
    writeFile(app.path(QStringLiteral("zpgq/Sales_Tom.jpg")),
              c.sharpDamaged ? QByteArray("\xff\xd8 not really") : solidJpeg(1440, 1080, Qt::red));
  if (c.photoWritten) writeFile(app.path(QStringLiteral("zp/Sales_Tom.jpg")), solidJpeg(480, 360, Qt::green));
  // A file outside zp\ and zpgq\, which a stored path must not reach by going up.
  writeFile(app.path(QStringLiteral("outside.jpg")), solidJpeg(480, 360, Qt::blue));

  StagePhotos photos;
  const QImage picture = photos.picture(QString::fromUtf8(c.stored), QSize(640, 480), c.askSharp);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(640, 480));
  EXPECT_EQ(QDir::cleanPath(photos.lastFile()), QDir::cleanPath(app.path(QString::fromUtf8(c.expectedFile))));
  EXPECT_TRUE(near(picture.pixel(320, 240), QColor(c.expectedColour))) << std::hex << picture.pixel(320, 240);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Choosing,
    ::testing::Values(
        Choice{"sharp_copy", "zp\\Sales_Tom.jpg", true, false, true, true, "zpgq/Sales_Tom.jpg", Qt::red},
        Choice{"small_when_asked", "zp\\Sales_Tom.jpg", true, false, true, false, "zp/Sales_Tom.jpg",
               Qt::green},
        Choice{"no_copy", "zp\\Sales_Tom.jpg", false, false, true, true, "zp/Sales_Tom.jpg", Qt::green},
        Choice{"damaged_copy", "zp\\Sales_Tom.jpg", true, true, true, true, "zp/Sales_Tom.jpg", Qt::green},
        Choice{"nothing", "zp\\Sales_Tom.jpg", false, false, false, true, "system/logo.jpg", Qt::gray},
        Choice{"copy_only", "zp\\Sales_Tom.jpg", true, false, false, true, "zpgq/Sales_Tom.jpg", Qt::red},
        Choice{"no_path", "", true, false, true, true, "system/logo.jpg", Qt::gray},
        Choice{"leaves_the_folder", "zp\\..\\outside.jpg", true, false, true, true, "system/logo.jpg",
               Qt::gray},
        Choice{"copy_leaves_the_folder", "zp\\..\\outside.jpg", false, false, false, true, "system/logo.jpg",
               Qt::gray}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StagePhotos, NoPictureAtAllIsNullNotACrash) {
  TempApp app(false, false);
  QTemporaryDir installed;
  ld::setInstalledSystemFolder(installed.path());
  StagePhotos photos;
  EXPECT_TRUE(photos.picture(QStringLiteral("zp\\Nobody.jpg"), QSize(100, 75), true).isNull());
  EXPECT_TRUE(photos.lastFile().isEmpty());
  ld::setInstalledSystemFolder(QString());
}

TEST(StagePhotos, CroppedToFillNeverStretched) {
  // A red band over the left quarter of a 4:3 picture; a square box keeps the middle three quarters'
  // width, so the band is a sixth of it, not a quarter.
  QImage picture(400, 300, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  QPainter(&picture).fillRect(0, 0, 100, 300, Qt::red);
  const QImage square = ld::stage::cropToFill(picture, QSize(120, 120));
  ASSERT_EQ(square.size(), QSize(120, 120));
  EXPECT_TRUE(near(square.pixel(5, 60), Qt::red));
  EXPECT_TRUE(near(square.pixel(28, 60), Qt::blue)) << "a stretched picture would still be red here";
  EXPECT_TRUE(ld::stage::cropToFill(QImage(), QSize(10, 10)).isNull());
}

TEST(StagePhotos, KeptUntilTheFileChanges) {
  TempApp app(false);
  writeFile(app.path(QStringLiteral("zp/A_B.jpg")), solidJpeg(480, 360, Qt::green));
  StagePhotos photos;
  photos.picture(QStringLiteral("zp\\A_B.jpg"), QSize(200, 150), false);
  photos.picture(QStringLiteral("zp\\A_B.jpg"), QSize(200, 150), false);
  EXPECT_EQ(photos.decodes(), 1);
  photos.picture(QStringLiteral("zp\\A_B.jpg"), QSize(400, 300), false);
  EXPECT_EQ(photos.decodes(), 2) << "another size is another picture";
  // Replaced on disk under the same name (a new file, as the settings window writes it).
  QFile::remove(app.path(QStringLiteral("zp/A_B.jpg")));
  writeFile(app.path(QStringLiteral("zp/A_B.jpg")), solidJpeg(480, 360, Qt::red));
  const QImage again = photos.picture(QStringLiteral("zp\\A_B.jpg"), QSize(200, 150), false);
  EXPECT_EQ(photos.decodes(), 3);
  EXPECT_TRUE(near(again.pixel(100, 75), Qt::red));
}

TEST(StagePhotos, TheCacheKeepsToItsBudget) {
  TempApp app(false);
  StagePhotos photos(3 * 200 * 150 * 4);
  for (int i = 0; i < 10; ++i) {
    const QString stored = QStringLiteral("zp\\P_%1.jpg").arg(i);
    writeFile(app.path(QStringLiteral("zp/P_%1.jpg").arg(i)),
              solidJpeg(480, 360, QColor::fromHsv(i * 30, 200, 200)));
    photos.picture(stored, QSize(200, 150), false);
    EXPECT_LE(photos.bytes(), 3 * 200 * 150 * 4);
  }
  // The most recent ones are still there.
  const int decodes = photos.decodes();
  photos.picture(QStringLiteral("zp\\P_9.jpg"), QSize(200, 150), false);
  EXPECT_EQ(photos.decodes(), decodes);
  photos.picture(QStringLiteral("zp\\P_0.jpg"), QSize(200, 150), false);
  EXPECT_EQ(photos.decodes(), decodes + 1);
}

}  // namespace

namespace {

TEST(StagePhotos, ADamagedFileIsNotReadAgainAtEveryTick) {
  TempApp app(false);
  QDir(app.folder()).mkpath(QStringLiteral("zpgq"));
  writeFile(app.path(QStringLiteral("zpgq/A_B.jpg")), QByteArray("\xff\xd8\xff damaged"));
  writeFile(app.path(QStringLiteral("zp/A_B.jpg")), solidJpeg(480, 360, Qt::green));
  StagePhotos photos;
  for (int tick = 0; tick < 5; ++tick) {
    const QImage shown = photos.picture(QStringLiteral("zp\\A_B.jpg"), QSize(640, 480), true);
    EXPECT_TRUE(near(shown.pixel(320, 240), Qt::green));
  }
  EXPECT_EQ(photos.decodes(), 2) << "the damaged copy once, the photo once";
}

}  // namespace
