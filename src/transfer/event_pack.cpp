#include "transfer/event_pack.h"

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/online_backup.h"
#include "data/pack_store.h"
#include "data/query.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "framework/zip_handles.h"
#include "settings/photo_file.h"

namespace ld {

namespace {

constexpr zip_uint64_t kMaxDatabaseBytes = 4ULL * 1024 * 1024 * 1024;
constexpr zip_uint64_t kMaxPhotoBytes = 64ULL * 1024 * 1024;
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

}  // namespace

PackSummary packEvent(const QString& appFolder, const QString& archive, const BackupProgress& progress) {
  const QString folder = withSlash(appFolder);
  if (!holdsEvent(folder)) throw Error(Tr::tr("%1 没有活动数据库（db/db.mdb）").arg(shown(folder)));
  if (QFileInfo::exists(archive)) throw Error(Tr::tr("%1 已经存在，不会覆盖").arg(shown(archive)));
  if (QFileInfo(archive).suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) != 0)
    throw Error(Tr::tr("活动打包文件应以 .zip 结尾：%1").arg(shown(archive)));

  // The database is read from a copy taken a few pages at a time, so a draw going on meanwhile is never
  // kept waiting; the copy is one committed state, and the roster checked is the one packed.
  const QString copy =
      scratchName(QFileInfo(archive).absolutePath(), QStringLiteral("pack"), QStringLiteral(".mdb"));
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

  int error = 0;
  ZipArchive zip(zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_EXCL, &error));
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
  for (const QString& name : roster.photos) {
    const QString entry = QStringLiteral("zp/") + name;
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
  // libzip writes to a temporary file and renames it only when everything is in.
  if (zip_close(zip.get()) != 0) {
    const QString why = zipMessage(zip.get());
    QFile::remove(archive);
    throw Error(Tr::tr("无法写入 %1：%2").arg(shown(archive), why));
  }
  zip.release();
  return {roster.participants, int(roster.photos.size())};
}

