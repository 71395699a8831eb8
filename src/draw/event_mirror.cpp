#include "draw/event_mirror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/connection.h"
#include "data/datamodule.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"

namespace ld {

namespace {

QString withSlash(const QString& folder) {
  QString f = QDir(folder).absolutePath();
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  return f;
}

// Thrown through a copy to end it when the program ends.
struct Stopping {};

}  // namespace

EventMirror::EventMirror(const QString& eventFolder, const QString& mirrorFolder, QObject* parent)
    : QObject(parent), event_(withSlash(eventFolder)), mirror_(withSlash(mirrorFolder)) {
  if (mirrorFolder.trimmed().isEmpty()) throw Error(Tr::tr("没有给出镜像文件夹"));
  // Made only where its parent is: a stick not plugged in must not become a folder on this disk.
  const QFileInfo mirror(QDir::cleanPath(mirror_));
  if (!mirror.exists() && QFileInfo(mirror.absolutePath()).isDir()) QDir().mkdir(mirror_);
  if (!QFileInfo(mirror_).isDir())
    throw Error(Tr::tr("镜像文件夹 %1 不存在，也无法创建").arg(shown(mirror_)));
  if (QFileInfo(mirror_).canonicalFilePath() == QFileInfo(event_).canonicalFilePath())
    throw Error(Tr::tr("镜像文件夹不能是活动自己的文件夹 %1").arg(shown(event_)));
  // What a copy cut short by the end of the program left behind.
  for (const QString& sub :
       {QStringLiteral("db"), QStringLiteral("zp"), kSharpPhotoFolder, QStringLiteral("zt")})
    tidyScratchFiles(mirror_ + sub, scratch::kMirror);
  worker_ = std::thread([this] { run(); });
}

EventMirror::~EventMirror() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void EventMirror::copyNow() {
  {
    std::lock_guard lock(mutex_);
    wanted_ = true;
  }
  wake_.notify_all();
}

bool EventMirror::idle() const {
  std::lock_guard lock(mutex_);
  return !wanted_ && !busy_;
}

void EventMirror::setStepObserver(BackupProgress observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void EventMirror::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || wanted_; });
    if (stopping_) break;
    wanted_ = false;
    busy_ = true;
    lock.unlock();
    bool ok = false;
    QString why;
    try {
      copyOnce();
      ok = true;
    } catch (const Stopping&) {
      lock.lock();
      break;
    } catch (const std::exception& e) {
      why = QString::fromUtf8(e.what());
      // A stick pulled out leaves a connection to nothing; the next copy opens anew.
      source_.reset();
    }
    if (ok) ++made_;
    ++tried_;
    QMetaObject::invokeMethod(
        this, [this, ok, why] { finished(ok, why); }, Qt::QueuedConnection);
    lock.lock();
    busy_ = false;
  }
  source_.reset();
}

void EventMirror::finished(bool ok, const QString& why) {
  if (ok) {
    if (failing_) emit working();
    failing_ = false;
    return;
  }
  qWarning("mirror copy failed: %s", qUtf8Printable(why));
  if (failing_) return;
  failing_ = true;
  emit failed(why);
}

void EventMirror::copyOnce() {
  // Never made again here: a folder that went is a stick pulled out, and a new one would land on this disk.
  if (!QFileInfo(mirror_).isDir())
    throw Error(Tr::tr("镜像文件夹 %1 不见了（移动存储被拔出了？）").arg(shown(mirror_)));
  const QString db = mirror_ + QStringLiteral("db/");
  if (!QDir().mkpath(db)) throw Error(Tr::tr("无法在镜像文件夹 %1 中创建 db 文件夹").arg(shown(mirror_)));
  if (!source_) {
    source_ = std::make_unique<Connection>();
    source_->setConnectionString(TDataModule1::connectionStringFor(event_),
                                 TDataModule1::databaseFileFor(event_));
  }
  const QString scratch = scratchName(db, scratch::kMirror, QStringLiteral(".mdb"));
  BackupProgress observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  onlineBackup(*source_, scratch, [&](int copied, int total) {
    if (observer) observer(copied, total);
    std::lock_guard lock(mutex_);
    if (stopping_) throw Stopping{};
  });
  if (!renameFile(scratch, db + QStringLiteral("db.mdb"))) {
    QFile::remove(scratch);
    throw Error(Tr::tr("无法在镜像文件夹中放置活动数据库 %1").arg(shown(db + QStringLiteral("db.mdb"))));
  }
  if (!syncFolder(db)) throw Error(Tr::tr("无法写入磁盘：%1").arg(shown(db)));
  // The photos, their sharper copies for the stage and the stage's own pictures: a spare machine shows the
  // event as this one does.
  copyFiles(QStringLiteral("zp"));
  copyFiles(kSharpPhotoFolder);
  copyFiles(QStringLiteral("zt"));
}

void EventMirror::copyFiles(const QString& sub) {
  const QString from = event_ + sub + QLatin1Char('/');
  const QString to = mirror_ + sub + QLatin1Char('/');
  // An event without the folder (an older one, one without a look of its own) needs none in the mirror.
  if (sub != QLatin1String("zp") && !QFileInfo(from).isDir()) return;
  if (!QDir().mkpath(to))
    throw Error(Tr::tr("无法在镜像文件夹 %1 中创建 %2 文件夹").arg(shown(mirror_), sub));
  bool copied = false;
  // Scratch files being written (hidden) are not photos yet.
  const QFileInfoList photos = QDir(from).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  for (const QFileInfo& photo : photos) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) throw Stopping{};
    }
    const QFileInfo there(to + photo.fileName());
    if (there.isFile() && there.size() == photo.size() && there.lastModified() == photo.lastModified())
      continue;
    const QString scratch = scratchName(to, scratch::kMirror, QLatin1Char('.') + photo.suffix());
    const QString why = copyFileKeepingTime(photo.filePath(), scratch, Durability::Synced);
    if (!why.isEmpty() || !renameFile(scratch, there.filePath())) {
      QFile::remove(scratch);
      throw Error(
          Tr::tr("无法把 %1 复制到镜像文件夹：%2")
              .arg(sub + QLatin1Char('/') + photo.fileName(), why.isEmpty() ? Tr::tr("无法改名") : why));
    }
    copied = true;
  }
  if (copied && !syncFolder(to)) throw Error(Tr::tr("无法写入磁盘：%1").arg(shown(to)));
}

}  // namespace ld
