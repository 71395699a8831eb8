#include "artwork/builtin.h"

#include <QFile>

#include "framework/errors.h"
#include "framework/jpeg.h"
#include "framework/text.h"

namespace ld::artwork {

QString builtinPath(Builtin picture) { return QStringLiteral(":/artwork/") + builtinFileName(picture); }

QByteArray builtinFormData(Builtin picture) {
  QFile file(builtinPath(picture));
  if (!file.open(QIODevice::ReadOnly)) throw Error(Tr::tr("内置图片缺失：") + file.fileName());
  return file.readAll();
}

QImage sharpPicture(Builtin picture) {
  if (!hasSharpVersion(picture)) return {};
  const QString path = QStringLiteral(":/artwork/") + sharpFileName(picture);
  QImage image(path);
  if (image.isNull()) throw Error(Tr::tr("内置图片缺失：") + path);
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage stageBackground() {
  const QString path = QStringLiteral(":/artwork/") + kStageBackgroundFile;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw Error(Tr::tr("内置图片缺失：") + path);
  return decodeJpeg(file.readAll());
}

}  // namespace ld::artwork
