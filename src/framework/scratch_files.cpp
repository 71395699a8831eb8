#include "framework/scratch_files.h"

#include <dirent.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"

namespace ld {

namespace {

// What scratchName makes for our stems, and nothing more: ".~" + stem + "-" + 16 hex digits + a suffix of
// ours. libzip finishes an archive under its own name + ".XXXXXX", hence the pack's longer form.
const QRegularExpression& ourName() {
  static const QRegularExpression re(
      QStringLiteral("^\\.~(new|old|import-new|import-old|unpack|pack|export|mirror)-[0-9a-f]{16}"
                     "(\\.tmp(-journal)?|\\.orig|\\.list|\\.xlsx|\\.zip(\\.[A-Za-z0-9]{6})?|"
                     "\\.mdb(-journal)?|\\.jpg)?$"));
  return re;
}

bool present(const QFileInfo& info) { return info.exists() || info.isSymLink(); }
bool plainFile(const QFileInfo& info) { return info.isSymLink() || info.isFile(); }

QStringList ourNames(const QString& folder, const QString& onlyStem) {
  // Names only, entry by entry: a photo folder may hold a hundred thousand files.
  QStringList names;
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] == '.' && entry->d_name[1] == '~') {
      const QString name = QFile::decodeName(entry->d_name);
      const QRegularExpressionMatch match = ourName().match(name);
      if (match.hasMatch() && (onlyStem.isEmpty() || match.captured(1) == onlyStem)) names << name;
    }
  ::closedir(dir);
  names.sort();
  return names;
}

bool removed(const QString& file) {
  QFile f(file);
  if (f.remove()) return true;
  if (present(QFileInfo(file)))
    qWarning("scratch file %s not removed: %s", qUtf8Printable(file), qUtf8Printable(f.errorString()));
  return false;
}

// One name inside the folder a record lies in; a record never sends the tidy-up anywhere else.
bool plainName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
         !name.startsWith(QStringLiteral(".~"));
}

bool relativeInside(const QString& path) {
  const QStringList parts = path.split(QLatin1Char('/'));
  return std::all_of(parts.begin(), parts.end(), plainName);
}

QByteArray contentOf(const QString& file) {
  QFile f(file);
  // A record is a few names; anything larger is not one we wrote.
  if (!f.open(QIODevice::ReadOnly) || f.size() > (1 << 26)) return {};
  return f.readAll();
}

int putBack(const QString& folder, const QString& record, TidyResult& result) {
  const QString kept = record.chopped(5) + QStringLiteral(".tmp");
  const QString name = QString::fromUtf8(contentOf(record));
  const QFileInfo keptInfo(kept);
  if (plainName(name) && keptInfo.isFile() && !keptInfo.isSymLink()) {
    const QString original = folder + name;
    // Renaming a second link of the same file does nothing: the original was never replaced.
    if (renameFile(kept, original))
      ++result.restored;
    else
      qWarning("original %s not put back from %s", qUtf8Printable(original), qUtf8Printable(kept));
    if (present(QFileInfo(kept))) removed(kept);
  }
  return removed(record) ? 1 : 0;
}

int undoBatch(const QString& folder, const QString& record) {
  const QStringList lines = QString::fromUtf8(contentOf(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  int count = 0;
  if (!lines.isEmpty() && std::all_of(lines.begin(), lines.end(), relativeInside) &&
      !present(QFileInfo(folder + lines.first()))) {
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const QFileInfo file(folder + lines[i]);
      if (plainFile(file) && removed(file.filePath())) ++count;
    }
    syncFolder(folder);
  }
  return count + (removed(record) ? 1 : 0);
}

}  // namespace

QString originRecordOf(const QString& kept) {
  return kept.endsWith(QStringLiteral(".tmp")) ? kept.chopped(4) + QStringLiteral(".orig") : QString();
}

QString writeBatchRecord(const QString& folder, const QString& stem, const QString& commitFile,
                         const QStringList& files) {
  const QString record = scratchName(folder, stem, QStringLiteral(".list"));
  const QString text = (QStringList(commitFile) + files).join(QLatin1Char('\n')) + QLatin1Char('\n');
  if (const QString why = writeNewFile(record, text.toUtf8(), Durability::Synced); !why.isEmpty())
    throw Error(Tr::tr("无法写入 %1：%2").arg(shown(record), why));
  if (!syncFolder(folder)) {
    QFile::remove(record);
    throw Error(Tr::tr("无法写入 %1").arg(shown(folder)));
  }
  return record;
}

TidyResult tidyScratchFiles(const QString& folderPath, const QString& onlyStem) {
  TidyResult result;
  const QString folder = folderPath.endsWith(QLatin1Char('/')) ? folderPath : folderPath + QLatin1Char('/');
  // Records first: what they name is dealt with before the scratch files go.
  for (const QString& name : ourNames(folder, onlyStem)) {
    const QFileInfo info(folder + name);
    if (!info.isFile() || info.isSymLink()) continue;
    if (name.endsWith(QStringLiteral(".orig")))
      result.removed += putBack(folder, folder + name, result);
    else if (name.endsWith(QStringLiteral(".list")))
      result.removed += undoBatch(folder, folder + name);
  }
  for (const QString& name : ourNames(folder, onlyStem)) {
    const QFileInfo info(folder + name);
    if (plainFile(info)) {
      if (removed(info.filePath())) ++result.removed;
    } else if (info.isDir() && name.startsWith(QStringLiteral(".~unpack-")) &&
               name.indexOf(QLatin1Char('.'), 2) < 0) {
      // Earlier versions staged an unpack in a folder of their own.
      if (QDir(info.filePath()).removeRecursively())
        ++result.removed;
      else
        qWarning("unpack staging %s not removed", qUtf8Printable(info.filePath()));
    }
  }
  if (result.removed > 0 || result.restored > 0) syncFolder(folder);
  return result;
}

TidyResult tidyEventFolder(const QString& appFolder) {
  const QString folder = appFolder.endsWith(QLatin1Char('/')) ? appFolder : appFolder + QLatin1Char('/');
  TidyResult total;
  // The event folder first: an unfinished batch there names files in zp/.
  for (const QString& sub :
       {QString(), QStringLiteral("db"), QStringLiteral("zp"), kSharpPhotoFolder, QStringLiteral("zt")}) {
    const TidyResult r = tidyScratchFiles(folder + sub);
    total.restored += r.restored;
    total.removed += r.removed;
  }
  return total;
}

}  // namespace ld