PackSummary unpackEvent(const QString& archive, const QString& appFolder) {
  const QString folder = withSlash(appFolder);
  if (QFileInfo::exists(folder + kDatabaseEntry))
    throw Error(Tr::tr("%1 已经有活动数据库，不会覆盖。请换一个空文件夹").arg(shown(folder)));
  if (!QFileInfo(archive).isFile()) throw Error(Tr::tr("打包文件不存在：%1").arg(shown(archive)));

  int error = 0;
  ZipArchive zip(zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!zip) throw Error(Tr::tr("%1 不是有效的活动打包文件（无法作为 zip 打开）").arg(shown(archive)));
  const auto bad = [&](const QString& why) {
    throw Error(Tr::tr("%1 不是有效的活动打包文件：%2").arg(shown(archive), why));
  };

  // Every entry is checked before anything is written.
  struct Entry {
    zip_uint64_t index;
    QString name;  // "db/db.mdb" or "zp/<file>"
    zip_uint64_t size;
  };
  std::vector<Entry> entries;
  QSet<QString> photos;
  bool haveDatabase = false;
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(zip.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) != 0) bad(zipMessage(zip.get()));
    const QString name = QString::fromUtf8(st.name);
    if (name == QLatin1String("db/") || name == QLatin1String("zp/")) continue;
    if (name == kDatabaseEntry) {
      if (haveDatabase) bad(Tr::tr("数据库出现了两次"));
      if (st.size > kMaxDatabaseBytes) bad(Tr::tr("数据库大得不合理"));
      haveDatabase = true;
    } else {
      const QString photo = name.startsWith(QLatin1String("zp/")) ? name.mid(3) : QString();
      if (photo.isEmpty() || photo.contains(QLatin1Char('/')) || photo.contains(QLatin1Char('\\')) ||
          photo.startsWith(QLatin1Char('.')) || photos.contains(photo))
        bad(Tr::tr("包含不属于活动的文件“%1”").arg(name));
      if (st.size > kMaxPhotoBytes) bad(Tr::tr("照片 %1 大得不合理").arg(photo));
      photos.insert(photo);
    }
    entries.push_back({zip_uint64_t(i), name, st.size});
  }
  if (!haveDatabase) bad(Tr::tr("其中没有活动数据库 db/db.mdb"));
  for (const QString& photo : photos)
    if (QFileInfo::exists(folder + QStringLiteral("zp/") + photo) ||
        QFileInfo(folder + QStringLiteral("zp/") + photo).isSymLink())
      throw Error(
          Tr::tr("%1 的 zp 文件夹中已有照片 %2，不会覆盖。请换一个空文件夹").arg(shown(folder), photo));

  // A folder made here for the event goes again if the event cannot be laid out.
  const bool madeFolder = !QFileInfo::exists(folder);
  if (!QDir().mkpath(folder)) throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(folder)));
  const QString staging = scratchName(folder, QStringLiteral("unpack"), QStringLiteral("/"));
  struct Cleanup {
    QString dir, made;
    bool done = false;
    ~Cleanup() {
      if (!dir.isEmpty()) QDir(dir).removeRecursively();
      if (!done && !made.isEmpty()) {
        // Only what this unpack made, and only while empty.
        QDir().rmdir(made + QStringLiteral("db"));
        QDir().rmdir(made + QStringLiteral("zp"));
        QDir().rmdir(made);
      }
    }
  } cleanup{staging, madeFolder ? folder : QString()};
  if (!QDir().mkpath(staging + QStringLiteral("db")) || !QDir().mkpath(staging + QStringLiteral("zp")))
    throw Error(Tr::tr("无法在 %1 中写入").arg(shown(folder)));

  QByteArray buffer(1 << 20, Qt::Uninitialized);
  for (const Entry& e : entries) {
    const ZipEntry in(zip_fopen_index(zip.get(), e.index, 0));
    if (!in) bad(Tr::tr("%1 无法解压：%2").arg(e.name, zipMessage(zip.get())));
    QFile out(staging + e.name);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
      throw Error(Tr::tr("无法写入 %1：%2").arg(shown(out.fileName()), out.errorString()));
    zip_uint64_t total = 0;
    for (;;) {
      // The CRC is checked when the end is read: a damaged entry fails here.
      const zip_int64_t n = zip_fread(in.get(), buffer.data(), zip_uint64_t(buffer.size()));
      if (n < 0)
        bad(Tr::tr("%1 已损坏：%2")
                .arg(e.name, QString::fromUtf8(zip_error_strerror(zip_file_get_error(in.get())))));
      if (n == 0) break;
      total += zip_uint64_t(n);
      if (total > e.size || out.write(buffer.constData(), n) != n)
        throw Error(Tr::tr("无法写入 %1：%2").arg(shown(out.fileName()), out.errorString()));
    }
    out.close();
  }

  // The database must open with the password, and every photo its roster names must be there.
  Roster roster;
  {
    Connection connection;
    connection.setConnectionString(TDataModule1::connectionStringFor(staging));
    Query q(connection);
    try {
      roster = readRoster(q);
    } catch (const std::exception& e) {
      bad(Tr::tr("其中的数据库无法用活动密码打开（%1）").arg(QString::fromUtf8(e.what())));
    }
  }
  QStringList missing;
  for (const QString& name : roster.photos)
    if (!photos.contains(name)) missing << name;
  if (!missing.isEmpty())
    bad(Tr::tr("缺少名单中 %1 位员工的照片：%2").arg(missing.size()).arg(listed(missing)));

  // Photos first, the database last: an event appears only once it is complete.
  if (!QDir().mkpath(folder + QStringLiteral("zp")) || !QDir().mkpath(folder + QStringLiteral("db")))
    throw Error(Tr::tr("无法在 %1 中创建 db 和 zp 文件夹").arg(shown(folder)));
  QStringList moved;
  const auto undo = [&] {
    for (const QString& m : moved) QFile::remove(m);
  };
  for (const QString& photo : photos) {
    const QString target = folder + QStringLiteral("zp/") + photo;
    if (QFileInfo::exists(target) || !renameFile(staging + QStringLiteral("zp/") + photo, target)) {
      undo();
      throw Error(Tr::tr("无法放置照片 %1").arg(shown(target)));
    }
    moved << target;
  }
  const QString dbTarget = folder + kDatabaseEntry;
  if (QFileInfo::exists(dbTarget) || !renameFile(staging + kDatabaseEntry, dbTarget)) {
    undo();
    throw Error(Tr::tr("无法放置活动数据库 %1").arg(shown(dbTarget)));
  }
  cleanup.done = true;
  return {roster.participants, int(photos.size())};
}

}  // namespace ld
