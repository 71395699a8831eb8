#include "settings/photo_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/jpeg.h"
#include "framework/text.h"

namespace ld {

namespace {

// No photo file is anywhere near this; reading one whole into memory stays affordable.
constexpr qint64 kMaxSourceBytes = 256 * 1024 * 1024;

// Opens a regular file only. A pipe or device is refused before it is opened (opening a pipe can wait
// forever for a writer, a device can be read forever); what was opened is checked again, so a name
// swapped for one in between does not get past.
void openSource(QFile& file, const QString& fileName) {
  const QFileInfo info(fileName);
  if (!info.exists()) throw Error(Tr::tr("图片文件 %1 不存在").arg(fileName));
  const QString notAFile =
      Tr::tr("%1 不是普通文件（而是文件夹、管道或设备），不能作为照片导入").arg(fileName);
  if (!info.isFile()) throw Error(notAFile);
  UniqueFd fd(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid())
    throw Error(
        Tr::tr("无法打开图片文件 %1：%2").arg(fileName, QString::fromLocal8Bit(std::strerror(errno))));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw Error(notAFile);
  if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    throw Error(Tr::tr("无法打开图片文件 %1：%2").arg(fileName, file.errorString()));
  fd.release();  // the QFile closes it now
}

}  // namespace

QByteArray readPictureFile(const QString& fileName) {
  QFile file;
  openSource(file, fileName);
  if (file.size() > kMaxSourceBytes)
    throw Error(Tr::tr("图片文件 %1 太大（%2 字节）").arg(fileName).arg(file.size()));
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Error(Tr::tr("无法读取图片文件 %1：%2").arg(fileName, file.errorString()));
  return data;
}

namespace {

// Qt's reader reports success for a bitmap whose rows run past the end of the file and leaves those rows,
// like the pixels an RLE bitmap skips, as uninitialised memory. This device notes every short read.
class BitmapFile : public QIODevice {
 public:
  explicit BitmapFile(QFile& file) : file_(file) {}
  bool isSequential() const override { return false; }
  qint64 size() const override { return file_.size(); }
  bool seek(qint64 pos) override { return QIODevice::seek(pos) && file_.seek(pos); }
  bool ranShort() const { return short_; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 n = file_.read(data, maxSize);
    if (n < maxSize) short_ = true;
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QFile& file_;
  bool short_ = false;
};

// The pixel bytes an uncompressed bitmap's header promises; 0 when compressed or unreadable.
qint64 promisedPixelBytes(QFile& file) {
  const QByteArray head = file.peek(34);
  if (head.size() < 30 || !head.startsWith("BM")) return 0;
  const auto* p = reinterpret_cast<const uchar*>(head.constData());
  const quint32 headerSize = qFromLittleEndian<quint32>(p + 14);
  qint64 width = 0, height = 0, bits = 0;
  quint32 compression = 0;
  if (headerSize == 12) {
    width = qFromLittleEndian<quint16>(p + 18);
    height = qFromLittleEndian<quint16>(p + 20);
    bits = qFromLittleEndian<quint16>(p + 24);
  } else if (head.size() >= 34) {
    width = qFromLittleEndian<qint32>(p + 18);
    height = qAbs(qint64(qFromLittleEndian<qint32>(p + 22)));
    bits = qFromLittleEndian<quint16>(p + 28);
    compression = qFromLittleEndian<quint32>(p + 30);
  }
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  if (!uncompressed || width <= 0 || width > 65535 || height > 65535 || bits <= 0 || bits > 32) return 0;
  return (width * bits + 31) / 32 * 4 * height;
}

void refuseHuge(const QString& fileName, QSize size, const QString& kind) {
  if (qint64(size.width()) * size.height() > kMaxImportPixels)
    throw Error(Tr::tr("%1 %2 太大（%3 × %4 像素），最多接受一亿像素")
                    .arg(kind, fileName)
                    .arg(size.width())
                    .arg(size.height()));
}

QImage readBitmap(const QString& fileName) {
  QFile file;
  openSource(file, fileName);
  // Read before the reader moves through the file.
  const qint64 promised = promisedPixelBytes(file);
  BitmapFile device(file);
  if (!device.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw Error(Tr::tr("无法打开位图文件 %1").arg(fileName));
  QImageReader reader(&device, "bmp");
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  // Qt refuses headers of very large pictures here too, so both causes are named.
  if (!size.isValid())
    throw Error(Tr::tr("无法读取位图文件 %1：不是有效的 Windows 位图，或图片太大").arg(fileName));
  refuseHuge(fileName, size, Tr::tr("位图"));
  const QString cut = Tr::tr("位图文件 %1 不完整（文件被截断或已损坏）").arg(fileName);
  // Refused before any pixel memory is taken.
  if (file.size() < promised) throw Error(cut);
  reader.setAllocationLimit(512);  // 100 megapixels at 32 bits
  // Qt reuses a buffer of the right size and format, so pixels the file leaves out are zero, not old memory.
  QImage image;
  if (reader.imageFormat() != QImage::Format_Invalid) {
    image = QImage(size, reader.imageFormat());
    if (image.isNull()) throw Error(Tr::tr("内存不足，无法读取位图文件 %1").arg(fileName));
    image.fill(0);
  }
  if (!reader.read(&image) || image.isNull())
    throw Error(Tr::tr("无法读取位图文件 %1：%2").arg(fileName, reader.errorString()));
  if (device.ranShort()) throw Error(cut);
  return image;
}

QImage readPng(const QString& fileName, QByteArray data) {
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setAutoDetectImageFormat(false);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (!size.isValid()) throw Error(Tr::tr("无法读取 PNG 文件 %1：文件已损坏").arg(fileName));
  refuseHuge(fileName, size, Tr::tr("PNG 图片"));
  reader.setAllocationLimit(1024);  // 100 megapixels at 64 bits
  QImage image;
  if (!reader.read(&image) || image.isNull())
    throw Error(Tr::tr("无法读取 PNG 文件 %1：%2").arg(fileName, reader.errorString()));
  if (!image.hasAlphaChannel()) return image;
  // Transparent parts show white, as on a page; a JPEG keeps no transparency.
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter(&flat).drawImage(0, 0, image);
  return flat;
}

// The orientation tag of a TIFF block (the body of an EXIF segment); 0 when it has none.
int tiffOrientation(const uchar* t, qint64 size) {
  if (size < 8) return 0;
  bool little = false;
  if (t[0] == 'I' && t[1] == 'I')
    little = true;
  else if (t[0] != 'M' || t[1] != 'M')
    return 0;
  const auto u16 = [&](qint64 at) -> quint32 {
    return little ? qFromLittleEndian<quint16>(t + at) : qFromBigEndian<quint16>(t + at);
  };
  const auto u32 = [&](qint64 at) -> qint64 {
    return little ? qFromLittleEndian<quint32>(t + at) : qFromBigEndian<quint32>(t + at);
  };
  if (u16(2) != 42) return 0;
  const qint64 ifd = u32(4);
  if (ifd + 2 > size) return 0;
  const qint64 count = u16(ifd);
  for (qint64 i = 0; i < count; ++i) {
    const qint64 entry = ifd + 2 + 12 * i;
    if (entry + 12 > size) return 0;
    if (u16(entry) != 0x0112) continue;
    const quint32 value = u16(entry + 8);
    return u16(entry + 2) == 3 && value >= 1 && value <= 8 ? int(value) : 0;
  }
  return 0;
}

QImage readJpeg(const QString& fileName, const QByteArray& data, QSize size) {
  const int orientation = exifOrientation(data);
  // No more pixels than the stretch needs: the DCT scaling keeps at least the target size, measured
  // the way the picture will stand.
  const QSize atLeast = orientation >= 5 ? size.transposed() : size;
  try {
    return oriented(decodeJpeg(data, atLeast), orientation);
  } catch (const JpegError& e) {
    throw JpegError(QStringLiteral("%1 (%2)").arg(e.message(), fileName));
  }
}

}  // namespace

QImage oriented(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.mirrored(true, true);
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

int exifOrientation(const QByteArray& jpeg) {
  const auto* d = reinterpret_cast<const uchar*>(jpeg.constData());
  const qint64 n = jpeg.size();
  if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return 1;
  qint64 pos = 2;
  while (pos + 4 <= n) {
    if (d[pos] != 0xFF) return 1;
    const uchar marker = d[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // the picture data starts: no header follows
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      pos += 2;
      continue;
    }
    const qint64 length = qFromBigEndian<quint16>(d + pos + 2);
    if (length < 2 || pos + 2 + length > n) return 1;
    if (marker == 0xE1 && length >= 8 && std::memcmp(d + pos + 4, "Exif\0\0", 6) == 0) {
      if (const int o = tiffOrientation(d + pos + 10, length - 8)) return o;
    }
    pos += 2 + length;
  }
  return 1;
}

QImage readPhoto(const QString& fileName, int quality, QSize size) {
  if (size.isEmpty()) throw Error(Tr::tr("照片尺寸无效"));
  // Read once for both sizes, so the photo is the same whether or not its sharper copy is made.
  size = size.expandedTo(kSharpPhotoSize);
  // A bitmap is compressed once at full size and that JPEG is what gets scaled.
  if (fileName.toUpper().contains(QStringLiteral(".BMP")))
    return decodeJpeg(encodeJpeg(readBitmap(fileName), quality), size);
  const QByteArray data = readPictureFile(fileName);
  if (data.startsWith("\x89PNG\r\n\x1a\n")) return readPng(fileName, data);
  return readJpeg(fileName, data, size);
}

QSize sharpSizeFor(QSize source, QSize photo, QSize limit) {
  if (photo.isEmpty() || source.isEmpty()) return {};
  // Widths of the photo's aspect that neither direction of the source would have to stretch to.
  const qint64 width = std::min({qint64(limit.width()), qint64(source.width()),
                                 qint64(source.height()) * photo.width() / photo.height()});
  const qint64 height = width * photo.height() / photo.width();
  if (width <= photo.width() || height > limit.height()) return {};
  return {int(width), int(height)};
}

PhotoPair encodePhotoPair(const QImage& picture, int quality, QSize size, QSize sharpLimit) {
  PhotoPair pair;
  pair.photo = encodeJpeg(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), quality);
  if (const QSize sharp = sharpSizeFor(picture.size(), size, sharpLimit); !sharp.isEmpty())
    pair.sharp = encodeJpeg(picture.scaled(sharp, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), quality);
  return pair;
}

PhotoPair convertPhotoPair(const QString& fileName, int quality, QSize size) {
  return encodePhotoPair(readPhoto(fileName, quality, size), quality, size, kSharpPhotoSize);
}

QByteArray convertPhoto(const QString& fileName, int quality, QSize size) {
  const QImage stretched =
      readPhoto(fileName, quality, size).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return encodeJpeg(stretched, quality);
}

}  // namespace ld
