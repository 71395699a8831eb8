#pragma once
// Pictures of windows kept for a person to look at. Written only when LUCKYDRAW_SHOTS names a folder, so
// that an ordinary test run leaves nothing behind.
#include <QDir>
#include <QImage>
#include <QString>

namespace ld::test {

// True when the picture was not asked for or was written.
inline bool keepShot(const QImage& picture, const QString& name) {
  const QString folder = qEnvironmentVariable("LUCKYDRAW_SHOTS");
  if (folder.isEmpty()) return true;
  return QDir().mkpath(folder) && picture.save(QDir(folder).filePath(name));
}

}  // namespace ld::test
