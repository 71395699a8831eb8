#include "transfer/import_photos.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/jpeg.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "settings/photo_file.h"
#include "settings/photo_import.h"
#include "transfer/portrait_card.h"

namespace ld {

namespace {

constexpr int kQuality = 100;
const QSize kPhotoSize(480, 360);
const QStringList kPhotoSuffixes = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                    QStringLiteral("bmp")};

QString normalised(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? fileName : fileName.left(dot + 1) + fileName.mid(dot + 1).toLower();
}

bool hasPictureSuffix(const QString& name) {
  return kPhotoSuffixes.contains(QFileInfo(name).suffix().toLower());
}

PhotoPair photoBytes(const ImportRow& row, int index) {
  if (row.photoSource.isEmpty())
    return {encodeJpeg(portraitCard(row.name, row.department, index), kQuality), {}};
  return convertImportPhoto(row.photoSource);
}

// Photos and cards go to disk unsynced; one syncFileSystem at the end is far cheaper than a sync per file.
void writeNew(const QString& path, const QByteArray& bytes) {
  if (const QString why = writeNewFile(path, bytes, Durability::Unsynced); !why.isEmpty())
    throw Error(Tr::tr("无法写入照片文件夹 %1：%2").arg(shown(zpFolder()), why));
}

// Whether an existing photo file is a picture the draw can show.
bool showable(const QString& file) {
  const QFileInfo info(file);
  if (info.isSymLink() || !info.isFile()) return false;
  try {
    decodeJpegFile(file, QSize(48, 36));
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace

QString pictureProblem(const QString& file) {
  QFile f(file);
  if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly))
    return Tr::tr("照片无法打开：%1（%2）").arg(shown(file), f.errorString());
  const QByteArray head = f.read(8);
  const bool ok = file.toUpper().contains(QStringLiteral(".BMP"))
                      ? head.startsWith("BM")
                      : head.startsWith("\x89PNG\r\n\x1A\n") || head.startsWith("\xFF\xD8\xFF");
  return ok ? QString() : Tr::tr("照片不是图片或已损坏：%1").arg(shown(file));
}

PhotoFolder::PhotoFolder(const QString& folder) : folder_(folder) {
  if (folder.isEmpty()) return;
  root_ = QFileInfo(folder).canonicalFilePath();
  if (!root_.endsWith(QLatin1Char('/'))) root_ += QLatin1Char('/');
}

QString PhotoFolder::inside(const QString& path) const {
  if (folder_.isEmpty()) return {};
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.startsWith(root_) ? canonical : QString();
}

PhotoMatch PhotoFolder::lookUp(const QString& dir, const QString& name) const {
  auto listing = listings_.find(dir);
  if (listing == listings_.end()) {
    // Not even listed when a linked folder leads out.
    if (dir != folder_ && QFileInfo(dir).isDir() && inside(dir + QStringLiteral("/.")).isEmpty())
      return {{}, Tr::tr("照片 %1 指向照片文件夹之外，没有使用").arg(shown(dir + QLatin1Char('/') + name))};
    QHash<QString, QString> files;
    for (const QString& n : QDir(dir).entryList(QDir::Files | QDir::Hidden)) files.insert(normalised(n), n);
    listing = listings_.insert(dir, files);
  }
  QString found;
  if (hasPictureSuffix(name)) {
    found = listing->value(normalised(name));
  } else {
    for (const QString& suffix : kPhotoSuffixes)
      if (found = listing->value(name + QLatin1Char('.') + suffix); !found.isEmpty()) break;
  }
  if (found.isEmpty()) return {};
  const QString path = dir + QLatin1Char('/') + found;
  const QString canonical = inside(path);
  // A link leading out of the folder is never followed to the picture it names.
  if (canonical.isEmpty()) return {{}, Tr::tr("照片 %1 指向照片文件夹之外，没有使用").arg(shown(path))};
  return {canonical, {}};
}

PhotoMatch PhotoFolder::find(const QString& base) const {
  if (folder_.isEmpty() || base.isEmpty() || base.contains(QLatin1Char('/'))) return {};
  return lookUp(folder_, base);
}

PhotoMatch PhotoFolder::resolve(QString cell) const {
  if (folder_.isEmpty()) return {};
  cell = cell.trimmed().replace(QLatin1Char('\\'), QLatin1Char('/'));
  static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
  const QStringList parts = cell.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  const bool elsewhere = cell.startsWith(QLatin1Char('/')) || drive.match(cell).hasMatch() ||
                         parts.contains(QStringLiteral("..")) || parts.isEmpty();
  // A path written on another computer, or leading out: only its file name is looked for, in the folder.
  if (elsewhere || parts.size() == 1) return parts.isEmpty() ? PhotoMatch{} : lookUp(folder_, parts.last());
  return lookUp(
      folder_ + QLatin1Char('/') + QStringList(parts.mid(0, parts.size() - 1)).join(QLatin1Char('/')),
      parts.last());
}

QStringList PhotoFolder::pictures() const {
  if (folder_.isEmpty()) return {};
  lookUp(folder_, QString());  // lists the folder
  QStringList out;
  for (const QString& n : listings_.value(folder_))
    if (hasPictureSuffix(n)) out << n;
  out.sort();
  return out;
}

void matchImportPhotos(ImportPlan& plan, const QSet<QString>& rosterPhotos) {
  const PhotoFolder photos(plan.photoFolder);
  // A picture named by a 工号 or a name is the row's only when no other row has that 工号 or name.
  QHash<QString, int> nameCount, idCount;
  for (const ImportRow& r : plan.rows) {
    ++nameCount[r.name];
    if (!r.employeeId.isEmpty()) ++idCount[r.employeeId];
  }
  // One listing rather than a look at zp/ per row: imports of 100,000 rows stay quick.
  const QStringList zpNames =
      QDir(zpFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  const QSet<QString> inZp(zpNames.cbegin(), zpNames.cend());
  QSet<QString> used;
  for (ImportRow& row : plan.rows) {
    if (!row.added()) continue;
    row.photoSource.clear();
    row.photoNote.clear();
    row.keepsZpPhoto = false;
    // Never written over nor removed: a file in zp/ under this photo name that no roster row names.
    const QString target = photoFileInZp(photoPathFor(row.department, row.name));
    const QFileInfo existing(target);
    if (inZp.contains(existing.fileName()) && !rosterPhotos.contains(target)) {
      if (!showable(target)) {
        row.refusal = Tr::tr("照片文件夹 zp 中已有同名文件 %1，它不是图片；为了不覆盖它，这一行没有导入")
                          .arg(existing.fileName());
        continue;
      }
      row.keepsZpPhoto = true;
      row.photoNote =
          Tr::tr("照片文件夹 zp 中已有 %1（名单中没有人用它），保留并用作照片").arg(existing.fileName());
      continue;
    }
    PhotoMatch match;
    if (!row.photoCell.isEmpty()) {
      match = photos.resolve(row.photoCell);
      if (match.file.isEmpty() && match.problem.isEmpty())
        match.problem = Tr::tr("照片文件不存在：%1").arg(row.photoCell);
    } else {
      if (!row.employeeId.isEmpty() && idCount.value(row.employeeId) == 1)
        match = photos.find(row.employeeId);
      if (match.file.isEmpty() && match.problem.isEmpty())
        match = photos.find(row.department + QLatin1Char('_') + row.name);
      if (match.file.isEmpty() && match.problem.isEmpty() && nameCount.value(row.name) == 1)
        match = photos.find(row.name);
    }
    if (!match.file.isEmpty()) match.problem = pictureProblem(match.file);
    if (!match.problem.isEmpty()) {
      row.photoNote = match.problem;
      continue;
    }
    row.photoSource = match.file;
    if (!match.file.isEmpty()) used.insert(match.file);
  }
  plan.unusedPhotos.clear();
  for (const QString& name : photos.pictures())
    if (!used.contains(photos.inside(plan.photoFolder + QLatin1Char('/') + name))) plan.unusedPhotos << name;
}

void ImportPlan::recount() {
  toAdd = refused = photosMatched = portraits = toUpdate = unchanged = 0;
  for (const ImportRow& r : rows) {
    if (!r.accepted())
      ++refused;
    else if (r.action == RowAction::Update)
      ++toUpdate;
    else if (r.action == RowAction::Unchanged)
      ++unchanged;
    else if (!r.photoSource.isEmpty() || r.keepsZpPhoto)
      ++toAdd, ++photosMatched;
    else
      ++toAdd, ++portraits;
  }
}

QStringList ImportPlan::photoLines(int maxListed) const {
  QStringList lines;
  int listed = 0, noted = 0;
  for (const ImportRow& r : rows)
    if (r.added() && !r.photoNote.isEmpty()) ++noted;
  if (noted > 0) lines << Tr::tr("照片说明：%1 人").arg(noted);
  for (const ImportRow& r : rows) {
    if (!r.added() || r.photoNote.isEmpty()) continue;
    if (listed++ == maxListed) {
      if (maxListed > 0) lines << Tr::tr("  ……另有 %1 行").arg(noted - maxListed);
      break;
    }
    const QString instead = r.keepsZpPhoto ? QString()
                            : cards        ? Tr::tr("（改用头像卡片）")
                                           : Tr::tr("（没有照片）");
    lines << Tr::tr("  第 %1 行 %2 %3：%4").arg(r.line).arg(r.department, r.name, r.photoNote + instead);
  }
  if (!unusedPhotos.isEmpty()) {
    constexpr int kNamed = 10;
    QString names = unusedPhotos.mid(0, kNamed).join(Tr::tr("、"));
    if (unusedPhotos.size() > kNamed) names += Tr::tr("……");
    lines << Tr::tr("照片文件夹中没有用上的图片：%1 个：%2").arg(unusedPhotos.size()).arg(names);
  }
  return lines;
}

PhotoPair convertImportPhoto(const QString& file) {
  QImage image = readPhoto(file, kQuality, kPhotoSize);
  if (image.height() > image.width()) {
    const int height = std::max(1, image.width() * 3 / 4);
    // Centred a third of the way down: where a portrait has the face.
    const int top = std::clamp(image.height() / 3 - height / 2, 0, image.height() - height);
    image = image.copy(0, top, image.width(), height);
  }
  return encodePhotoPair(image, kQuality, kPhotoSize, kSharpPhotoSize);
}

PreparedPhotos::~PreparedPhotos() { discard(); }

PreparedPhotos::PreparedPhotos(PreparedPhotos&& other) noexcept
    : files(std::move(other.files)),
      sharpFiles(std::move(other.sharpFiles)),
      failures(std::move(other.failures)) {
  other.files.clear();
  other.sharpFiles.clear();
  other.failures.clear();
}

PreparedPhotos& PreparedPhotos::operator=(PreparedPhotos&& other) noexcept {
  if (this != &other) {
    discard();
    files = std::move(other.files);
    sharpFiles = std::move(other.sharpFiles);
    failures = std::move(other.failures);
    other.files.clear();
    other.sharpFiles.clear();
    other.failures.clear();
  }
  return *this;
}

void PreparedPhotos::discard() {
  for (const auto* list : {&files, &sharpFiles})
    for (const QString& f : *list)
      if (!f.isEmpty()) QFile::remove(f);
  files.clear();
  sharpFiles.clear();
  failures.clear();
}

PreparedPhotos preparePhotos(const ImportPlan& plan, ImportProgress& progress,
                             const std::function<void()>& report) {
  const std::vector<const ImportRow*> rows = plan.added();
  const int n = int(rows.size());
  progress.done = 0;
  progress.total = n;
  progress.writing = false;
  if (!QFileInfo(zpFolder()).isDir() && !QDir().mkpath(zpFolder()))
    throw Error(Tr::tr("无法创建照片文件夹 %1").arg(shown(zpFolder())));
  // What an interrupted import left goes first, its kept originals back under their names.
  tidyScratchFiles(zpFolder());
  // Without zpgq/ the photos are made all the same; the big screen then shows them.
  const bool sharp = makeSharpFolder();
  if (sharp) tidyScratchFiles(sharpFolder());

  PreparedPhotos prepared;
  prepared.files.resize(size_t(n));
  prepared.sharpFiles.resize(size_t(n));
  prepared.failures.resize(size_t(n));
  for (int i = 0; i < n; ++i)
    if (!rows[size_t(i)]->keepsZpPhoto && (plan.cards || !rows[size_t(i)]->photoSource.isEmpty()))
      prepared.files[size_t(i)] = scratchName(zpFolder(), scratch::kImportNew);

  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorLock;
  QString firstError;
  const auto work = [&] {
    for (;;) {
      if (progress.cancel || failed) return;
      const int i = next++;
      if (i >= n) return;
      const ImportRow& row = *rows[size_t(i)];
      QString& file = prepared.files[size_t(i)];
      if (file.isEmpty()) {
        ++progress.done;
        continue;
      }
      try {
        // Qt 6 draws text into a QImage on any thread, so the cards are painted in parallel too.
        PhotoPair bytes;
        try {
          bytes = photoBytes(row, i);
        } catch (const std::exception& e) {
          // Each worker touches only its own rows' entries.
          prepared.failures[size_t(i)] = QString::fromUtf8(e.what());
          if (plan.cards) {
            ImportRow card = row;
            card.photoSource.clear();
            bytes = photoBytes(card, i);
          } else {
            file.clear();
          }
        }
        if (!file.isEmpty()) writeNew(file, bytes.photo);
        if (!file.isEmpty() && sharp && !bytes.sharp.isEmpty()) {
          const QString copy = scratchName(sharpFolder(), scratch::kImportNew);
          // Only the big screen misses a copy not written: never a reason to give up the import.
          if (const QString why = writeNewFile(copy, bytes.sharp, Durability::Unsynced); why.isEmpty())
            prepared.sharpFiles[size_t(i)] = copy;
          else
            qWarning("sharper photo %s not written: %s", qUtf8Printable(copy), qUtf8Printable(why));
        }
      } catch (const std::exception& e) {
        const std::lock_guard<std::mutex> lock(errorLock);
        if (!failed.exchange(true)) firstError = QString::fromUtf8(e.what());
        return;
      }
      ++progress.done;
    }
  };

  QThreadPool pool;
  const int workers = std::max(1, std::min(QThread::idealThreadCount(), n));
  pool.setMaxThreadCount(workers);
  for (int w = 0; w < workers; ++w) pool.start(work);
  while (!pool.waitForDone(20))
    if (report) report();
  if (report) report();

  if (failed) throw Error(firstError);  // `prepared` removes what was written
  if (progress.cancel) throw ImportCancelled();
  syncFileSystem(zpFolder());
  if (sharp) syncFileSystem(sharpFolder());
  return prepared;
}

void takePhotoFailures(ImportPlan& plan, const PreparedPhotos& photos) {
  size_t i = 0;
  for (ImportRow& row : plan.rows) {
    if (!row.added()) continue;
    if (i < photos.failures.size() && !photos.failures[i].isEmpty()) {
      row.photoNote = Tr::tr("照片无法转换：%1").arg(photos.failures[i]);
      row.photoSource.clear();
    }
    ++i;
  }
  plan.recount();
}

void placeImportPhotos(const std::vector<const ImportRow*>& rows, PreparedPhotos& photos,
                       std::vector<QString>& placed) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (photos.files[i].isEmpty()) continue;
    const ImportRow& r = *rows[i];
    const QString target = photoFileInZp(photoPathFor(r.department, r.name));
    if (target.isEmpty()) throw Error(Tr::tr("照片文件名无效：%1 %2").arg(r.department, r.name));
    if (!renameNoReplace(photos.files[i], target)) {
      if (errno == EEXIST)
        throw Error(Tr::tr("照片文件 %1 在预览之后被放进了照片文件夹，没有覆盖它；没有导入任何员工")
                        .arg(shown(target)));
      throw Error(Tr::tr("无法写入照片文件 %1").arg(shown(target)));
    }
    placed.push_back(target);
    photos.files[i].clear();
  }
}

}  // namespace ld
