#pragma once
// Several screens for the offscreen platform: set before the application object is made.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace ld::test {

// Lays out the screens `json` describes ({"screens": [{"name", "x", "y", "width", "height", ...}]}) for
// the offscreen platform; false when the layout file could not be written.
inline bool useOffscreenScreens(const QByteArray& json) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("screens.json"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) return false;
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toLocal8Bit());
  return true;
}

}  // namespace ld::test
