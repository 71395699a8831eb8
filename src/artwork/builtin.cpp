#include "artwork/builtin.h"

#include <QFile>

#include "framework/errors.h"

namespace ld::artwork {

QString builtinPath(Builtin picture) { return QStringLiteral(":/artwork/") + builtinFileName(picture); }

QByteArray builtinFormData(Builtin picture) {
  QFile file(builtinPath(picture));
  if (!file.open(QIODevice::ReadOnly)) throw Error(QStringLiteral("内置图片缺失：") + file.fileName());
  return file.readAll();
}

}  // namespace ld::artwork
