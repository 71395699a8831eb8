#include "transfer/roster_import.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

#include "data/import_store.h"
#include "data/query.h"
#include "data/transaction.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "settings/photo_file.h"
#include "transfer/sharp_copies.h"

namespace ld {

namespace {

QString shownColumns(const std::vector<ColumnMeaning>& columns) {
  QStringList names;
  for (ColumnMeaning m : columns) names << meaningName(m);
  return names.join(QStringLiteral("、"));
}

// The database compares names without letter case, so the checks here do too.
QString pairKey(const QString& department, const QString& name) {
  return department.toCaseFolded() + QChar(0x1F) + name.toCaseFolded();
}

struct RosterKeys {
  QSet<QString> pairs, photoPaths, numbers;
};

RosterKeys loadRosterKeys(ImportStore& store) {
  const std::vector<RosterEntry> roster = store.roster();
  RosterKeys keys;
  keys.pairs.reserve(qsizetype(roster.size()));
  keys.photoPaths.reserve(qsizetype(roster.size()));
  for (const RosterEntry& e : roster) {
    keys.pairs.insert(pairKey(e.department.trimmed(), e.name.trimmed()));
    keys.photoPaths.insert(e.photoPath.trimmed().toCaseFolded());
    if (!e.employeeId.trimmed().isEmpty()) keys.numbers.insert(e.employeeId.trimmed().toCaseFolded());
  }
  return keys;
}

// What an update was planned against; a roster that differs at writing time is planned again.
quint64 rosterStamp(const std::vector<RosterMember>& members) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const RosterMember& m : members) {
    const RosterEntry& e = m.entry;
    hash.addData(QStringLiteral("%1\x1f%2\x1f%3\x1f%4\x1f%5\x1f%6\x1f%7\x1f%8\x1e")
                     .arg(m.id)
                     .arg(e.department, e.name, e.photoPath, e.employeeId, e.tags)
                     .arg(m.prizeLevel)
                     .arg(m.order)
                     .toUtf8());
  }
  const QByteArray digest = hash.result();
  quint64 stamp = 0;
  for (int i = 0; i < 8; ++i) stamp = (stamp << 8) | quint8(digest[i]);
  return stamp;
}

// Tags as stored: separated by ',' (a Chinese comma in the sheet too), blanks and empty tags left out.
QString normalisedTags(const QString& cell) {
  QStringList tags;
  for (const QString& t : QString(cell).replace(QChar(0xFF0C), QLatin1Char(',')).split(QLatin1Char(','))) {
    const QString tag = t.trimmed();
    if (!tag.isEmpty() && !tags.contains(tag)) tags << tag;
  }
  return tags.join(QLatin1Char(','));
}

// The photo file is named by department and name, so two people of one name in one department cannot both
// be in the roster.
QString samePersonNameRefusal(const QString& number, const QString& otherNumber, const QString& where,
                              const QString& name) {
  return Tr::tr(
             "%1与本行同部门同姓名（工号 %2 和 %3）：照片文件按部门和姓名命名，两人不能同名。"
             "请在其中一人的姓名后加上区分，例如“%4%3”")
      .arg(where, otherNumber, number, name);
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
    if (!r.accepted()) out.push_back(&r);
  return out;
}

QString ImportPlan::summary(int maxRefusedListed) const {
  QStringList lines;
  if (!columnsConfirmed)
    lines << Tr::tr("名单文件：%1（没有认出表头：猜测各列为 %2，导入之前请确认每一列的含义）")
                 .arg(shown(file), shownColumns(columns));
  else if (options.columns)
    lines << Tr::tr("名单文件：%1（按指定的列：%2）").arg(shown(file), shownColumns(columns));
  else
    lines << Tr::tr("名单文件：%1（按表头识别列：%2）").arg(shown(file), shownColumns(columns));
  if (!sheet.isEmpty()) lines << Tr::tr("工作表：%1").arg(sheet);
  if (options.mode == ImportMode::Update)
    lines << Tr::tr("按工号更新名单：添加 %1 人，更新 %2 人，不变 %3 人，移除 %4 人；拒绝：%5 行")
                 .arg(toAdd)
                 .arg(toUpdate)
                 .arg(unchanged)
                 .arg(toRemove)
                 .arg(refused);
  else
    lines << Tr::tr("可以添加：%1 人；拒绝：%2 行").arg(toAdd).arg(refused);
  if (!skipped.empty()) lines << Tr::tr("跳过：%1 行（不是员工，见下面的列表）").arg(skipped.size());
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
  if (maxRefusedListed > 0) lines << details(maxRefusedListed);
  lines.removeAll(QString());
  return lines.join(QLatin1Char('\n'));
}

