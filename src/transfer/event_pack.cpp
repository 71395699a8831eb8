#include "transfer/event_pack.h"

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/online_backup.h"
#include "data/pack_store.h"
#include "data/query.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "framework/zip_handles.h"
#include "settings/photo_file.h"
#include "settings/theme_picture.h"

namespace ld {

namespace {

constexpr zip_uint64_t kMaxDatabaseBytes = 4ULL * 1024 * 1024 * 1024;
constexpr zip_uint64_t kMaxPhotoBytes = 64ULL * 1024 * 1024;
// Three times the largest roster the program is measured with, and room for its photos.
constexpr zip_int64_t kMaxEntries = 300'000;
constexpr zip_uint64_t kMaxTotalBytes = 64ULL * 1024 * 1024 * 1024;
const QString kDatabaseEntry = QStringLiteral("db/db.mdb");

QString withSlash(QString folder) {
  folder = QDir(folder).absolutePath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

struct Roster {
  int participants = 0;
  QStringList photos;  // distinct file names inside zp/
};

Roster readRoster(Query& q) {
  Roster roster;
  const QStringList paths = PackStore(q).photoPaths();
  roster.participants = int(paths.size());
  QSet<QString> seen;
  for (const QString& path : paths) {
    const QString name = photoNameInZp(path);
    if (!name.isEmpty() && !seen.contains(name)) {
      seen.insert(name);
      roster.photos << name;
    }
  }
  return roster;
}

QString listed(const QStringList& names) {
  QStringList shownNames = names.mid(0, 10);
  if (names.size() > 10) shownNames << Tr::tr("……共 %1 个").arg(names.size());
  return shownNames.join(Tr::tr("、"));
}

QString zipMessage(zip_t* z) { return QString::fromUtf8(zip_strerror(z)); }

constexpr ThemePictureKind kThemeKinds[] = {ThemePictureKind::Background, ThemePictureKind::Logo};

// The stage pictures of the event that can be read, as entries; those that cannot go to `damaged`.
QStringList themeEntries(const QString& folder, QStringList& damaged) {
  QStringList entries;
  if (QFileInfo(folder + QStringLiteral("zt")).isSymLink()) return entries;
  for (const ThemePictureKind kind : kThemeKinds) {
    const QString entry = themePictureEntry(kind);
    const QFileInfo file(folder + entry);
    if (!file.exists() && !file.isSymLink()) continue;
    try {
      if (file.isSymLink() || !file.isFile() || file.size() > kMaxThemeFileBytes) throw Error(entry);
      QFile in(file.filePath());
      if (!in.open(QIODevice::ReadOnly)) throw Error(entry);
      storedThemePicture(kind, in.readAll(), entry);
      entries << entry;
    } catch (const Error&) {
      damaged << entry;
    }
  }
  return entries;
}

}  // namespace

PackSummary packEvent(const QString& appFolder, const QString& archive, const BackupProgress& progress) {
  const QString folder = withSlash(appFolder);
  if (!holdsEvent(folder)) throw Error(Tr::tr("%1 没有活动数据库（db/db.mdb）").arg(shown(folder)));
  if (QFileInfo::exists(archive)) throw Error(Tr::tr("%1 已经存在，不会覆盖").arg(shown(archive)));
  if (QFileInfo(archive).suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) != 0)
    throw Error(Tr::tr("活动打包文件应以 .zip 结尾：%1").arg(shown(archive)));

  // Written under scratch names beside the archive, which it takes only once complete; what an interrupted
  // pack left there goes first.
  const QString archiveFolder = QFileInfo(archive).absolutePath();
  tidyScratchFiles(archiveFolder, scratch::kPack);
  // The database is read from a copy taken a few pages at a time, so a draw going on meanwhile is never
  // kept waiting; the copy is one committed state, and the roster checked is the one packed.
  const QString copy = scratchName(archiveFolder, scratch::kPack, QStringLiteral(".tmp"));
  struct RemovedAtEnd {
    QString file;
    ~RemovedAtEnd() {
      QFile::remove(file);
      QFile::remove(file + QStringLiteral("-journal"));
    }
  } removeCopy{copy};
  {
    Connection event;
    event.setConnectionString(TDataModule1::connectionStringFor(folder));
    onlineBackup(event, copy, progress);
  }
  Connection connection;
  connection.setConnectionString(TDataModule1::connectionStringFor(folder), copy);
  Query q(connection);
  const Roster roster = readRoster(q);
  connection.setConnected(false);
  QStringList missing;
  for (const QString& name : roster.photos)
    if (!QFileInfo(folder + QStringLiteral("zp/") + name).isFile()) missing << name;
  if (!missing.isEmpty())
    throw Error(
        Tr::tr("名单中有 %1 位员工的照片文件不在 zp 文件夹中，没有打包：%2。请先补上照片或删除这些员工")
            .arg(missing.size())
            .arg(listed(missing)));

