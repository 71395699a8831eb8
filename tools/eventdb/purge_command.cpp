#include "purge_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/connection.h"
#include "data/purge_store.h"
#include "data/query.h"
#include "event_commands.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"

namespace ld::eventdb {

const char* const kPurgeUsage = "       eventdb purge EVENT_DIR [--keep-results]\n";

const char* const kPurgeHelp =
    "purge  deletes what the event holds about people, without asking, and lists what it removed: every\n"
    "       participant, their photos (zp/ and zpgq/), 工号, tags, personal codes, check-in times and\n"
    "       phones; the names, departments and 工号 in the draw journal; people kept out by a prize's\n"
    "       rule; the contact person and phone; any other file in db/ (copies of the database) and the\n"
    "       scratch files of interrupted writes. The database is then rebuilt so that nothing deleted\n"
    "       stays in it. With --keep-results the winners keep their name, department, prize and draw\n"
    "       order, and the journal their names. Mirrors, archives and exported files live elsewhere and\n"
    "       are not touched.\n";

namespace {

struct FolderClearing {
  int removed = 0;
  QStringList failed;
};

// Everything inside `folder` but the names in `keep`; links are removed, never followed.
FolderClearing clearFolder(const QString& folder, const QStringList& keep = {}) {
  FolderClearing result;
  const QFileInfoList entries =
      QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries) {
    if (keep.contains(entry.fileName())) continue;
    const bool gone = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                          : QFile::remove(entry.filePath());
    if (gone)
      ++result.removed;
    else
      result.failed << shown(entry.filePath());
  }
  if (result.removed > 0) syncFolder(folder);
  return result;
}

}  // namespace

int runPurgeCommand(const QStringList& args, QStringList& out, QString& error) {
  const bool keepResults = args.size() == 3 && args[2] == QLatin1String("--keep-results");
  if (args.size() != 2 && !keepResults) return 2;
  QStringList failed;
  try {
    const QString f = eventFolder(args[1]);
    if (!holdsEvent(f)) throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(f));
    const EventLock lock(f);
    // Interrupted writes first: their scratch files hold photos and lists of names too.
    const TidyResult tidied = tidyEventFolder(f);
    PurgeResult purged;
    {
      Connection c;
      connectToEvent(c, f);
      Query q(c);
      purged = PurgeStore(q).purge(keepResults);
    }
    out << Tr::tr("已删除 %1 位参与者").arg(purged.removedPeople);
    if (keepResults)
      out << Tr::tr(
                 "保留 %1 "
                 "位中奖者的姓名、部门、奖项和中奖顺序；他们的照片、工号、标签、签到码和签到记录已删除")
                 .arg(purged.keptWinners);
    else
      out << Tr::tr("名单中的姓名、部门、照片、工号、标签、签到码和签到记录已全部删除");
    out << Tr::tr("抽奖记录中 %1 行的姓名、部门或工号已清空").arg(purged.journalRows);
    if (purged.rulesCleared > 0) out << Tr::tr("%1 个奖项规则中不参加的人已清空").arg(purged.rulesCleared);
    out << Tr::tr("联系人和联系电话已清空");
    out << Tr::tr("数据库已重建，删除的内容不再留在文件中");

    const FolderClearing photos = clearFolder(f + QStringLiteral("zp"));
    out << Tr::tr("已删除 zp/ 中的 %1 个文件（照片）").arg(photos.removed);
    const FolderClearing sharp = clearFolder(f + kSharpPhotoFolder);
    out << Tr::tr("已删除 %1/ 中的 %2 个文件（照片的清晰副本）").arg(kSharpPhotoFolder).arg(sharp.removed);
    // Only the database itself belongs in db/: anything else there is a copy of it.
    const FolderClearing copies = clearFolder(f + QStringLiteral("db"), {QStringLiteral("db.mdb")});
    out << Tr::tr("已删除 db/ 中数据库以外的 %1 个文件").arg(copies.removed);
    if (tidied.removed > 0) out << Tr::tr("已删除中断的写入留下的 %1 个临时文件").arg(tidied.removed);
    out << Tr::tr("提醒：镜像文件夹（--mirror）、打包的 .zip 和导出的表格不在活动文件夹里，请另行删除");
    failed = photos.failed + sharp.failed + copies.failed;
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    return 1;
  }
  if (failed.isEmpty()) return 0;
  error = Tr::tr("无法删除：%1").arg(failed.join(Tr::tr("、")));
  return 1;
}

}  // namespace ld::eventdb
