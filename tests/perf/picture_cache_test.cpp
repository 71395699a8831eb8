// The draw window's cache of pictures at the size shown: a photo is decoded once while it stays as it is,
// read again as soon as it changes on disk, kept within its budget, and a camera-sized photo is kept at
// the tile's size like any other.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QtMath>

#include "draw/picture_loading.h"
#include "draw/sharp_pictures.h"
#include "framework/jpeg.h"
#include "support/draw_helpers.h"
#include "support/temp_app.h"
#include "widgets/picture_box.h"

using namespace ld;
using namespace ld::test;

namespace {

const QSize kTile(100, 74);

// Written an hour ago as far as the file's times tell: a photo that has been left alone.
void writeSettled(const QString& path, const QByteArray& bytes) {
  writeFile(path, bytes);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

// The four quarters with a fine grain over them, as JPEG data of a camera picture's weight.
QByteArray grainyQuarters(int width, int height, QColor last) {
  QImage image = quarters(width, height, last).convertToFormat(QImage::Format_RGB32);
  quint32 seed = 7;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int n = int(seed >> 27) - 16;
      const QRgb c = line[x];
      line[x] =
          qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
    }
  }
  return encodeJpeg(image, 95);
}

void expectQuarters(const QImage& picture, QColor last) {
  const int w = picture.width(), h = picture.height();
  EXPECT_TRUE(similar(picture.pixelColor(w / 4, h / 4), Qt::red, 40));
  EXPECT_TRUE(similar(picture.pixelColor(3 * w / 4, h / 4), Qt::green, 40));
  EXPECT_TRUE(similar(picture.pixelColor(w / 4, 3 * h / 4), Qt::blue, 40));
  EXPECT_TRUE(similar(picture.pixelColor(3 * w / 4, 3 * h / 4), last, 40));
}

class Cache : public ::testing::Test {
 protected:
  TempApp app;
  PictureCache cache{4 * 1024 * 1024};
  QString file(const char* name) { return app.path(QString::fromLatin1(name)); }
};

TEST_F(Cache, APhotoLeftAloneIsDecodedOnceAtTheSizeShown) {
  writeSettled(file("zp/a.jpg"), solidJpeg(480, 360, Qt::red));
  for (int i = 0; i < 10; ++i) {
    const std::optional<QImage> picture = cache.picture(file("zp/a.jpg"), kTile);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), kTile);
    EXPECT_TRUE(similar(centre(*picture), Qt::red));
  }
  EXPECT_EQ(cache.decodes(), 1);
  // Another size is another picture; an empty size is the whole decoded picture.
  EXPECT_EQ(cache.picture(file("zp/a.jpg"), QSize(404, 300))->size(), QSize(404, 300));
  EXPECT_EQ(cache.picture(file("zp/a.jpg"), QSize())->size(), QSize(480, 360));
  EXPECT_EQ(cache.decodes(), 3);
}