QString ImportPlan::details(int maxListed) const {
  QStringList lines;
  const auto limited = [&](const QString& title, int count, const auto& line) {
    if (count == 0) return;
    lines << title;
    for (int i = 0; i < count; ++i) {
      if (i == maxListed) {
        lines << Tr::tr("  ……另有 %1 行").arg(count - maxListed);
        break;
      }
      lines << line(i);
    }
  };
  std::vector<const ImportRow*> updated;
  for (const ImportRow& r : rows)
    if (r.accepted() && r.action == RowAction::Update) updated.push_back(&r);
  limited(Tr::tr("将更新的员工："), int(updated.size()), [&](int i) {
    const ImportRow& r = *updated[size_t(i)];
    return Tr::tr("  第 %1 行 %2 %3 → %4 %5")
        .arg(r.line)
        .arg(r.oldDepartment, r.oldName, r.department, r.name);
  });
  limited(Tr::tr("跳过的行："), int(skipped.size()), [&](int i) {
    return Tr::tr("  第 %1 行：%2").arg(skipped[size_t(i)].line).arg(skipped[size_t(i)].reason);
  });
  limited(Tr::tr("名单中有、表格中没有的员工："), int(missing.size()), [&](int i) {
    const MissingPerson& m = missing[size_t(i)];
    const QString what = m.removed ? Tr::tr("将移除")
                         : m.drawn ? Tr::tr("保留（已中奖，中奖者不会被移除）")
                                   : Tr::tr("保留（没有选择移除表格中没有的人）");
    return Tr::tr("  %1 %2（工号 %3）：%4").arg(m.department, m.name, m.employeeId, what);
  });
  return lines.join(QLatin1Char('\n'));
}

ImportPlan planRosterImport(const QString& file, const QString& photoFolder, Query& q,
                            const ImportOptions& options) {
  return planRosterImport(readTable(file, options.sheet), file, photoFolder, q, options);
}

