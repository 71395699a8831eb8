#include "transfer/import_photos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <mutex>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/jpeg.h"
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

QByteArray photoBytes(const ImportRow& row, int index) {
  if (row.photoSource.isEmpty()) return encodeJpeg(portraitCard(row.name, row.department, index), kQuality);
  return convertPhoto(row.photoSource, kQuality, kPhotoSize);
}

// Photos and cards go to disk unsynced; one syncFileSystem at the end is far cheaper than a sync per file.
void writeNew(const QString& path, const QByteArray& bytes) {
  if (const QString why = writeNewFile(path, bytes, Durability::Unsynced); !why.isEmpty())
    throw Error(Tr::tr("无法写入照片文件夹 %1：%2").arg(shown(zpFolder()), why));
}

}  // namespace

QString pictureProblem(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return Tr::tr("照片无法打开：%1（%2）").arg(shown(file), f.errorString());
  const QByteArray head = f.read(8);
  const bool ok = file.toUpper().contains(QStringLiteral(".BMP"))
                      ? head.startsWith("BM")
                      : head.startsWith("\x89PNG\r\n\x1A\n") || head.startsWith("\xFF\xD8\xFF");
  return ok ? QString() : Tr::tr("照片不是图片或已损坏：%1").arg(shown(file));
}

PhotoFolder::PhotoFolder(const QString& folder) : folder_(folder) {
  if (folder.isEmpty()) return;
  const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Readable | QDir::Hidden);
  files_.reserve(names.size());
  for (const QString& n : names) files_.insert(normalised(n), n);
}

QString PhotoFolder::find(const QString& base) const {
  if (folder_.isEmpty()) return {};
  for (const QString& suffix : kPhotoSuffixes) {
    const auto it = files_.constFind(base + QLatin1Char('.') + suffix);
    if (it != files_.cend()) return folder_ + QLatin1Char('/') + it.value();
  }
  return {};
}

QString PhotoFolder::resolve(QString cell) const {
  cell.replace(QLatin1Char('\\'), QLatin1Char('/'));
  const bool hasSuffix = kPhotoSuffixes.contains(QFileInfo(cell).suffix().toLower());
  if (!cell.contains(QLatin1Char('/'))) {
    if (hasSuffix) {
      const auto it = files_.constFind(normalised(cell));
      return it != files_.cend() ? folder_ + QLatin1Char('/') + it.value() : QString();
    }
    return find(cell);
  }
  const QString path = QDir::isAbsolutePath(cell) ? cell : folder_ + QLatin1Char('/') + cell;
  if (hasSuffix) return QFileInfo(path).isFile() ? QDir::cleanPath(path) : QString();
  for (const QString& suffix : kPhotoSuffixes)
    if (QFileInfo(path + QLatin1Char('.') + suffix).isFile())
      return QDir::cleanPath(path + QLatin1Char('.') + suffix);
  return {};
}

PreparedPhotos::~PreparedPhotos() { discard(); }

PreparedPhotos::PreparedPhotos(PreparedPhotos&& other) noexcept : files(std::move(other.files)) {
  other.files.clear();
}

PreparedPhotos& PreparedPhotos::operator=(PreparedPhotos&& other) noexcept {
  if (this != &other) {
    discard();
    files = std::move(other.files);
    other.files.clear();
  }
  return *this;
}

void PreparedPhotos::discard() {
  for (const QString& f : files)
    if (!f.isEmpty()) QFile::remove(f);
  files.clear();
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

  PreparedPhotos prepared;
  prepared.files.resize(size_t(n));
  for (int i = 0; i < n; ++i)
    if (plan.cards || !rows[size_t(i)]->photoSource.isEmpty())
      prepared.files[size_t(i)] = scratchName(zpFolder(), QStringLiteral("import-new"));

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
      if (prepared.files[size_t(i)].isEmpty()) {
        ++progress.done;
        continue;
      }
      try {
        // Qt 6 draws text into a QImage on any thread, so the cards are painted in parallel too.
        writeNew(prepared.files[size_t(i)], photoBytes(row, i));
      } catch (const std::exception& e) {
        const std::lock_guard<std::mutex> lock(errorLock);
        if (!failed.exchange(true))
          firstError = Tr::tr("第 %1 行 %2 %3 的照片无法转换，没有导入任何员工：%4")
                           .arg(row.line)
                           .arg(row.department, row.name, QString::fromUtf8(e.what()));
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
  return prepared;
}

void placeImportPhotos(const std::vector<const ImportRow*>& rows, PreparedPhotos& photos,
                       std::vector<FilePlacement>& placed) {
    for (size_t i = 0; i < rows.size(); ++i) {
    if (photos.files[i].isEmpty()) continue;
    const ImportRow& r = *rows[i];
    const QString target = photoFileInZp(photoPathFor(r.department, r.name));
    if (target.isEmpty()) throw Error(Tr::tr("照片文件名无效：%1 %2").arg(r.department, r.name));
    // A file no roster row names (checked above); kept aside until the import has succeeded.
    const QFileInfo existing(target);
    if (existing.isDir() && !existing.isSymLink())
      throw Error(Tr::tr("无法写入照片文件 %1：该位置已被占用").arg(shown(target)));
    FilePlacement& placement = placed.emplace_back(target, QStringLiteral("import-old"));
    if (const auto failure = placement.place(photos.files[i]))
      throw Error((failure->step == FilePlacement::Step::Placing ? Tr::tr("无法写入照片文件 %1")
                                                                 : Tr::tr("无法替换照片文件 %1"))
                      .arg(shown(target)));
    photos.files[i].clear();
  }
}

}  // namespace ld
