#include "draw/picture_loading.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <algorithm>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/jpeg.h"
#include "framework/text.h"
#include "widgets/gif_animator.h"
#include "widgets/gif_image.h"
#include "widgets/picture_box.h"

namespace ld {

namespace {

// Far more than a roll needs at once, and a small part of the program's memory.
constexpr qsizetype kShownPicturesBudget = 16 * 1024 * 1024;
// Some hundreds of camera pictures' copies.
constexpr qsizetype kPreparedBudget = 24 * 1024 * 1024;
// What a remembered failure counts for, so that failures alone cannot grow the cache without bound.
constexpr qsizetype kFailureCost = 1024;
// How long a file must have been left alone before its stamp is trusted to tell a later change.
constexpr qint64 kSettledNs = 1'000'000'000;
constexpr int kCopyQuality = 90;

qint64 nanoseconds(const timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

qint64 now() {
  timespec t{};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return nanoseconds(t);
}

// Decoded no smaller than the box, then brought to its size, so painting it is a plain copy.
QImage toSize(QImage decoded, QSize size) {
  if (!size.isEmpty() && decoded.size() != size)
    decoded = decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return decoded;
}

bool settledSince(qint64 modified) { return modified < now() - kSettledNs; }

std::optional<qint64> modifiedNs(const QByteArray& path) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0) return std::nullopt;
  return nanoseconds(st.st_mtim);
}

}  // namespace

std::optional<FileStamp> fileStamp(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
    return std::nullopt;
  return FileStamp{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), nanoseconds(st.st_mtim),
                   nanoseconds(st.st_ctim)};
}

QByteArray FileStamp::identity() const {
  return QByteArray::number(device) + ':' + QByteArray::number(inode);
}

bool settled(const FileStamp& stamp) { return settledSince(stamp.modified); }

// ---- PhotoPreparer ----

void PhotoPreparer::prepareFolder(const QString& folder, bool evenIfUnchanged) {
  std::lock_guard lock(mutex_);
  auto same =
      std::find_if(pending_.begin(), pending_.end(), [&](const Look& l) { return l.folder == folder; });
  if (same == pending_.end())
    pending_ << Look{folder, evenIfUnchanged};
  else
    same->evenIfUnchanged = same->evenIfUnchanged || evenIfUnchanged;
  if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
  wake_.notify_one();
}

QByteArray PhotoPreparer::copyOf(const FileStamp& stamp) const {
  std::lock_guard lock(mutex_);
  const auto found = copies_.constFind(stamp.identity());
  return found != copies_.cend() && found->stamp == stamp ? found->jpeg : QByteArray();
}

bool PhotoPreparer::lookedAt(const FileStamp& stamp) const {
  std::lock_guard lock(mutex_);
  return isDone(stamp.identity(), stamp);
}

bool PhotoPreparer::isDone(const QByteArray& identity, const FileStamp& stamp) const {
  const auto found = copies_.constFind(identity);
  if (found == copies_.cend() || found->stamp != stamp) return false;
  // Passed over for the budget: worth another try once there is room for it.
  return !found->jpeg.isEmpty() || found->needs == 0 || bytes_ + found->needs > budget_;
}

void PhotoPreparer::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return pending_.isEmpty() && !busy_; });
}

void PhotoPreparer::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  std::lock_guard lock(mutex_);
  stopping_ = false;
  busy_ = false;
  pending_.clear();
  idle_.notify_all();
}

qsizetype PhotoPreparer::bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

int PhotoPreparer::count() const {
  std::lock_guard lock(mutex_);
  return int(
      std::count_if(copies_.cbegin(), copies_.cend(), [](const Copy& c) { return !c.jpeg.isEmpty(); }));
}

int PhotoPreparer::decodes() const {
  std::lock_guard lock(mutex_);
  return decodes_;
}

void PhotoPreparer::run() {
  // Behind the window's own work: the draw must never wait for a photo that may never be drawn.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
  for (;;) {
    Look look;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !pending_.isEmpty(); });
      if (stopping_) return;
      look = pending_.takeFirst();
      busy_ = true;
    }
    const bool complete = lookThrough(look);
    std::lock_guard lock(mutex_);
    busy_ = false;
    if (!complete) lookedThrough_.remove(look.folder);
    if (pending_.isEmpty()) idle_.notify_all();
  }
}

