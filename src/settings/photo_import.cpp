#include "settings/photo_import.h"

#include <QFile>
#include <QIODevice>
#include <QImageReader>
#include <QtEndian>

#include "framework/errors.h"
#include "framework/jpeg.h"

namespace ld {

namespace {

// Qt's reader reports success for a bitmap whose rows run past the end of the file and leaves those rows,
// like the pixels an RLE bitmap skips, as uninitialised memory. This file notes every short read.
class BitmapFile : public QIODevice {
 public:
  explicit BitmapFile(const QString& name) : file_(name) {}
  bool openFile() {
    return file_.open(QIODevice::ReadOnly) && open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  QString errorText() const { return file_.errorString(); }
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
  QFile file_;
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

QImage readBitmap(const QString& fileName) {
  BitmapFile device(fileName);
  if (!device.openFile())
    throw Error(QStringLiteral("无法打开位图文件 %1：%2").arg(fileName, device.errorText()));
  QImageReader reader(&device, "bmp");
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  // Qt refuses headers of very large pictures here too, so both causes are named.
  if (!size.isValid())
    throw Error(QStringLiteral("无法读取位图文件 %1：不是有效的 Windows 位图，或图片太大").arg(fileName));
  if (qint64(size.width()) * size.height() > kMaxImportPixels)
    throw Error(QStringLiteral("位图 %1 太大（%2 × %3 像素），最多接受一亿像素")
                    .arg(fileName)
                    .arg(size.width())
                    .arg(size.height()));
  const QString cut = QStringLiteral("位图文件 %1 不完整（文件被截断或已损坏）").arg(fileName);
  // Refused before any pixel memory is taken.
  QFile head(fileName);
  if (head.open(QIODevice::ReadOnly) && head.size() < promisedPixelBytes(head)) throw Error(cut);
  reader.setAllocationLimit(512);  // 100 megapixels at 32 bits
  // Qt reuses a buffer of the right size and format, so pixels the file leaves out are zero, not old memory.
  QImage image;
  if (reader.imageFormat() != QImage::Format_Invalid) {
    image = QImage(size, reader.imageFormat());
    if (image.isNull()) throw Error(QStringLiteral("内存不足，无法读取位图文件 %1").arg(fileName));
    image.fill(0);
  }
  if (!reader.read(&image) || image.isNull())
    throw Error(QStringLiteral("无法读取位图文件 %1：%2").arg(fileName, reader.errorString()));
  if (device.ranShort()) throw Error(cut);
  return image;
}

}  // namespace

QByteArray convertPhoto(const QString& fileName, int quality, QSize size) {
  if (size.isEmpty()) throw Error(QStringLiteral("照片尺寸无效"));
  QImage source;
  if (fileName.toUpper().contains(QStringLiteral(".BMP"))) {
    // A bitmap is compressed once at full size and that JPEG is what gets stretched.
    source = decodeJpeg(encodeJpeg(readBitmap(fileName), quality), size);
  } else {
    // No more pixels than the stretch needs: the DCT scaling keeps at least the target size.
    source = decodeJpegFile(fileName, size);
  }
  const QImage stretched = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return encodeJpeg(stretched, quality);
}

}  // namespace ld
