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

// What a remembered failure counts for, so failures alone cannot grow the cache without bound.
constexpr qsizetype kFailureCost = 1024;

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
  // Photos lie in zp itself: a name that goes through a folder has no copy.
  const QString name = rel.mid(3);
  if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name == QLatin1String("..")) return {};
  return confined(kSharpPhotoFolder + QLatin1Char('\\') + name);
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

StagePhotos::Stamp StagePhotos::stampOf(const QString& file) {
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return {quint64(st.st_ino), qint64(st.st_size),
          qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
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
  const Stamp stamp = stampOf(file);
  if (const auto found = index_.constFind(key); found != index_.cend()) {
    const auto it = *found;
    if (it->stamp == stamp) {
      entries_.splice(entries_.begin(), entries_, it);
      return it->picture;
    }
    bytes_ -= it->cost;
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
  const qsizetype cost = picture.isNull() ? kFailureCost : picture.sizeInBytes();
  if (cost > budget_) return picture;
  evictBeyond(budget_ - cost);
  entries_.push_front(Entry{key, picture, stamp, cost});
  index_.insert(key, entries_.begin());
  bytes_ += cost;
  return picture;
}

void StagePhotos::evictBeyond(qsizetype budget) {
  while (bytes_ > budget && !entries_.empty()) {
    bytes_ -= entries_.back().cost;
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