ImportPlan planRosterImport(const Table& table, const QString& file, const QString& photoFolder, Query& q,
                            const ImportOptions& options) {
  ImportPlan plan;
  plan.file = QFileInfo(file).absoluteFilePath();
  plan.options = options;
  plan.sheets = table.sheets;
  plan.sheet = table.sheet;
  QString folder = photoFolder.isEmpty() ? QFileInfo(file).absolutePath() : photoFolder;
  if (!photoFolder.isEmpty() && !QFileInfo(photoFolder).isDir())
    throw Error(Tr::tr("照片文件夹不存在：%1").arg(shown(photoFolder)));
  plan.photoFolder = QDir(folder).absolutePath();
  if (!options.sheet.isEmpty() && !table.sheets.isEmpty() && !table.sheets.contains(options.sheet))
    throw Error(Tr::tr("名单文件 %1 中没有工作表“%2”（有：%3）")
                    .arg(shown(file), options.sheet, table.sheets.join(QStringLiteral("、"))));

  const TableLayout layout = findTableLayout(table, {options.includeHidden, options.columns});
  plan.hadHeader = layout.headerIndex >= 0;
  plan.columnsConfirmed = layout.confirmed;
  plan.columns = layout.columns;
  plan.skipped = layout.skipped;
  plan.photoColumn = layout.has(ColumnMeaning::Photo);
  if (!layout.has(ColumnMeaning::Name))
    throw Error(Tr::tr("名单文件 %1 没有姓名列：请说明哪一列是姓名").arg(shown(file)));
  const bool numberColumn = layout.has(ColumnMeaning::EmployeeId);
  const bool tagsColumn = layout.has(ColumnMeaning::Tags);
  for (size_t i : layout.dataRows) {
    const TableRow& tr = table.rows[i];
    ImportRow row;
    row.line = tr.line;
    row.name = layout.value(tr, ColumnMeaning::Name);
    row.department = layout.value(tr, ColumnMeaning::Department);
    row.employeeId = layout.value(tr, ColumnMeaning::EmployeeId);
    row.tags = normalisedTags(layout.value(tr, ColumnMeaning::Tags));
    row.photoCell = layout.value(tr, ColumnMeaning::Photo);
    // A row with only other columns filled (a count, a note) is no participant.
    if (row.name.isEmpty() && row.department.isEmpty() && row.employeeId.isEmpty()) {
      plan.skipped.push_back({tr.line, Tr::tr("没有姓名和部门")});
      continue;
    }
    plan.rows.push_back(std::move(row));
  }
  std::sort(plan.skipped.begin(), plan.skipped.end(),
            [](const SkippedRow& a, const SkippedRow& b) { return a.line < b.line; });
  if (plan.rows.empty())
    throw Error(Tr::tr("名单文件 %1 中没有可导入的行（需要部门和姓名两列）").arg(shown(file)));

  ImportStore store(q);
  const std::vector<RosterMember> members = store.members();
  const bool update = options.mode == ImportMode::Update;
  if (update) plan.rosterStamp = rosterStamp(members);
  QHash<QString, size_t> byNumber, byPair;
  for (size_t m = 0; m < members.size(); ++m) {
    const RosterEntry& e = members[m].entry;
    if (!e.employeeId.trimmed().isEmpty()) byNumber.insert(e.employeeId.trimmed().toCaseFolded(), m);
    byPair.insert(pairKey(e.department.trimmed(), e.name.trimmed()), m);
  }

  // First each row on its own, and in update mode whom of the roster it is.
  std::vector<int> matchedBy(members.size(), 0);  // the line of the row that names the participant
  QHash<QString, int> numbersInFile;
  for (ImportRow& row : plan.rows) {
    const QString number = row.employeeId.toCaseFolded();
    if (update) {
      std::optional<size_t> found;
      if (!number.isEmpty() && byNumber.contains(number)) found = byNumber.value(number);
      // Found by name only when the sheet or the roster does not know this person's 工号.
      const auto byName = byPair.constFind(pairKey(row.department, row.name));
      if (!found && byName != byPair.cend() &&
          (number.isEmpty() || members[*byName].entry.employeeId.trimmed().isEmpty()))
        found = *byName;
      if (found) {
        const RosterMember& m = members[*found];
        if (const int other = matchedBy[*found]) {
          row.refusal = Tr::tr("与第 %1 行是同一位员工").arg(other);
          continue;
        }
        matchedBy[*found] = row.line;
        row.rosterId = m.id;
        row.oldDepartment = m.entry.department;
        row.oldName = m.entry.name;
        row.oldPhoto = m.entry.photoPath;
        if (!numberColumn || row.employeeId.isEmpty()) row.employeeId = m.entry.employeeId;
        if (!tagsColumn) row.tags = m.entry.tags;
        const bool same = row.department == m.entry.department && row.name == m.entry.name &&
                          row.employeeId == m.entry.employeeId && row.tags == m.entry.tags;
        row.action = same ? RowAction::Unchanged : RowAction::Update;
      }
    }
    if (table.legacyEncoding &&
        (row.name + row.department + row.employeeId + row.tags).contains(QLatin1Char('?'))) {
      row.refusal = Tr::tr(
          "“?”是文件的编码（GBK/GB18030）存不下的字符，原来的字已经丢失：请把表格另存为 "
          "UTF-8 的 CSV 或 .xlsx 再导入");
      continue;
    }
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
    if (!number.isEmpty()) {
      if (const int other = numbersInFile.value(number)) {
        row.refusal = Tr::tr("工号 %1 与第 %2 行重复").arg(row.employeeId).arg(other);
        continue;
      }
      numbersInFile.insert(number, row.line);
      if (!update && byNumber.contains(number)) {
        const RosterEntry& e = members[byNumber.value(number)].entry;
        row.refusal = Tr::tr("名单中已有工号 %1（%2 %3）；要按表格更新名单，请选择更新")
                          .arg(row.employeeId, e.department, e.name);
        continue;
      }
    }
  }

  // Then the roster as it will be: nobody may share a department and name, nor a photo file, with anyone
  // who stays. A row refused here keeps its participant as they are, which may stand in another row's way.
  bool again = true;
  while (again) {
    again = false;
    QHash<QString, const RosterMember*> stayingPairs, stayingPaths;
    std::vector<bool> changed(members.size(), false);
    QHash<int, size_t> memberOfId;
    for (size_t m = 0; m < members.size(); ++m) memberOfId.insert(members[m].id, m);
    for (const ImportRow& r : plan.rows)
      if (r.accepted() && r.rosterId) changed[memberOfId.value(r.rosterId)] = true;
    for (size_t m = 0; m < members.size(); ++m) {
      const bool removed = update && options.removeMissing && !matchedBy[m] && members[m].prizeLevel == 0;
      if (changed[m] || removed) continue;
      const RosterEntry& e = members[m].entry;
      stayingPairs.insert(pairKey(e.department.trimmed(), e.name.trimmed()), &members[m]);
      stayingPaths.insert(e.photoPath.trimmed().toCaseFolded(), &members[m]);
    }
    QHash<QString, const ImportRow*> pairsInFile, pathsInFile;
    for (ImportRow& row : plan.rows) {
      if (!row.accepted()) continue;
      const QString pair = pairKey(row.department, row.name);
      const QString path = photoPathFor(row.department, row.name).toCaseFolded();
      QString refusal;
      if (const RosterMember* other = stayingPairs.value(pair)) {
        refusal = !row.employeeId.isEmpty() && !other->entry.employeeId.isEmpty()
                      ? samePersonNameRefusal(row.employeeId, other->entry.employeeId, Tr::tr("名单中的员工"),
                                              row.name)
                      : Tr::tr("名单中已有同部门同姓名的员工");
      } else if (stayingPaths.contains(path)) {
        refusal = Tr::tr("照片文件名与名单中另一位员工相同（部门和姓名连起来相同）");
      } else if (const ImportRow* other = pairsInFile.value(pair)) {
        refusal =
            !row.employeeId.isEmpty() && !other->employeeId.isEmpty() && other->employeeId != row.employeeId
                ? samePersonNameRefusal(row.employeeId, other->employeeId,
                                        Tr::tr("第 %1 行").arg(other->line), row.name)
                : Tr::tr("与第 %1 行重复（同部门同姓名）").arg(other->line);
      } else if (const ImportRow* other = pathsInFile.value(path)) {
        refusal = Tr::tr("照片文件名与第 %1 行相同（部门和姓名连起来相同）").arg(other->line);
      }
      if (!refusal.isEmpty()) {
        row.refusal = refusal;
        again = again || row.rosterId != 0;  // its participant now stays where they are
        continue;
      }
      pairsInFile.insert(pair, &row);
      pathsInFile.insert(path, &row);
    }
  }

  // Photos only for the new participants: the others keep theirs, renamed with them.
  QSet<QString> rosterPhotos;
  for (const RosterMember& m : members)
    if (const QString file = photoFileInZp(m.entry.photoPath); !file.isEmpty()) rosterPhotos.insert(file);
  matchImportPhotos(plan, rosterPhotos);

  if (update) {
    for (size_t m = 0; m < members.size(); ++m) {
      if (matchedBy[m]) continue;
      const RosterMember& member = members[m];
      MissingPerson missing{member.id,
                            member.entry.department,
                            member.entry.name,
                            member.entry.employeeId,
                            member.entry.photoPath,
                            member.prizeLevel != 0,
                            false};
      missing.removed = options.removeMissing && !missing.drawn;
      if (missing.removed) ++plan.toRemove;
      if (missing.drawn) ++plan.keptWinners;
      plan.missing.push_back(std::move(missing));
    }
  }
  plan.recount();
  return plan;
}