  QStringList damaged;
  const QStringList theme = themeEntries(folder, damaged);

  const QString partial = scratchName(archiveFolder, scratch::kPack, QStringLiteral(".zip"));
  int error = 0;
  ZipArchive zip(zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_EXCL, &error));
  if (!zip) throw Error(Tr::tr("无法创建 %1（错误 %2）").arg(shown(archive)).arg(error));
  const auto fail = [&](const QString& what) {
    throw Error(Tr::tr("无法写入 %1：%2：%3").arg(shown(archive), what, zipMessage(zip.get())));
  };
  zip_source_t* db = zip_source_file(zip.get(), QFile::encodeName(copy).constData(), 0, -1);
  if (!db) fail(kDatabaseEntry);
  const zip_int64_t dbIndex =
      zip_file_add(zip.get(), kDatabaseEntry.toUtf8().constData(), db, ZIP_FL_ENC_UTF_8);
  if (dbIndex < 0) {
    zip_source_free(db);
    fail(kDatabaseEntry);
  }
  QStringList entries;
  for (const QString& name : roster.photos) entries << QStringLiteral("zp/") + name;
  int sharp = 0;
  for (const QString& name : roster.photos) {
    const QFileInfo copy(folder + kSharpPhotoFolder + QLatin1Char('/') + name);
    if (copy.isFile() && !copy.isSymLink()) {
      entries << kSharpPhotoFolder + QLatin1Char('/') + name;
      ++sharp;
    }
  }
  for (const QString& entry : entries + theme) {
    zip_source_t* src = zip_source_file(zip.get(), QFile::encodeName(folder + entry).constData(), 0, -1);
    if (!src) fail(entry);
    const zip_int64_t index = zip_file_add(zip.get(), entry.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(src);
      fail(entry);
    }
    // JPEG data does not shrink; storing it keeps packing fast.
    zip_set_file_compression(zip.get(), zip_uint64_t(index), ZIP_CM_STORE, 0);
  }
  // libzip writes to a temporary file of its own and renames it only when everything is in.
  if (zip_close(zip.get()) != 0) {
    const QString why = zipMessage(zip.get());
    QFile::remove(partial);
    throw Error(Tr::tr("无法写入 %1：%2").arg(shown(archive), why));
  }
  zip.release();
  if (!syncFolder(archiveFolder) || !renameNoReplace(partial, archive)) {
    QFile::remove(partial);
    throw Error(Tr::tr("无法写入 %1").arg(shown(archive)));
  }
  syncFolder(archiveFolder);
  return {roster.participants, int(roster.photos.size()), sharp, {}, !theme.isEmpty(), damaged};
}

namespace {

UnpackHook unpackHook;

void reached(const char* step) {
  if (unpackHook) unpackHook(step);
}

QString megabytes(zip_uint64_t bytes) { return Tr::tr("%1 MB").arg(bytes / (1024 * 1024)); }

struct Entry {
  zip_uint64_t index;
  zip_uint64_t size;
};

// What an unpack has put on disk so far, taken away again unless it completed.
struct Unpacking {
  QString folder;
  bool madeFolder = false, madeDb = false, madeZp = false, madeSharp = false, madeZt = false;
  QStringList staged, placed;
  QString record;
  bool done = false;

  ~Unpacking() {
    if (done) return;
    for (auto it = placed.crbegin(); it != placed.crend(); ++it) QFile::remove(*it);
    for (const QString& f : staged) QFile::remove(f);
    if (!record.isEmpty()) QFile::remove(record);
    // Only what this unpack made, and only while empty.
    if (madeDb) QDir().rmdir(folder + QStringLiteral("db"));
    if (madeZp) QDir().rmdir(folder + QStringLiteral("zp"));
    if (madeSharp) QDir().rmdir(folder + kSharpPhotoFolder);
    if (madeZt) QDir().rmdir(folder + QStringLiteral("zt"));
    if (madeFolder) QDir().rmdir(folder);
  }
};

}  // namespace

