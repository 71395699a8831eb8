#include "framework/app_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {
QString& overridden() {
  static QString folder;
  return folder;
}
QString& installedOverride() {
  static QString folder;
  return folder;
}
QString withSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
QString absoluteFolder(const QString& folder) {
  return withSeparator(QDir::cleanPath(QDir(folder).absolutePath()));
}
const char* const kLastEventKey = "lastEvent";
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
    throw Error(Tr::tr("路径不在程序文件夹内: %1").arg(storedRelative));
  for (const QString& part : rel.split(QLatin1Char('/')))
    if (part == QLatin1String("..")) throw Error(Tr::tr("路径不在程序文件夹内: %1").arg(storedRelative));
  return appFolder() + rel;
}

QString installedSystemFolder() {
  if (!installedOverride().isEmpty()) return installedOverride();
  const QString program = QCoreApplication::applicationDirPath();
  // A build tree keeps the pictures beside the executable; an installation under share/.
  const QString beside = program + QStringLiteral("/system");
  if (QFileInfo(beside).isDir()) return withSeparator(beside);
  return withSeparator(QDir::cleanPath(program + QStringLiteral("/../share/luckydraw/system")));
}

void setInstalledSystemFolder(const QString& folder) {
  installedOverride() = folder.isEmpty() ? QString() : withSeparator(folder);
}

QString systemPicture(const QString& name) {
  const QString own = appPath(QStringLiteral("system\\") + name);
  if (QFileInfo(own).isFile()) return own;
  const QString installed = installedSystemFolder() + name;
  return QFileInfo(installed).isFile() ? installed : own;
}

bool holdsEvent(const QString& folder) {
  return !folder.isEmpty() && QFileInfo(withSeparator(folder) + QStringLiteral("db/db.mdb")).isFile();
}

bool insideSystemTree(const QString& folder) {
  QString path = absoluteFolder(folder);
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (!canonical.isEmpty()) path = withSeparator(canonical);
  return path.startsWith(QLatin1String("/usr/"));
}

namespace {

// Asks where the new event goes and with what; empty when the operator declines.
bool offerNewEvent(const QString& question, const QString& folder, const EventCreator& create) {
  if (!dialogs().confirm(question)) return false;
  const bool withDemo =
      dialogs().confirm(Tr::tr("要放入演示名单吗？（24 位虚构的参与者和他们的照片，可在设置里清空）\n"
                               "选“否”则名单为空，在设置里添加参与者。"));
  const bool existed = QFileInfo::exists(folder);
  if (!QDir().mkpath(folder)) throw Error(Tr::tr("无法创建文件夹 %1").arg(folder));
  try {
    create(folder, withDemo);
  } catch (...) {
    // A folder made just now holds only what the failed attempt left: nothing of the operator's.
    if (!existed) QDir(folder).removeRecursively();
    throw;
  }
  return true;
}

QString refusedInSystemTree(const QString& folder) {
  return Tr::tr("活动文件夹 %1 在系统目录 /usr 里，那里只有软件包管理器可以写入。请换一个文件夹。")
      .arg(folder);
}

}  // namespace

QString resolveEventFolder(const EventFolderChoice& choice, const EventCreator& create) {
  if (!choice.argument.isEmpty()) {
    const QString folder = absoluteFolder(choice.argument);
    if (insideSystemTree(folder)) throw Error(refusedInSystemTree(folder));
    if (holdsEvent(folder)) return folder;
    const QFileInfo info(QDir::cleanPath(folder));
    if (info.exists() && !info.isDir()) throw Error(Tr::tr("%1 不是文件夹").arg(QDir::cleanPath(folder)));
    const QString question =
        Tr::tr("文件夹 %1 里没有活动（db/db.mdb）。\n要在这个文件夹新建一个活动吗？").arg(folder);
    return offerNewEvent(question, folder, create) ? folder : QString();
  }
  if (!choice.programFolder.isEmpty() && holdsEvent(choice.programFolder) &&
      !insideSystemTree(choice.programFolder))
    return absoluteFolder(choice.programFolder);
  if (holdsEvent(choice.lastEvent) && !insideSystemTree(choice.lastEvent))
    return absoluteFolder(choice.lastEvent);

  // A fresh folder, never one that holds something already.
  const QString base = QDir::cleanPath(choice.dataFolder) + QStringLiteral("/event");
  QString folder = base;
  for (int n = 2; QFileInfo::exists(folder); ++n) folder = base + QLatin1Char('-') + QString::number(n);
  folder = absoluteFolder(folder);
  if (insideSystemTree(folder)) throw Error(refusedInSystemTree(folder));
  QString question;
  if (!choice.lastEvent.isEmpty())
    question = Tr::tr("上次打开的活动 %1 已经不在了。\n").arg(choice.lastEvent);
  else
    question = Tr::tr("还没有打开过活动。\n");
  question += Tr::tr(
                  "要新建一个活动吗？它的文件夹是\n%1\n"
                  "（要打开别的活动文件夹，启动时把文件夹写在命令后面：luckydraw 文件夹）")
                  .arg(folder);
  return offerNewEvent(question, folder, create) ? folder : QString();
}

QString lastEventFolder() { return QSettings().value(QLatin1String(kLastEventKey)).toString(); }

void rememberEventFolder(const QString& folder) {
  QSettings settings;
  settings.setValue(QLatin1String(kLastEventKey), absoluteFolder(folder));
  settings.sync();
}

}  // namespace ld