namespace {

// A participant's photo going with them to their new department or name: the file is linked to a scratch
// name first (the old name stays until the commit), then placed at the new name.
struct PhotoMove {
  QString from, to, scratch;
};

QString linkToScratch(const QString& from) {
  // The name the start-up sweep of zp/ knows, so a kill leaves nothing behind for long.
  const QString aside = scratchName(zpFolder(), scratch::kPhotoNew);
  if (::link(QFile::encodeName(from).constData(), QFile::encodeName(aside).constData()) != 0 &&
      !QFile::copy(from, aside))
    throw Error(Tr::tr("无法复制照片 %1，名单没有改变").arg(shown(from)));
  return aside;
}

}  // namespace

int writeRosterImport(const ImportPlan& plan, PreparedPhotos& photos, Query& q, ImportProgress& progress,
                      const std::function<void()>& report) {
  if (!plan.columnsConfirmed) {
    photos.discard();
    throw Error(Tr::tr("没有认出表头，各列的含义还没有确认：什么也没有导入。请说明每一列的含义"));
  }
  const std::vector<const ImportRow*> rows = plan.added();
  if (photos.files.size() != rows.size()) throw Error(Tr::tr("照片没有准备好，没有导入任何员工"));
  const bool update = plan.options.mode == ImportMode::Update;
  progress.writing = true;
  progress.done = 0;
  progress.total = int(rows.size()) + plan.toUpdate + plan.toRemove;

  std::vector<FilePlacement> placed;  // moved photos, each keeping what lay at its new name
  std::vector<QString> placedNew;     // new participants' photos (placing never replaces a file)
  std::vector<PhotoMove> moves;
  QStringList oldPhotos;  // files no row names once committed
  SharpCopies sharp;      // the photos' sharper copies, following them
  try {
    // Immediate: nobody can change the roster between the check below and the commit. On failure it is
    // rolled back before the placed files are taken away.
    Transaction transaction(q.connection());
    ImportStore store(q);
    if (update) {
      if (rosterStamp(store.members()) != plan.rosterStamp)
        throw Error(Tr::tr("名单在预览之后有了改动，没有导入任何员工，请重新导入"));
    } else {
      const RosterKeys roster = loadRosterKeys(store);
      for (const ImportRow* r : rows) {
        if (roster.pairs.contains(pairKey(r->department, r->name)) ||
            roster.photoPaths.contains(photoPathFor(r->department, r->name).toCaseFolded()) ||
            (!r->employeeId.isEmpty() && roster.numbers.contains(r->employeeId.toCaseFolded())))
          throw Error(
              Tr::tr("名单在预览之后有了改动：第 %1 行 %2 %3 已在名单中。没有导入任何员工，请重新导入")
                  .arg(r->line)
                  .arg(r->department, r->name));
      }
    }
    int done = 0;
    const auto step = [&] {
      progress.done = ++done;
      if (report && done % 1000 == 0) report();
    };
    for (const MissingPerson& m : plan.missing) {
      if (!m.removed) continue;
      if (progress.cancel) throw ImportCancelled();
      if (!store.removeUndrawn(m.rosterId))
        throw Error(
            Tr::tr("%1 %2 已经中奖或不在名单中，没有导入任何员工，请重新导入").arg(m.department, m.name));
      if (const QString file = photoFileInZp(m.photoPath); !file.isEmpty()) oldPhotos << file;
      step();
    }
    for (const ImportRow& r : plan.rows) {
      if (!r.accepted() || r.action != RowAction::Update) continue;
      if (progress.cancel) throw ImportCancelled();
      QString zp = r.oldPhoto;
      const QString oldFile = photoFileInZp(r.oldPhoto);
      if (!oldFile.isEmpty()) {
        zp = photoPathFor(r.department, r.name);
        const QString newFile = photoFileInZp(zp);
        if (oldFile != newFile && QFileInfo::exists(oldFile)) {
          moves.push_back({oldFile, newFile, QString()});
          oldPhotos << oldFile;
        }
      }
      if (!store.update(r.rosterId, r.name, r.department, zp, r.employeeId, r.tags))
        throw Error(
            Tr::tr("%1 %2 已不在名单中，没有导入任何员工，请重新导入").arg(r.oldDepartment, r.oldName));
      step();
    }
    for (size_t i = 0; i < rows.size(); ++i) {
      if (progress.cancel) throw ImportCancelled();
      const ImportRow& r = *rows[i];
      const bool photo = !photos.files[i].isEmpty() || r.keepsZpPhoto;
      const QString zp = photo ? photoPathFor(r.department, r.name) : QString();
      store.add(r.name, r.department, zp, r.employeeId, r.tags);
      step();
    }
    // Every moving photo is linked aside before any is placed, so two people swapping names keep their own.
    for (PhotoMove& m : moves) m.scratch = linkToScratch(m.from);
    for (PhotoMove& m : moves) {
      placed.emplace_back(m.to, scratch::kPhotoOld);
      if (const auto failure = placed.back().place(m.scratch))
        throw Error(Tr::tr("无法把照片改名为 %1：%2。名单没有改变").arg(shown(m.to), failure->why));
      m.scratch.clear();
    }
    // A newcomer taking a name that someone leaves replaces that one's photo, kept until the commit.
    for (size_t i = 0; i < rows.size(); ++i) {
      const QString target = photoFileInZp(photoPathFor(rows[i]->department, rows[i]->name));
      if (photos.files[i].isEmpty() || !oldPhotos.contains(target)) continue;
      placed.emplace_back(target, scratch::kPhotoOld);
      if (const auto failure = placed.back().place(photos.files[i]))
        throw Error(Tr::tr("无法把照片改名为 %1：%2。名单没有改变").arg(shown(target), failure->why));
      photos.files[i].clear();
    }
    for (const PhotoMove& m : moves) sharp.move(m.from, m.to);
    sharp.placeMoves();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i]->keepsZpPhoto) continue;  // its file stays as it was, and so does its copy
      QString ready;
      if (i < photos.sharpFiles.size()) ready = std::exchange(photos.sharpFiles[i], QString());
      sharp.place(ready, photoFileInZp(photoPathFor(rows[i]->department, rows[i]->name)));
    }
    syncFolder(sharpFolder());
    // Files go in place before the commit: a crash in between leaves spare files, never rows without photos.
    placeImportPhotos(rows, photos, placedNew);
    syncFolder(zpFolder());
    if (progress.cancel) throw ImportCancelled();
    transaction.commit();
  } catch (...) {
    sharp.rollback();
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) it->rollback();
    for (const QString& file : placedNew) QFile::remove(file);
    for (const PhotoMove& m : moves)
      if (!m.scratch.isEmpty()) QFile::remove(m.scratch);
    photos.discard();
    throw;
  }
  for (FilePlacement& p : placed) p.commit();
  // The old names of moved photos and the photos of removed participants, unless someone now has that name.
  QSet<QString> named;
  for (const FilePlacement& p : placed) named.insert(p.target());
  for (const QString& file : placedNew) named.insert(file);
  for (const QString& file : oldPhotos) {
    if (named.contains(file)) continue;
    if (!removePhotoFile(file))
      qWarning("roster import: could not remove the old photo %s", qPrintable(file));
    sharp.drop(file);
  }
  sharp.commit();
  syncFolder(zpFolder());
  return int(rows.size());
}

}  // namespace ld
