#include "framework/app_folder.h"

#include <QCoreApplication>
#include <QDir>

#include "framework/errors.h"

namespace ld {

namespace {
QString& overridden() {
  static QString folder;
  return folder;
}
QString withSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
}  // namespace

QString appFolder() {
  if (!overridden().isEmpty()) return overridden();
  return withSeparator(QCoreApplication::applicationDirPath());
}

void setAppFolder(const QString& folder) {
  overridden() = folder.isEmpty() ? QString() : withSeparator(folder);
}

QString nativePath(const QString& path) {
  QString p = path;
  p.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return p;
}

QString appPath(const QString& storedRelative) {
  const QString rel = nativePath(storedRelative);
  if (rel.startsWith(QLatin1Char('/')) || (rel.size() > 1 && rel[1] == QLatin1Char(':')))
    throw Error(QStringLiteral("路径不在程序文件夹内: %1").arg(storedRelative));
  for (const QString& part : rel.split(QLatin1Char('/')))
    if (part == QLatin1String(".."))
      throw Error(QStringLiteral("路径不在程序文件夹内: %1").arg(storedRelative));
  return appFolder() + rel;
}

}  // namespace ld