TEST_F(Cache, AChangedPhotoIsReadAgain) {
  struct Change {
    const char* what;
    void (*apply)(const QString& path);
  };
  const Change changes[] = {
      {"copied over with the other file's times kept",
       [](const QString& path) {
         writeFile(path, solidJpeg(480, 360, Qt::green));
         QFile f(path);
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         ASSERT_TRUE(
             f.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
       }},
      {"replaced by another file under its name",
       [](const QString& path) {
         writeSettled(path + QStringLiteral(".new"), solidJpeg(480, 360, Qt::green));
         ASSERT_EQ(::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                            QFile::encodeName(path).constData()),
                   0);
       }},
      {"rewritten just now", [](const QString& path) { writeFile(path, solidJpeg(480, 360, Qt::green)); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    writeSettled(file("zp/a.jpg"), solidJpeg(480, 360, Qt::red));
    ASSERT_TRUE(similar(centre(*cache.picture(file("zp/a.jpg"), kTile)), Qt::red));
    change.apply(file("zp/a.jpg"));
    EXPECT_TRUE(similar(centre(*cache.picture(file("zp/a.jpg"), kTile)), Qt::green));
    EXPECT_TRUE(similar(centre(*cache.picture(file("zp/a.jpg"), kTile)), Qt::green));
  }
  // A photo written within the last second is not trusted to tell its next change: it is read each time.
  const int before = cache.decodes();
  cache.picture(file("zp/a.jpg"), kTile);
  EXPECT_EQ(cache.decodes(), before + 1);
}

TEST_F(Cache, LinkedNamesShareOnePictureAndMissingFilesAreNone) {
  writeSettled(file("zp/a.jpg"), solidJpeg(480, 360, Qt::red));
  ASSERT_TRUE(QFile::link(file("zp/a.jpg"), file("zp/b.jpg")));
  ASSERT_EQ(::link(QFile::encodeName(file("zp/a.jpg")).constData(),
                   QFile::encodeName(file("zp/c.jpg")).constData()),
            0);
  cache.picture(file("zp/a.jpg"), kTile);
  EXPECT_TRUE(similar(centre(*cache.picture(file("zp/b.jpg"), kTile)), Qt::red));
  EXPECT_TRUE(similar(centre(*cache.picture(file("zp/c.jpg"), kTile)), Qt::red));
  EXPECT_EQ(cache.decodes(), 1) << "a symbolic and a hard link name the same picture";

  EXPECT_FALSE(cache.picture(file("zp/none.jpg"), kTile));
  EXPECT_FALSE(cache.picture(file("zp"), kTile)) << "a folder is no photo";
  ASSERT_TRUE(QFile::link(file("zp/none.jpg"), file("zp/dangling.jpg")));
  EXPECT_FALSE(cache.picture(file("zp/dangling.jpg"), kTile));
}

TEST_F(Cache, ADamagedPhotoIsRemembered) {
  writeSettled(file("zp/bad.jpg"), solidJpeg(480, 360, Qt::red).left(500));
  QString first;
  try {
    cache.picture(file("zp/bad.jpg"), kTile);
    FAIL() << "a truncated photo decoded";
  } catch (const JpegError& e) {
    first = e.message();
  }
  for (int i = 0; i < 5; ++i) {
    try {
      cache.picture(file("zp/bad.jpg"), kTile);
      FAIL() << "a remembered failure decoded";
    } catch (const JpegError& e) {
      EXPECT_EQ(e.message(), first);
    }
  }
  EXPECT_EQ(cache.decodes(), 1);
  // Mended: read again.
  writeSettled(file("zp/bad.jpg"), solidJpeg(480, 360, Qt::blue));
  EXPECT_TRUE(similar(centre(*cache.picture(file("zp/bad.jpg"), kTile)), Qt::blue));
}

TEST_F(Cache, TheBudgetHoldsAndTheLeastRecentlyUsedGoFirst) {
  const qsizetype tile = QImage(kTile, QImage::Format_RGB32).sizeInBytes();
  PictureCache small(3 * tile);
  for (const char* name : {"zp/1.jpg", "zp/2.jpg", "zp/3.jpg", "zp/4.jpg"})
    writeSettled(file(name), solidJpeg(480, 360, Qt::red));
  small.picture(file("zp/1.jpg"), kTile);
  small.picture(file("zp/2.jpg"), kTile);
  small.picture(file("zp/3.jpg"), kTile);
  small.picture(file("zp/1.jpg"), kTile);  // used again: 2 is now the oldest
  small.picture(file("zp/4.jpg"), kTile);
  EXPECT_EQ(small.count(), 3);
  EXPECT_LE(small.bytes(), 3 * tile);
  const int decodes = small.decodes();
  small.picture(file("zp/1.jpg"), kTile);
  small.picture(file("zp/3.jpg"), kTile);
  small.picture(file("zp/4.jpg"), kTile);
  EXPECT_EQ(small.decodes(), decodes);
  small.picture(file("zp/2.jpg"), kTile);
  EXPECT_EQ(small.decodes(), decodes + 1);

  // A picture bigger than the whole budget is shown, not kept.
  EXPECT_EQ(small.picture(file("zp/1.jpg"), QSize(480, 360))->size(), QSize(480, 360));
  EXPECT_LE(small.bytes(), 3 * tile);
}

// A camera picture copied into zp/ by hand is kept at the tile's size: once decoded it costs a tick what
// any photo does.
TEST_F(Cache, ACameraSizedPhotoIsKeptAtTheTileSize) {
  QImage big = quarters(6000, 4000);
  writeSettled(file("zp/camera.jpg"), encodeJpeg(big, 85));
  TImage tile;
  tile.resize(kTile);
  tile.setStretch(true);
  for (int i = 0; i < 20; ++i) {
    PictureCache& shared = shownPictures();
    const int before = shared.decodes();
    loadPhotoOrLogo(tile, QStringLiteral("zp\\camera.jpg"));
    EXPECT_LE(shared.decodes(), before + (i == 0 ? 1 : 0));
  }
  EXPECT_EQ(tile.picture().size(), kTile);
  EXPECT_TRUE(tile.jpegData().isEmpty());
  // The quarters land where they were: scaled, not cropped.
  EXPECT_TRUE(similar(tile.picture().pixelColor(10, 10), Qt::red));
  EXPECT_TRUE(similar(tile.picture().pixelColor(kTile.width() - 10, kTile.height() - 10), Qt::yellow));
}

// Camera pictures copied into zp/ by hand get small copies made in the background; the winner's box and
// the tiles decode those, the full picture is still the file's own, and a copy never outlives its file.
TEST_F(Cache, LargePhotosArePreparedInTheBackground) {
  PhotoPreparer preparer(8 * 1024 * 1024);
  PictureCache withCopies(8 * 1024 * 1024, &preparer);
  const QByteArray big = grainyQuarters(3000, 2000, Qt::yellow);
  ASSERT_GE(big.size(), PhotoPreparer::kLargeBytes);
  writeSettled(file("zp/big.jpg"), big);
  writeSettled(file("zp/small.jpg"), solidJpeg(480, 360, Qt::red));
  ASSERT_TRUE(QFile::link(file("zp/big.jpg"), file("zp/alias.jpg")));

  preparer.prepareFolder(app.path(QStringLiteral("zp")));
  preparer.waitUntilIdle();
  EXPECT_EQ(preparer.count(), 1) << "one large file, whatever links lead to it";
  EXPECT_LT(preparer.bytes(), 200 * 1024);

  const QSize winner(404, 300);
  expectQuarters(*withCopies.picture(file("zp/alias.jpg"), winner), Qt::yellow);
  expectQuarters(*withCopies.picture(file("zp/big.jpg"), kTile), Qt::yellow);
  EXPECT_EQ(withCopies.copiesUsed(), 2);
  // Larger than the copy, or the whole picture: the file itself.
  EXPECT_EQ(withCopies.picture(file("zp/big.jpg"), QSize(640, 480))->size(), QSize(640, 480));
  EXPECT_EQ(withCopies.picture(file("zp/big.jpg"), QSize())->size(), QSize(3000, 2000));
  EXPECT_EQ(withCopies.copiesUsed(), 2);

  // Rewritten in place: the old copy is not used, the file is decoded, and its folder is looked through
  // again for a new copy.
  writeFile(file("zp/big.jpg"), grainyQuarters(3000, 2000, Qt::magenta));
  QFile f(file("zp/big.jpg"));
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
  f.close();
  expectQuarters(*withCopies.picture(file("zp/big.jpg"), winner), Qt::magenta);
  EXPECT_EQ(withCopies.copiesUsed(), 2);
  preparer.waitUntilIdle();
  withCopies.clear();
  expectQuarters(*withCopies.picture(file("zp/big.jpg"), winner), Qt::magenta);
  EXPECT_EQ(withCopies.copiesUsed(), 3);

  // Gone from the folder: its copy goes at the next look.
  ASSERT_TRUE(QFile::remove(file("zp/big.jpg")));
  preparer.prepareFolder(app.path(QStringLiteral("zp")));
  preparer.waitUntilIdle();
  EXPECT_EQ(preparer.count(), 0);
  EXPECT_EQ(preparer.bytes(), 0);
}

TEST_F(Cache, ThePreparerKeepsToItsBudget) {
  const QByteArray big = grainyQuarters(3000, 2000, Qt::yellow);
  for (const char* name : {"zp/1.jpg", "zp/2.jpg", "zp/3.jpg"}) writeSettled(file(name), big);
  const QString zp = app.path(QStringLiteral("zp"));
  PhotoPreparer full(1);
  full.prepareFolder(zp);
  full.waitUntilIdle();
  EXPECT_EQ(full.count(), 0);
  EXPECT_EQ(full.decodes(), 3);
  PictureCache withCopies(8 * 1024 * 1024, &full);
  expectQuarters(*withCopies.picture(file("zp/1.jpg"), kTile), Qt::yellow);
  EXPECT_EQ(withCopies.copiesUsed(), 0);
  // A photo passed over is not decoded again by later looks, even those asked for by the tick.
  full.waitUntilIdle();
  full.prepareFolder(zp, true);
  full.waitUntilIdle();
  EXPECT_EQ(full.decodes(), 3);
  // Rewritten (the same bytes, but a new stamp), it is looked at again.
  writeSettled(file("zp/2.jpg"), big);
  full.prepareFolder(zp, true);
  full.waitUntilIdle();
  EXPECT_EQ(full.decodes(), 4);
  // Stopping while there is work left is prompt and leaves nothing running.
  for (const char* name : {"zp/1.jpg", "zp/3.jpg"}) writeSettled(file(name), big);
  full.prepareFolder(zp, true);
  full.stop();
}

// Room left by a photo gone from the folder goes to a photo that was passed over for want of it.
TEST_F(Cache, ThePreparerUsesRoomThatFreesUp) {
  const QString zp = app.path(QStringLiteral("zp"));
  const QByteArray big = grainyQuarters(3000, 2000, Qt::yellow);
  writeSettled(file("zp/1.jpg"), big);
  PhotoPreparer measure(8 * 1024 * 1024);
  measure.prepareFolder(zp);
  measure.waitUntilIdle();
  const qsizetype oneCopy = measure.bytes();
  ASSERT_GT(oneCopy, 0);
  for (const char* name : {"zp/2.jpg", "zp/3.jpg"}) writeSettled(file(name), big);

  PhotoPreparer room(oneCopy + oneCopy / 2);
  room.prepareFolder(zp);
  room.waitUntilIdle();
  ASSERT_EQ(room.count(), 1);
  EXPECT_EQ(room.decodes(), 3);
  QString withCopy;
  for (const char* name : {"zp/1.jpg", "zp/2.jpg", "zp/3.jpg"})
    if (!room.copyOf(*fileStamp(file(name))).isEmpty()) withCopy = file(name);
  ASSERT_FALSE(withCopy.isEmpty());
  ASSERT_TRUE(QFile::remove(withCopy));
  room.prepareFolder(zp);
  room.waitUntilIdle();
  EXPECT_EQ(room.count(), 0);
  room.prepareFolder(zp);
  room.waitUntilIdle();
  EXPECT_EQ(room.count(), 1);
  EXPECT_EQ(room.decodes(), 4);
}

// Shown larger than life (a projector), the tiles are decoded for the pixels they cover there: the first
// paint at a scale decodes the photo at that size, later loads ask for that size from the start.
TEST_F(Cache, ABoxPaintedLargerLoadsItsPhotosAtTheLargerSize) {
  writeSettled(file("zp/q.jpg"), encodeJpeg(quarters(640, 480, Qt::magenta), 90));
  SharpPhoto tile(nullptr);
  tile.resize(kTile);
  tile.setStretch(true);
  PictureCache& shared = shownPictures();
  loadPhotoOrLogo(tile, QStringLiteral("zp\\q.jpg"));
  EXPECT_EQ(tile.picture().size(), kTile);
  EXPECT_EQ(tile.shownSize(), kTile);

  const auto paintAt = [&](qreal scale) {
    QImage canvas(QSize(qCeil(kTile.width() * scale), qCeil(kTile.height() * scale)), QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.scale(scale, scale);
    tile.render(&painter);
    return canvas;
  };
  const QImage shown = paintAt(2);
  EXPECT_EQ(tile.scaledPicture().size(), kTile * 2);
  EXPECT_EQ(tile.shownSize(), kTile * 2);
  expectQuarters(tile.scaledPicture(), Qt::magenta);
  expectQuarters(shown, Qt::magenta);

  const int decodes = shared.decodes();
  loadPhotoOrLogo(tile, QStringLiteral("zp\\q.jpg"));
  EXPECT_EQ(tile.picture().size(), kTile * 2) << "the next tick loads it at its size on the screen";
  paintAt(2);
  EXPECT_EQ(shared.decodes(), decodes) << "already decoded at that size";

  // Back at 1:1, photos are loaded for the box again.
  paintAt(1);
  EXPECT_EQ(tile.shownSize(), kTile);
  loadPhotoOrLogo(tile, QStringLiteral("zp\\q.jpg"));
  EXPECT_EQ(tile.picture().size(), kTile);
}

}  // namespace
