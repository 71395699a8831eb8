#include "builtin.h"

#include <QFile>

#include "framework/errors.h"

namespace ld::artwork {

QString builtinFileName(Builtin picture) {
  const char* name = "";
  switch (picture) {
    case Builtin::Handset:
      name = "handset";
      break;
    case Builtin::PowerKey:
      name = "power";
      break;
    case Builtin::DrawIcon:
      name = "draw";
      break;
    case Builtin::MessagesIcon:
      name = "messages";
      break;
    case Builtin::ClockIcon:
      name = "clock";
      break;
    case Builtin::TelephoneIcon:
      name = "telephone";
      break;
    case Builtin::MusicIcon:
      name = "music";
      break;
    case Builtin::Fireworks:
      name = "fireworks";
      break;
  }
  return QLatin1String(name) + QStringLiteral(".dat");
}

QString builtinPath(Builtin picture) { return QStringLiteral(":/artwork/") + builtinFileName(picture); }

QByteArray builtinFormData(Builtin picture) {
  QFile file(builtinPath(picture));
  if (!file.open(QIODevice::ReadOnly))
    throw Error(QStringLiteral("Built-in picture missing: ") + file.fileName());
  return file.readAll();
}

}  // namespace ld::artwork
