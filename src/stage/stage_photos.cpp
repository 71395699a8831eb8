#include "stage/stage_photos.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "framework/app_folder.h"
#include "framework/jpeg.h"

namespace ld::stage {

namespace {

// The file's identity and state: a photo replaced on disk is decoded again.
qint64 stampOf(const QString& file) {
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec + qint64(st.st_ino) * 7919 +
         qint64(st.st_size) * 104729;
}

// Application folder + stored path, or empty when it would leave the folder.
QString confined(const QString& stored) {
  try {
    return appPath(stored);
  } catch (const std::exception&) {
    return {};
  }
}

QString sharpCopy(const QString& stored) {
  QString rel = stored;
  rel.replace(QLatin1Char('/'), QLatin1Char('\\'));
  if (!rel.startsWith(QLatin1String("zp\\"), Qt::CaseInsensitive)) return {};
  return confined(QStringLiteral("zpgq\\") + rel.mid(3));
}

bool isFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

}  // namespace

QImage cropToFill(const QImage& picture, QSize size) {
  if (picture.isNull() || size.isEmpty()) return {};
  const double scale =
      std::max(double(size.width()) / picture.width(), double(size.height()) / picture.height());
  const int width = std::min(picture.width(), std::max(1, int(std::ceil(size.width() / scale))));
  const int height = std::min(picture.height(), std::max(1, int(std::ceil(size.height() / scale))));
  // Across the middle; from the upper part downwards, where a portrait's face is.
  const QRect source((picture.width() - width) / 2, int((picture.height() - height) * 0.3), width, height);
  QImage cropped = picture.copy(source);
  if (cropped.size() != size) cropped = cropped.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return cropped.convertToFormat(QImage::Format_RGB32);
}

QImage StagePhotos::picture(const QString& storedPath, QSize size, bool sharp) {
  QStringList candidates;
  if (!storedPath.isEmpty()) {
    if (sharp) candidates << sharpCopy(storedPath);
    candidates << confined(storedPath);
  }
  candidates << systemPicture(QStringLiteral("logo.jpg"));
  for (const QString& file : candidates) {
    if (!isFile(file)) continue;
    QImage shown = decoded(file, size);
    if (shown.isNull()) continue;
    lastFile_ = file;
    return shown;
  }
  lastFile_.clear();
  return {};
}

QImage StagePhotos::decoded(const QString& file, QSize size) {
  const QString key = file + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') +
                      QString::number(size.height());
  const qint64 stamp = stampOf(file);
  if (const auto found = index_.constFind(key); found != index_.cend()) {
    const auto it = *found;
    if (it->stamp == stamp) {
      entries_.splice(entries_.begin(), entries_, it);
      return it->picture;
    }
    bytes_ -= it->picture.sizeInBytes();
    entries_.erase(it);
    index_.remove(key);
  }
  QImage picture;
  ++decodes_;
  try {
    picture = cropToFill(decodeJpegFile(file, size), size);
  } catch (const std::exception& e) {
    qWarning("stage: %s", e.what());
  }
  if (picture.sizeInBytes() > budget_) return picture;
  evictBeyond(budget_ - picture.sizeInBytes());
  entries_.push_front(Entry{key, picture, stamp});
  index_.insert(key, entries_.begin());
  bytes_ += picture.sizeInBytes();
  return picture;
}

void StagePhotos::evictBeyond(qsizetype budget) {
  while (bytes_ > budget && !entries_.empty()) {
    bytes_ -= entries_.back().picture.sizeInBytes();
    index_.remove(entries_.back().key);
    entries_.pop_back();
  }
}

void StagePhotos::clear() {
  entries_.clear();
  index_.clear();
  bytes_ = 0;
}

}  // namespace ld::stage
