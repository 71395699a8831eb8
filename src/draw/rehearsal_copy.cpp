#include "draw/rehearsal_copy.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/online_backup.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"

namespace ld {

namespace {

const QString kCopyStem = QStringLiteral("rehearsal");
// What an event holds besides its database: pictures that replace the built-in ones, and photos.
const char* const kPictureFolders[] = {"system", "zp", "zpgq", "zt"};

QString withSlash(const QString& folder) {
  QString f = QDir::cleanPath(QDir(folder).absolutePath());
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  return f;
}

}  // namespace

QString rehearsalFolder() {
  QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (cache.isEmpty()) cache = QDir::tempPath() + QStringLiteral("/luckydraw");
  return cache + QStringLiteral("/rehearsals");
}

bool isRehearsalCopyName(const QString& name) {
  static const QRegularExpression re(QStringLiteral("^\\.~rehearsal-[0-9a-f]{16}$"));
  return re.match(name).hasMatch();
}

int removeRehearsalLeftovers(const QString& folder) {
  int removed = 0;
  const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries) {
    if (!isRehearsalCopyName(entry.fileName()) || entry.isSymLink()) continue;
    // A rehearsal still running holds its copy's lock; a killed one let go of it with its process.
    EventLock lock;
    try {
      lock = EventLock(entry.filePath());
    } catch (const Error&) {
      continue;
    }
    if (QDir(entry.filePath()).removeRecursively())
      ++removed;
    else
      qWarning("rehearsal copy %s not removed", qUtf8Printable(entry.filePath()));
  }
  return removed;
}

RehearsalCopy::RehearsalCopy(const QString& eventFolder, const QString& folder) {
  const QString event = withSlash(eventFolder);
  if (!holdsEvent(event))
    throw Error(Tr::tr("文件夹 %1 里没有活动（db/db.mdb），无法彩排").arg(shown(event)));
  if (!QDir().mkpath(folder)) throw Error(Tr::tr("无法创建彩排用的文件夹 %1").arg(shown(folder)));
  const QString copy = scratchName(folder, kCopyStem, QString());
  if (!QDir().mkdir(copy)) throw Error(Tr::tr("无法创建彩排用的文件夹 %1").arg(shown(copy)));
  folder_ = withSlash(copy);
  try {
    lock_ = EventLock(folder_);
    if (!QDir().mkdir(folder_ + QStringLiteral("db")))
      throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(folder_ + QStringLiteral("db"))));
    // Read as it is: an older event is brought up to date in the copy, never in its own file.
    Connection source;
    source.setReadOnly(true);
    source.setConnectionString(TDataModule1::connectionStringFor(event),
                               TDataModule1::databaseFileFor(event));
    onlineBackup(source, TDataModule1::databaseFileFor(folder_));
    for (const char* name : kPictureFolders) {
      // A folder the event links to another disk is copied as the folder it names.
      const QFileInfo from(event + QLatin1String(name));
      if (from.isDir()) copyFolder(from.canonicalFilePath(), folder_ + QLatin1String(name));
    }
  } catch (const std::exception& e) {
    remove();
    throw Error(Tr::tr("无法为彩排复制活动 %1：%2").arg(shown(event), QString::fromUtf8(e.what())));
  }
}

RehearsalCopy::~RehearsalCopy() { remove(); }

void RehearsalCopy::copyFolder(const QString& from, const QString& to) {
  if (!QDir().mkdir(to)) throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(to)));
  const QFileInfoList entries =
      QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries) {
    // A write of the event's under way: not a file yet.
    if (entry.fileName().startsWith(QStringLiteral(".~"))) continue;
    const QString target = to + QLatin1Char('/') + entry.fileName();
    if (entry.isDir()) {
      // A linked folder could lead anywhere, round in a circle too.
      if (!entry.isSymLink()) copyFolder(entry.filePath(), target);
      continue;
    }
    if (!entry.isFile()) continue;
    // A link of the event's is copied as the file it names: a write in the copy must not reach that file.
    if (!entry.isSymLink() &&
        ::link(QFile::encodeName(entry.filePath()).constData(), QFile::encodeName(target).constData()) == 0) {
      ++linked_;
      continue;
    }
    if (const QString why = copyFileKeepingTime(entry.filePath(), target, Durability::Unsynced);
        !why.isEmpty())
      throw Error(Tr::tr("无法复制 %1：%2").arg(shown(entry.filePath()), why));
    ++copied_;
  }
}

void RehearsalCopy::remove() {
  if (folder_.isEmpty()) return;
  if (!QDir(folder_).removeRecursively())
    qWarning("rehearsal copy %s not removed; the next start removes it", qUtf8Printable(folder_));
  lock_.release();
  folder_.clear();
}

}  // namespace ld