void setUnpackHook(UnpackHook hook) { unpackHook = std::move(hook); }

PackSummary unpackEvent(const QString& archive, const QString& appFolder) {
  const QString folder = withSlash(appFolder);
  if (!QFileInfo(archive).isFile()) throw Error(Tr::tr("打包文件不存在：%1").arg(shown(archive)));
  std::optional<EventLock> lock;  // outlives the clean-up below
  Unpacking work;
  work.folder = folder;
  work.madeFolder = !QFileInfo::exists(folder);
  if (!QDir().mkpath(folder)) throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(folder)));
  // Not while the lucky draw or another eventdb has the folder; then what an interrupted unpack left goes.
  lock.emplace(folder);
  tidyEventFolder(folder);
  if (QFileInfo::exists(folder + kDatabaseEntry))
    throw Error(Tr::tr("%1 已经有活动数据库，不会覆盖。请换一个空文件夹").arg(shown(folder)));

  int error = 0;
  ZipArchive zip(zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!zip) throw Error(Tr::tr("%1 不是有效的活动打包文件（无法作为 zip 打开）").arg(shown(archive)));
  const auto bad = [&](const QString& why) {
    throw Error(Tr::tr("%1 不是有效的活动打包文件：%2").arg(shown(archive), why));
  };

  // Every entry's name and size is checked before anything is written.
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  if (count > kMaxEntries) bad(Tr::tr("其中有 %1 个条目，超过了 %2 个的上限").arg(count).arg(kMaxEntries));
  std::optional<Entry> database;
  QHash<QString, Entry> photos, sharpPhotos;
  const QString sharpPrefix = kSharpPhotoFolder + QLatin1Char('/');
  QHash<QString, Entry> themePictures;  // by entry name
  QHash<QString, ThemePictureKind> themeKinds;
  for (const ThemePictureKind kind : kThemeKinds) themeKinds.insert(themePictureEntry(kind), kind);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(zip.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) != 0) bad(zipMessage(zip.get()));
    const QString name = QString::fromUtf8(st.name);
    if (name == QLatin1String("db/") || name == QLatin1String("zp/") || name == sharpPrefix ||
        name == QLatin1String("zt/"))
      continue;
    if (themeKinds.contains(name)) {
      if (themePictures.contains(name)) bad(Tr::tr("%1 出现了两次").arg(name));
      if (st.size > zip_uint64_t(kMaxThemeFileBytes))
        bad(Tr::tr("舞台图片 %1 解压后超过 %2 的上限").arg(name, megabytes(kMaxThemeFileBytes)));
      themePictures.insert(name, Entry{zip_uint64_t(i), st.size});
      continue;
    }
    if (name == kDatabaseEntry) {
      if (database) bad(Tr::tr("数据库出现了两次"));
      if (st.size > kMaxDatabaseBytes)
        bad(Tr::tr("数据库解压后超过 %1 的上限").arg(megabytes(kMaxDatabaseBytes)));
      database = Entry{zip_uint64_t(i), st.size};
      continue;
    }
    // A sharper copy is held to every rule a photo is.
    const bool sharp = name.startsWith(sharpPrefix);
    QHash<QString, Entry>& kind = sharp ? sharpPhotos : photos;
    const QString photo = sharp                                   ? name.mid(sharpPrefix.size())
                          : name.startsWith(QLatin1String("zp/")) ? name.mid(3)
                                                                  : QString();
    if (photo.isEmpty() || photo.contains(QLatin1Char('/')) || photo.contains(QLatin1Char('\\')) ||
        photo.startsWith(QLatin1Char('.')) || kind.contains(photo))
      bad(Tr::tr("包含不属于活动的文件“%1”").arg(name));
    if (st.size > kMaxPhotoBytes)
      bad(Tr::tr("照片 %1 解压后超过 %2 的上限").arg(name, megabytes(kMaxPhotoBytes)));
    kind.insert(photo, Entry{zip_uint64_t(i), st.size});
  }
  if (!database) bad(Tr::tr("其中没有活动数据库 db/db.mdb"));

  work.madeDb = !QFileInfo::exists(folder + QStringLiteral("db"));
  work.madeZp = !QFileInfo::exists(folder + QStringLiteral("zp"));
  if (!QDir().mkpath(folder + QStringLiteral("db")) || !QDir().mkpath(folder + QStringLiteral("zp")))
    throw Error(Tr::tr("无法在 %1 中创建 db 和 zp 文件夹").arg(shown(folder)));

  // Each entry is staged beside its final place, streamed through one buffer.
  QByteArray buffer(1 << 20, Qt::Uninitialized);
  const auto stage = [&](const Entry& e, const QString& name, const QString& subFolder) {
    const QString file = scratchName(folder + subFolder, scratch::kUnpack);
    work.staged << file;
    const ZipEntry in(zip_fopen_index(zip.get(), e.index, 0));
    if (!in) bad(Tr::tr("%1 无法解压：%2").arg(name, zipMessage(zip.get())));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
      throw Error(Tr::tr("无法写入 %1：%2").arg(shown(file), out.errorString()));
    zip_uint64_t total = 0;
    QByteArray head;  // the first bytes, to tell a picture
    for (;;) {
      // The CRC is checked when the end is read: a damaged entry fails here.
      const zip_int64_t n = zip_fread(in.get(), buffer.data(), zip_uint64_t(buffer.size()));
      if (n < 0)
        bad(Tr::tr("%1 已损坏：%2")
                .arg(name, QString::fromUtf8(zip_error_strerror(zip_file_get_error(in.get())))));
      if (n == 0) break;
      total += zip_uint64_t(n);
      if (total > e.size) bad(Tr::tr("%1 解压后比记录的大小更大").arg(name));
      if (head.size() < 3) head += QByteArray(buffer.constData(), int(std::min<zip_int64_t>(n, 3)));
      if (out.write(buffer.constData(), n) != n)
        throw Error(Tr::tr("无法写入 %1：%2").arg(shown(file), out.errorString()));
    }
    if (!out.flush()) throw Error(Tr::tr("无法写入 %1：%2").arg(shown(file), out.errorString()));
    out.close();
    // Every photo this program writes is a JPEG; anything else in its place was put there by hand.
    const bool photo = name.startsWith(QLatin1String("zp/")) || name.startsWith(sharpPrefix);
    if (photo && !head.startsWith("\xFF\xD8\xFF")) bad(Tr::tr("照片 %1 不是 JPEG 图片").arg(name));
    reached("staged");
    return file;
  };

  // The database first: it must open with the password, hold only what this program makes, and its
  // roster says which photos are taken.
  const QString stagedDb = stage(*database, kDatabaseEntry, QStringLiteral("db"));
  Roster roster;
  {
    Connection connection;
    connection.setConnectionString(TDataModule1::connectionStringFor(folder), stagedDb);
    Query q(connection);
    try {
      roster = readRoster(q);
    } catch (const ForeignSchemaError& e) {
      bad(Tr::tr("其中的数据库有本程序不会建立的结构（%1），可能被人改动过，不予解包").arg(e.object()));
    } catch (const std::exception& e) {
      bad(Tr::tr("其中的数据库无法用活动密码打开（%1）").arg(QString::fromUtf8(e.what())));
    }
  }
  QStringList missing;
  zip_uint64_t total = database->size;
  for (const QString& name : roster.photos) {
    if (!photos.contains(name))
      missing << name;
    else
      total += photos.value(name).size;
  }
  if (!missing.isEmpty())
    bad(Tr::tr("缺少名单中 %1 位员工的照片：%2").arg(missing.size()).arg(listed(missing)));
  for (const Entry& e : std::as_const(themePictures)) total += e.size;
  const QSet<QString> named(roster.photos.cbegin(), roster.photos.cend());
  // A copy whose photo is not the roster's is left out, as a photo the roster does not name is.
  QStringList sharpNames;
  for (const QString& photo : roster.photos)
    if (sharpPhotos.contains(photo)) {
      sharpNames << photo;
      total += sharpPhotos.value(photo).size;
    }
  if (total > kMaxTotalBytes) bad(Tr::tr("解压后共超过 %1 的上限").arg(megabytes(kMaxTotalBytes)));
  PackSummary summary{roster.participants,      int(roster.photos.size()),
                      int(sharpNames.size()),   {},
                      !themePictures.isEmpty(), {}};
  for (auto it = photos.cbegin(); it != photos.cend(); ++it)
    if (!named.contains(it.key())) summary.skipped << it.key();
  for (auto it = sharpPhotos.cbegin(); it != sharpPhotos.cend(); ++it)
    if (!named.contains(it.key())) summary.skipped << sharpPrefix + it.key();
  summary.skipped.sort();
  for (const QString& photo : roster.photos)
    if (const QFileInfo existing(folder + QStringLiteral("zp/") + photo);
        existing.exists() || existing.isSymLink())
      throw Error(
          Tr::tr("%1 的 zp 文件夹中已有照片 %2，不会覆盖。请换一个空文件夹").arg(shown(folder), photo));
  for (const QString& photo : sharpNames)
    if (const QFileInfo existing(folder + sharpPrefix + photo); existing.exists() || existing.isSymLink())
      throw Error(Tr::tr("%1 的 %2 文件夹中已有照片 %3，不会覆盖。请换一个空文件夹")
                      .arg(shown(folder), kSharpPhotoFolder, photo));
  if (!sharpNames.isEmpty()) {
    work.madeSharp = !QFileInfo::exists(folder + kSharpPhotoFolder);
    if (!QDir().mkpath(folder + kSharpPhotoFolder))
      throw Error(Tr::tr("无法在 %1 中创建 %2 文件夹").arg(shown(folder), kSharpPhotoFolder));
  }

  QStringList themeNames = themePictures.keys();
  themeNames.sort();
  for (const QString& name : themeNames)
    if (const QFileInfo existing(folder + name); existing.exists() || existing.isSymLink())
      throw Error(Tr::tr("%1 中已有 %2，不会覆盖。请换一个空文件夹").arg(shown(folder), name));

  QStringList stagedPhotos, placedNames;
  for (const QString& photo : roster.photos) {
    stagedPhotos << stage(photos.value(photo), QStringLiteral("zp/") + photo, QStringLiteral("zp"));
    placedNames << QStringLiteral("zp/") + photo;
  }
  for (const QString& photo : sharpNames) {
    stagedPhotos << stage(sharpPhotos.value(photo), sharpPrefix + photo, kSharpPhotoFolder);
    placedNames << sharpPrefix + photo;
  }
  if (!themeNames.isEmpty()) {
    const QString zt = folder + QStringLiteral("zt");
    if (QFileInfo(zt).isSymLink() || (QFileInfo::exists(zt) && !QFileInfo(zt).isDir()))
      throw Error(Tr::tr("%1 不是文件夹，舞台图片无法解包").arg(shown(zt)));
    work.madeZt = !QFileInfo::exists(zt);
    if (!QDir().mkpath(zt)) throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(zt)));
  }
  for (const QString& name : themeNames) {
    const QString staged = stage(themePictures.value(name), name, QStringLiteral("zt"));
    // A picture is taken only when it decodes as the stored form of its kind.
    QFile in(staged);
    if (!in.open(QIODevice::ReadOnly)) throw Error(Tr::tr("无法读取 %1").arg(shown(staged)));
    try {
      storedThemePicture(themeKinds.value(name), in.readAll(), name);
    } catch (const Error& e) {
      bad(e.message());
    }
    stagedPhotos << staged;
    placedNames << name;
  }
  if (!syncFileSystem(folder)) throw Error(Tr::tr("无法写入 %1").arg(shown(folder)));
  reached("synced");

  // From here the record says which photos go again if the database never takes its place.
  work.record = writeBatchRecord(folder, scratch::kUnpack, kDatabaseEntry, placedNames);
  reached("recorded");
  for (qsizetype i = 0; i < stagedPhotos.size(); ++i) {
    const QString target = folder + placedNames[i];
    if (!renameNoReplace(stagedPhotos[i], target)) throw Error(Tr::tr("无法放置照片 %1").arg(shown(target)));
    work.staged.removeOne(stagedPhotos[i]);
    work.placed << target;
    reached("placed");
  }
  syncFolder(folder + QStringLiteral("zp"));
  if (!sharpNames.isEmpty()) syncFolder(folder + kSharpPhotoFolder);
  if (!themeNames.isEmpty()) syncFolder(folder + QStringLiteral("zt"));
  // The database last: the event exists once it is in place.
  const QString dbTarget = folder + kDatabaseEntry;
  if (!renameNoReplace(stagedDb, dbTarget)) throw Error(Tr::tr("无法放置活动数据库 %1").arg(shown(dbTarget)));
  work.done = true;
  syncFolder(folder + QStringLiteral("db"));
  reached("committed");
  QFile::remove(work.record);
  syncFolder(folder);
  return summary;
}

}  // namespace ld
