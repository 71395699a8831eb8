#include "settings/photo_import.h"

#include <QImageReader>

#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/jpeg.h"
#include "settings/photo_file.h"
#include "settings/setting_form.h"

namespace ld {

namespace {

QImage readBitmap(const QString& fileName) {
  QImageReader reader(fileName, "bmp");
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
  reader.setAllocationLimit(512);  // 100 megapixels at 32 bits
  QImage image = reader.read();
  if (image.isNull())
    throw Error(QStringLiteral("无法读取位图文件 %1：%2").arg(fileName, reader.errorString()));
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

void TsettingForm::Button1Click() {
  const QString file = dialogs().openFile(QStringLiteral("JEPG图像文件(*.jpg)"));
  if (file.isEmpty()) return;
  CompressMainFun(file, 100, 480, 360);
  Imagezp->loadFromFile(appPath(QStringLiteral("zp\\temp.jpg")));
}

bool TsettingForm::CompressMainFun(const QString& fileName, int quality, int width, int height) {
  // The source is read completely before temp.jpg is replaced, so temp.jpg itself can be imported.
  const QByteArray jpeg = convertPhoto(fileName, quality, QSize(width, height));
  writeFileAtomically(appPath(QStringLiteral("zp\\temp.jpg")), jpeg);
  return true;
}

}  // namespace ld