// True when every large photo of the folder has a copy (or cannot have one), so that an unchanged folder
// need not be looked through again.
bool PhotoPreparer::lookThrough(const Look& look) {
  const QString& folder = look.folder;
  const QByteArray encodedFolder = QFile::encodeName(folder);
  const std::optional<qint64> folderModified = modifiedNs(encodedFolder);
  if (!folderModified) return false;
  const bool folderSettled = settledSince(*folderModified);
  {
    std::lock_guard lock(mutex_);
    const auto last = lookedThrough_.constFind(folder);
    if (!look.evenIfUnchanged && folderSettled && last != lookedThrough_.cend() && *last == *folderModified)
      return true;
  }

  bool complete = folderSettled;
  QSet<QByteArray> seen;
  // Read entry by entry: a folder of a hundred thousand photos must not become a list in memory.
  DIR* dir = ::opendir(encodedFolder.constData());
  if (!dir) return false;
  const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
  const QByteArray prefix = encodedFolder.endsWith('/') ? encodedFolder : encodedFolder + '/';
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    const QString path = QFile::decodeName(prefix + entry->d_name);
    const std::optional<FileStamp> stamp = fileStamp(path);
    if (!stamp || stamp->length < kLargeBytes) continue;
    const QByteArray identity = stamp->identity();
    if (seen.contains(identity)) continue;
    seen.insert(identity);
    if (!settled(*stamp)) {
      complete = false;  // written just now: looked at again next time
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      if (isDone(identity, *stamp)) continue;
      ++decodes_;
    }
    QByteArray copy;
    // Not a picture: the tick's own decode reports nothing either.
    const bool made = silently("preparing a large photo", [&] {
      copy = encodeJpeg(toSize(decodeJpegFile(path, kCopySize), kCopySize), kCopyQuality);
    });
    std::lock_guard lock(mutex_);
    if (const auto old = copies_.constFind(identity); old != copies_.cend()) {
      bytes_ -= old->jpeg.size();
      copies_.erase(old);
    }
    // A file without a copy is remembered too, so that later looks do not decode it again for nothing.
    if (!made) {
      copies_.insert(identity, Copy{*stamp, {}, folder, 0});
      continue;
    }
    if (bytes_ + copy.size() > budget_) {
      if (!warnedFull_) qWarning("too many large photos: the rest are decoded as they are shown");
      warnedFull_ = true;
      copies_.insert(identity, Copy{*stamp, {}, folder, copy.size()});
      continue;
    }
    bytes_ += copy.size();
    copies_.insert(identity, Copy{*stamp, copy, folder, copy.size()});
  }

  std::lock_guard lock(mutex_);
  // Copies of files no longer there.
  for (auto it = copies_.begin(); it != copies_.end();) {
    if (it->folder == folder && !seen.contains(it.key())) {
      bytes_ -= it->jpeg.size();
      it = copies_.erase(it);
    } else {
      ++it;
    }
  }
  if (complete) lookedThrough_.insert(folder, *folderModified);
  return complete;
}

PhotoPreparer& preparedPhotos() {
  static PhotoPreparer preparer(kPreparedBudget);
  static const bool stopsWithTheApplication = [] {
    // The work uses Qt's image code: it ends before the application object does.
    if (QCoreApplication::instance()) qAddPostRoutine([] { preparedPhotos().stop(); });
    return true;
  }();
  (void)stopsWithTheApplication;
  return preparer;
}

void prepareLargePhotos() {
  silently("looking for large photos", [] {
    if (!appFolder().isEmpty()) preparedPhotos().prepareFolder(appFolder() + QStringLiteral("zp"));
  });
}

// ---- PictureCache ----

std::optional<QImage> PictureCache::picture(const QString& file, QSize size) {
  const std::optional<FileStamp> stamp = fileStamp(file);
  if (!stamp) return std::nullopt;
  const QByteArray key =
      stamp->identity() + ':' + QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());

  if (const auto found = index_.constFind(key); found != index_.cend()) {
    const auto it = *found;
    if (it->stamp == *stamp) {
      entries_.splice(entries_.begin(), entries_, it);
      if (!it->failure.isEmpty()) throw JpegError(it->failure);
      return it->picture;
    }
    evict(it);
  }

  const bool keep = settled(*stamp);
  Entry entry{key, *stamp, {}, {}, kFailureCost};
  try {
    entry.picture = decode(file, *stamp, size);
    entry.cost = entry.picture.sizeInBytes();
  } catch (const JpegError& e) {
    entry.failure = e.message();
    if (keep) insert(std::move(entry));
    throw;
  }
  const QImage picture = entry.picture;
  if (keep) insert(std::move(entry));
  return picture;
}

