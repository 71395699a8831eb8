#include "artwork/builtin.h"

#include <QFile>

#include "framework/errors.h"
#include "framework/text.h"

namespace ld::artwork {

QString builtinPath(Builtin picture) { return QStringLiteral(":/artwork/") + builtinFileName(picture); }

QByteArray builtinFormData(Builtin picture) {
  QFile file(builtinPath(picture));
  if (!file.open(QIODevice::ReadOnly)) throw Error(Tr::tr("内置图片缺失：") + file.fileName());
  return file.readAll();
}

}  // namespace ld::artwork
