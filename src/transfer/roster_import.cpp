#include "transfer/roster_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <mutex>

#include "data/import_store.h"
#include "data/query.h"
#include "data/transaction.h"
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

// Header words, compared case-folded and without blanks.
enum class Column { None, Name, Department, Photo };
Column headerColumn(const QString& cell) {
  QString key = cell.toCaseFolded();
  key.remove(QLatin1Char(' '));
  key.remove(QChar(0x3000));  // the full-width blank of Chinese input methods
  static const QHash<QString, Column> words = {{QStringLiteral("姓名"), Column::Name},
                                               {QStringLiteral("名字"), Column::Name},
                                               {QStringLiteral("员工姓名"), Column::Name},
                                               {QStringLiteral("name"), Column::Name},
                                               {QStringLiteral("fullname"), Column::Name},
                                               {QStringLiteral("部门"), Column::Department},
                                               {QStringLiteral("科室"), Column::Department},
                                               {QStringLiteral("部门名称"), Column::Department},
                                               {QStringLiteral("department"), Column::Department},
                                               {QStringLiteral("dept"), Column::Department},
                                               {QStringLiteral("照片"), Column::Photo},
                                               {QStringLiteral("相片"), Column::Photo},
                                               {QStringLiteral("照片文件"), Column::Photo},
                                               {QStringLiteral("照片编号"), Column::Photo},
                                               {QStringLiteral("photo"), Column::Photo},
                                               {QStringLiteral("picture"), Column::Photo}};
  return words.value(key, Column::None);
}

QString cellAt(const QStringList& cells, int column) {
  return column >= 0 && column < cells.size() ? cells[column].trimmed() : QString();
}

// The database compares names without letter case, so the checks here do too.
QString pairKey(const QString& department, const QString& name) {
  return department.toCaseFolded() + QChar(0x1F) + name.toCaseFolded();
}

struct RosterKeys {
  QSet<QString> pairs, photoPaths;
};

RosterKeys loadRosterKeys(ImportStore& store) {
  const std::vector<RosterEntry> roster = store.roster();
  RosterKeys keys;
  keys.pairs.reserve(qsizetype(roster.size()));
  keys.photoPaths.reserve(qsizetype(roster.size()));
  for (const RosterEntry& e : roster) {
    keys.pairs.insert(pairKey(e.department.trimmed(), e.name.trimmed()));
    keys.photoPaths.insert(e.photoPath.trimmed().toCaseFolded());
  }
  return keys;
}

// Empty when the file opens and starts like a picture convertPhoto reads (a bitmap when its name says
// so, else PNG or JPEG by content); else why not.
QString pictureProblem(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return Tr::tr("照片无法打开：%1（%2）").arg(shown(file), f.errorString());
  const QByteArray head = f.read(8);
  const bool ok = file.toUpper().contains(QStringLiteral(".BMP"))
                      ? head.startsWith("BM")
                      : head.startsWith("\x89PNG\r\n\x1A\n") || head.startsWith("\xFF\xD8\xFF");
  return ok ? QString() : Tr::tr("照片不是图片或已损坏：%1").arg(shown(file));
}

// The files of the photo folder by name, the extension in lower case, so "张三.JPG" answers "张三.jpg".
class PhotoFolder {
 public:
  explicit PhotoFolder(const QString& folder) : folder_(folder) {
    if (folder.isEmpty()) return;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Readable | QDir::Hidden);
    files_.reserve(names.size());
    for (const QString& n : names) files_.insert(normalised(n), n);
  }
  // name plus any of the picture extensions; empty when none is there.
  QString find(const QString& base) const {
    if (folder_.isEmpty()) return {};
    for (const QString& suffix : kPhotoSuffixes) {
      const auto it = files_.constFind(base + QLatin1Char('.') + suffix);
      if (it != files_.cend()) return folder_ + QLatin1Char('/') + it.value();
    }
    return {};
  }
  // What the photo column names: a file name or a path relative to the folder, with or without extension.
  QString resolve(QString cell) const {
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

 private:
  static QString normalised(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot + 1) + fileName.mid(dot + 1).toLower();
  }
  QString folder_;
  QHash<QString, QString> files_;
};

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

std::vector<const ImportRow*> ImportPlan::added() const {
  std::vector<const ImportRow*> out;
  out.reserve(size_t(toAdd));
  for (const ImportRow& r : rows)
    if (r.added()) out.push_back(&r);
  return out;
}

std::vector<const ImportRow*> ImportPlan::refusedRows() const {
  std::vector<const ImportRow*> out;
  for (const ImportRow& r : rows)
    if (!r.added()) out.push_back(&r);
  return out;
}

