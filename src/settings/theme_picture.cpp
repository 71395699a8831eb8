#include "settings/theme_picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include "framework/errors.h"
#include "framework/jpeg.h"
#include "framework/text.h"
#include "settings/photo_import.h"

namespace ld {

namespace {

constexpr QSize maxStoredSize(ThemePictureKind kind) {
  return kind == ThemePictureKind::Background ? kMaxBackgroundSize : kMaxLogoSize;
}

bool isPng(const QByteArray& bytes) { return bytes.startsWith("\x89PNG\r\n\x1a\n"); }
bool isJpeg(const QByteArray& bytes) { return bytes.startsWith("\xff\xd8\xff"); }

// The size a JPEG's frame header gives, before anything is decoded; invalid when none is found.
QSize jpegFrameSize(const QByteArray& jpeg) {
  const auto* d = reinterpret_cast<const uchar*>(jpeg.constData());
  const qint64 n = jpeg.size();
  qint64 pos = 2;
  while (pos + 4 <= n) {
    if (d[pos] != 0xFF) return {};
    const uchar marker = d[pos + 1];
    if (marker == 0xFF) {
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return {};
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      pos += 2;
      continue;
    }
    const qint64 length = qFromBigEndian<quint16>(d + pos + 2);
    if (length < 2 || pos + 2 + length > n) return {};
    // Start of frame: every SOFn but the Huffman (C4), arithmetic-conditioning (CC) and reserved (C8) ones.
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 7) return {};
      return {qFromBigEndian<quint16>(d + pos + 7), qFromBigEndian<quint16>(d + pos + 5)};
    }
    pos += 2 + length;
  }
  return {};
}

QString tooLarge(const QString& what, QSize size, qint64 maxPixels) {
  return Tr::tr("图片 %1 太大（%2 × %3 像素），最多接受 %4 像素")
      .arg(what)
      .arg(size.width())
      .arg(size.height())
      .arg(maxPixels);
}

QString damaged(const QString& what) { return Tr::tr("图片 %1 已损坏或不完整").arg(what); }

QImage readPng(const QByteArray& bytes, const QString& what, qint64 maxPixels) {
  // A file cut short lacks its closing chunk; Qt's reader may still hand back the rows it got.
  if (!bytes.contains(QByteArrayLiteral("IEND\xae\x42\x60\x82"))) throw Error(damaged(what));
  QByteArray data = bytes;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (!size.isValid()) throw Error(damaged(what));
  if (qint64(size.width()) * size.height() > maxPixels) throw Error(tooLarge(what, size, maxPixels));
  reader.setAllocationLimit(int(maxPixels * 8 / (1024 * 1024)) + 1);
  QImage image;
  if (!reader.read(&image) || image.isNull()) throw Error(damaged(what));
  return image;
}

// Decoded standing as taken, with no more pixels than `fitting` needs.
QImage readJpeg(const QByteArray& bytes, const QString& what, qint64 maxPixels, QSize fitting) {
  const QSize size = jpegFrameSize(bytes);
  if (!size.isValid() || size.isEmpty()) throw Error(damaged(what));
  if (qint64(size.width()) * size.height() > maxPixels) throw Error(tooLarge(what, size, maxPixels));
  const int orientation = exifOrientation(bytes);
  const QSize standing = orientation >= 5 ? size.transposed() : size;
  QSize atLeast = standing.scaled(fitting, Qt::KeepAspectRatio).boundedTo(standing);
  if (orientation >= 5) atLeast.transpose();
  try {
    return oriented(decodeJpeg(bytes, atLeast), orientation);
  } catch (const JpegError&) {
    throw Error(damaged(what));
  }
}

QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw Error(Tr::tr("无法保存标志图片"));
  return bytes;
}

}  // namespace

QString themePictureEntry(ThemePictureKind kind) {
  return kind == ThemePictureKind::Background ? QStringLiteral("zt/bg.jpg") : QStringLiteral("zt/logo.png");
}

ThemePicture themePictureFromFile(ThemePictureKind kind, const QString& fileName) {
  const QByteArray data = readPictureFile(fileName);
  const QSize limit = maxStoredSize(kind);
  QImage image;
  if (isPng(data))
    image = readPng(data, fileName, kMaxThemeSourcePixels);
  else if (isJpeg(data))
    image = readJpeg(data, fileName, kMaxThemeSourcePixels, limit);
  else
    throw Error(Tr::tr("%1 不是 JPEG 或 PNG 图片").arg(fileName));
  if (image.width() > limit.width() || image.height() > limit.height())
    image = image.scaled(image.size().scaled(limit, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  if (kind == ThemePictureKind::Logo) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    return {image, pngBytes(image)};
  }
  if (image.hasAlphaChannel()) {
    // A JPEG keeps no transparency: what shows through is the dark of a stage.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::black);
    QPainter(&flat).drawImage(0, 0, image);
    image = flat;
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  return {image, encodeJpeg(image, 90)};
}

QImage storedThemePicture(ThemePictureKind kind, const QByteArray& bytes, const QString& what) {
  if (bytes.size() > kMaxThemeFileBytes) throw Error(Tr::tr("图片 %1 的文件太大").arg(what));
  const QSize limit = maxStoredSize(kind);
  const qint64 pixels = qint64(limit.width()) * limit.height();
  QImage image;
  if (kind == ThemePictureKind::Background) {
    if (!isJpeg(bytes)) throw Error(Tr::tr("背景图片 %1 不是 JPEG 图片").arg(what));
    image = readJpeg(bytes, what, pixels, limit);
  } else {
    if (!isPng(bytes)) throw Error(Tr::tr("标志图片 %1 不是 PNG 图片").arg(what));
    image = readPng(bytes, what, pixels);
  }
  if (image.width() > limit.width() || image.height() > limit.height())
    throw Error(Tr::tr("图片 %1 超过 %2 × %3 像素").arg(what).arg(limit.width()).arg(limit.height()));
  return image;
}

}  // namespace ld