QImage PictureCache::decode(const QString& file, const FileStamp& stamp, QSize size) {
  ++decodes_;
  const QSize copySize = PhotoPreparer::kCopySize;
  if (copies_ && stamp.length >= PhotoPreparer::kLargeBytes && !size.isEmpty() &&
      size.width() <= copySize.width() && size.height() <= copySize.height()) {
    const QByteArray copy = copies_->copyOf(stamp);
    if (!copy.isEmpty()) {
      ++copiesUsed_;
      return toSize(decodeJpeg(copy, size), size);
    }
    // Rewritten in place, or new since the last look: its folder is looked through again.
    if (settled(stamp) && !copies_->lookedAt(stamp))
      copies_->prepareFolder(QFileInfo(file).absolutePath(), true);
  }
  return toSize(decodeJpegFile(file, size), size);
}

void PictureCache::insert(Entry entry) {
  // A picture larger than the whole budget is shown but not kept.
  if (entry.cost > budget_) return;
  while (bytes_ + entry.cost > budget_ && !entries_.empty()) evict(std::prev(entries_.end()));
  bytes_ += entry.cost;
  entries_.push_front(std::move(entry));
  index_.insert(entries_.front().key, entries_.begin());
}

void PictureCache::evict(std::list<Entry>::iterator it) {
  bytes_ -= it->cost;
  index_.remove(it->key);
  entries_.erase(it);
}

void PictureCache::clear() {
  entries_.clear();
  index_.clear();
  bytes_ = 0;
}

PictureCache& shownPictures() {
  static PictureCache cache(kShownPicturesBudget, &preparedPhotos());
  return cache;
}

// ---- loads ----

void loadBuiltinPicture(TGIFAnimator& control, artwork::Builtin picture) {
  control.loadFromFormData(artwork::builtinFormData(picture));
}

void loadGifFile(TGIFAnimator& control, const QString& path) {
  // Decoded aside first, so a damaged file cannot leave the control without a picture.
  TGIFImage picture;
  picture.loadFromFile(path);
  if (picture.frameCount() == 0 || picture.screenWidth() < 1 || picture.screenHeight() < 1)
    throw Error(Tr::tr("图片 %1 没有可显示的内容").arg(path));
  control.setImage(picture);
}

namespace {

// Stretched, a photo is decoded for the pixels its box covers on the screen.
QSize shownSize(const TImage& image) { return image.stretch() ? image.shownSize() : QSize(); }

}  // namespace

void loadLogo(TImage& image) {
  const QString file = systemPicture(QStringLiteral("logo.jpg"));
  const std::optional<QImage> picture = shownPictures().picture(file, shownSize(image));
  if (!picture) throw JpegError(Tr::tr("无法打开图片 %1").arg(file));
  image.showPicture(*picture, file);
}

void loadPhotoOrLogo(TImage& image, const QString& storedPath) {
  QString file;
  // A stored path that would leave the application folder counts as a missing photo.
  silently("mapping a stored photo path", [&] { file = appPath(storedPath); });
  if (!storedPath.isEmpty() && !file.isEmpty()) {
    if (const std::optional<QImage> picture = shownPictures().picture(file, shownSize(image))) {
      image.showPicture(*picture, file);
      return;
    }
  }
  loadLogo(image);
}

QString loadWinnerPhoto(TImage& image, const QString& storedPath) {
  QString file;
  QString why;
  try {
    file = appPath(storedPath);
    if (storedPath.isEmpty() || file.isEmpty()) {
      why = Tr::tr("没有照片文件");
    } else if (const std::optional<QImage> picture = shownPictures().picture(file, shownSize(image))) {
      image.showPicture(*picture, file);
      return {};
    } else {
      why = Tr::tr("照片文件 %1 不存在").arg(shown(file));
    }
  } catch (const std::exception& e) {
    why = file.isEmpty() ? QString::fromUtf8(e.what())
                         : Tr::tr("照片文件 %1 无法显示：%2").arg(shown(file), QString::fromUtf8(e.what()));
  }
  silently("loading the placeholder photo", [&] { loadLogo(image); });
  return why;
}

}  // namespace ld