QString ImportPlan::summary(int maxRefusedListed) const {
  QStringList lines;
  lines << (hadHeader ? Tr::tr("名单文件：%1（按表头识别列）")
                      : Tr::tr("名单文件：%1（无表头：第一列部门，第二列姓名）"))
               .arg(shown(file));
  lines << Tr::tr("可以添加：%1 人；拒绝：%2 行").arg(toAdd).arg(refused);
  lines << (photoFolder.isEmpty()
                ? Tr::tr("照片：匹配到 %1 张（照片文件夹 无）").arg(photosMatched)
                : Tr::tr("照片：匹配到 %1 张（照片文件夹 %2）").arg(photosMatched).arg(shown(photoFolder)));
  if (portraits > 0 && cards)
    lines << Tr::tr("没有照片：%1 人，将为他们生成写有姓名的头像卡片（没有照片的员工不会被抽到）")
                 .arg(portraits);
  else if (portraits > 0)
    lines << Tr::tr("没有照片：%1 人，不生成头像卡片：在设置窗口为他们加上照片之前，他们不会被抽到")
                 .arg(portraits);
  const auto refusedList = refusedRows();
  if (!refusedList.empty()) lines << Tr::tr("被拒绝的行：");
  int listed = 0;
  for (const ImportRow* r : refusedList) {
    if (listed++ == maxRefusedListed) {
      lines << Tr::tr("  ……另有 %1 行").arg(refusedList.size() - size_t(maxRefusedListed));
      break;
    }
    lines << Tr::tr("  第 %1 行 %2 %3：%4").arg(r->line).arg(r->department, r->name, r->refusal);
  }
  return lines.join(QLatin1Char('\n'));
}

ImportPlan planRosterImport(const QString& file, const QString& photoFolder, Query& q) {
  return planRosterImport(readTable(file), file, photoFolder, q);
}

