#include "transfer/roster_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "data/import_store.h"
#include "data/query.h"
#include "data/transaction.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "settings/photo_file.h"

namespace ld {

namespace {

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
  lines << photoLines(maxRefusedListed);
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
    pairsInFile.insert(pair, row.line);
    pathsInFile.insert(path, row.line);
  }
  matchImportPhotos(plan);
  plan.recount();
  return plan;
}

int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report) {
  const std::vector<const ImportRow*> rows = plan.added();
  if (photos.files.size() != rows.size()) throw Error(Tr::tr("照片没有准备好，没有导入任何员工"));
  progress.writing = true;
  progress.done = 0;
  progress.total = int(rows.size());

  std::vector<QString> placed;
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
      const bool photo = !photos.files[i].isEmpty() || r.keepsZpPhoto;
      const QString zp = photo ? photoPathFor(r.department, r.name) : QString();
      store.add(r.name, r.department, zp);
      progress.done = int(i + 1);
      if (report && i % 1000 == 999) report();
    }
    // Files go in place before the commit: a crash in between leaves spare files, never rows without photos.
    placeImportPhotos(rows, photos, placed);
    syncFolder(zpFolder());
    if (progress.cancel) throw ImportCancelled();
    transaction.commit();
  } catch (...) {
    // Only files this import put there (placing never replaces one).
    for (const QString& file : placed) QFile::remove(file);
    photos.discard();
    throw;
  }
  return int(rows.size());
}

}  // namespace ld