ImportPlan planRosterImport(const Table& table, const QString& file, const QString& photoFolder, Query& q) {
  ImportPlan plan;
  plan.file = QFileInfo(file).absoluteFilePath();
  QString folder = photoFolder.isEmpty() ? QFileInfo(file).absolutePath() : photoFolder;
  if (!photoFolder.isEmpty() && !QFileInfo(photoFolder).isDir())
    throw Error(Tr::tr("照片文件夹不存在：%1").arg(shown(photoFolder)));
  plan.photoFolder = QDir(folder).absolutePath();

  int nameCol = 1, departmentCol = 0, photoCol = -1;
  size_t first = 0;
  if (!table.rows.empty()) {
    int found[4] = {-1, -1, -1, -1};
    const QStringList& head = table.rows.front().cells;
    for (int c = 0; c < head.size(); ++c) {
      const int kind = int(headerColumn(head[c]));
      if (kind != 0 && found[kind] < 0) found[kind] = c;
    }
    if (found[1] >= 0 || found[2] >= 0 || found[3] >= 0) {
      if (found[int(Column::Name)] < 0)
        throw Error(Tr::tr("名单文件 %1 的表头没有姓名列（应有“姓名”或“name”）").arg(shown(file)));
      plan.hadHeader = true;
      first = 1;
      nameCol = found[int(Column::Name)];
      departmentCol = found[int(Column::Department)];
      photoCol = found[int(Column::Photo)];
      plan.photoColumn = photoCol >= 0;
    }
  }
  for (size_t i = first; i < table.rows.size(); ++i) {
    const TableRow& tr = table.rows[i];
    ImportRow row;
    row.line = tr.line;
    row.name = cellAt(tr.cells, nameCol);
    row.department = cellAt(tr.cells, departmentCol);
    row.photoCell = cellAt(tr.cells, photoCol);
    // A row with only other columns filled (a total, a note) is no participant.
    if (row.name.isEmpty() && row.department.isEmpty()) continue;
    plan.rows.push_back(std::move(row));
  }
  if (plan.rows.empty())
    throw Error(Tr::tr("名单文件 %1 中没有可导入的行（需要部门和姓名两列）").arg(shown(file)));

  ImportStore store(q);
  const RosterKeys roster = loadRosterKeys(store);
  const PhotoFolder photos(plan.photoFolder);
  // A picture named only by the person's name is theirs only when no one else in the file has that name.
  QHash<QString, int> nameCount;
  for (const ImportRow& r : plan.rows) ++nameCount[r.name];
  QHash<QString, int> pairsInFile, pathsInFile;
  for (ImportRow& row : plan.rows) {
    if (row.name.isEmpty()) {
      row.refusal = Tr::tr("姓名为空");
      continue;
    }
    if (row.department.isEmpty()) {
      row.refusal = Tr::tr("部门为空");
      continue;
    }
    const PhotoNameCheck check = checkPhotoName(row.department, row.name);
    if (!check.ok()) {
      row.refusal = check.message;
      continue;
    }
    const QString pair = pairKey(row.department, row.name);
    const QString path = photoPathFor(row.department, row.name).toCaseFolded();
    if (roster.pairs.contains(pair)) {
      row.refusal = Tr::tr("名单中已有同部门同姓名的员工");
      continue;
    }
    if (roster.photoPaths.contains(path)) {
      row.refusal = Tr::tr("照片文件名与名单中另一位员工相同（部门和姓名连起来相同）");
      continue;
    }
    if (const int other = pairsInFile.value(pair)) {
      row.refusal = Tr::tr("与第 %1 行重复（同部门同姓名）").arg(other);
      continue;
    }
    if (const int other = pathsInFile.value(path)) {
      row.refusal = Tr::tr("照片文件名与第 %1 行相同（部门和姓名连起来相同）").arg(other);
      continue;
    }
    if (!row.photoCell.isEmpty()) {
      row.photoSource = photos.resolve(row.photoCell);
      if (row.photoSource.isEmpty()) {
        row.refusal = Tr::tr("照片文件不存在：%1").arg(row.photoCell);
        continue;
      }
    } else {
      row.photoSource = photos.find(row.department + QLatin1Char('_') + row.name);
      if (row.photoSource.isEmpty() && nameCount.value(row.name) == 1)
        row.photoSource = photos.find(row.name);
    }
    if (!row.photoSource.isEmpty()) {
      const QString problem = pictureProblem(row.photoSource);
      if (!problem.isEmpty()) {
        row.refusal = problem;
        row.photoSource.clear();
        continue;
      }
    }
    pairsInFile.insert(pair, row.line);
    pathsInFile.insert(path, row.line);
  }
  for (const ImportRow& r : plan.rows) {
    if (!r.added()) {
      ++plan.refused;
      continue;
    }
    ++plan.toAdd;
    if (r.photoSource.isEmpty())
      ++plan.portraits;
    else
      ++plan.photosMatched;
  }
  return plan;
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
  // What an interrupted import left goes first, its kept originals back under their names.
  tidyScratchFiles(zpFolder());

  PreparedPhotos prepared;
  prepared.files.resize(size_t(n));
  for (int i = 0; i < n; ++i)
    if (plan.cards || !rows[size_t(i)]->photoSource.isEmpty())
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

int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report) {
  const std::vector<const ImportRow*> rows = plan.added();
  if (photos.files.size() != rows.size()) throw Error(Tr::tr("照片没有准备好，没有导入任何员工"));
  progress.writing = true;
  progress.done = 0;
  progress.total = int(rows.size());

  std::vector<FilePlacement> placed;
  try {
    // Immediate: nobody can change the roster between the check below and the commit. On failure it is
    // rolled back before the placed files are taken away.
    Transaction transaction(q.connection());
    ImportStore store(q);
    const RosterKeys roster = loadRosterKeys(store);
    for (const ImportRow* r : rows) {
      if (roster.pairs.contains(pairKey(r->department, r->name)) ||
          roster.photoPaths.contains(photoPathFor(r->department, r->name).toCaseFolded()))
        throw Error(Tr::tr("名单在预览之后有了改动：第 %1 行 %2 %3 已在名单中。没有导入任何员工，请重新导入")
                        .arg(r->line)
                        .arg(r->department, r->name));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
      if (progress.cancel) throw ImportCancelled();
      const ImportRow& r = *rows[i];
      const QString zp = photos.files[i].isEmpty() ? QString() : photoPathFor(r.department, r.name);
      store.add(r.name, r.department, zp);
      progress.done = int(i + 1);
      if (report && i % 1000 == 999) report();
    }
    // Files go in place before the commit: a crash in between leaves spare files, never rows without photos.
    for (size_t i = 0; i < rows.size(); ++i) {
      if (photos.files[i].isEmpty()) continue;
      const ImportRow& r = *rows[i];
      const QString target = photoFileInZp(photoPathFor(r.department, r.name));
      if (target.isEmpty()) throw Error(Tr::tr("照片文件名无效：%1 %2").arg(r.department, r.name));
      // A file no roster row names (checked above); kept aside until the import has succeeded.
      const QFileInfo existing(target);
      if (existing.isDir() && !existing.isSymLink())
        throw Error(Tr::tr("无法写入照片文件 %1：该位置已被占用").arg(shown(target)));
      FilePlacement& placement = placed.emplace_back(target, scratch::kImportOld);
      if (const auto failure = placement.place(photos.files[i]))
        throw Error((failure->step == FilePlacement::Step::Placing ? Tr::tr("无法写入照片文件 %1")
                                                                   : Tr::tr("无法替换照片文件 %1"))
                        .arg(shown(target)));
      photos.files[i].clear();
    }
    syncFolder(zpFolder());
    if (progress.cancel) throw ImportCancelled();
    // A stop between the commit and the end must not put an unnamed original back over a photo the
    // committed rows now name; before the commit, losing such an original is the lesser harm.
    for (FilePlacement& p : placed) p.settle();
    transaction.commit();
  } catch (...) {
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) it->rollback();
    photos.discard();
    throw;
  }
  for (FilePlacement& p : placed) p.commit();
  return int(rows.size());
}

}  // namespace ld
