// libFuzzer entry for the event archive's checks: any bytes given to unpack as an archive must end in a
// laid-out event or an ld::Error, never in a crash, a leak or undefined behaviour, and never with a file
// outside the target folder or an event whose database holds what this program does not make. The
// SQLCipher database inside is checked as unpack checks it, through a file beside its place.
// Built and run by tests/fuzz/run_archive_fuzz.sh.
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "framework/errors.h"
#include "transfer/event_pack.h"

namespace {

QString g_work;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "archive fuzz: %s\n", what);
    __builtin_trap();
  }
}

// An event made as eventdb makes it, with `statements` run on its database.
QByteArray eventDatabase(const QString& folder, const char* statements) {
  QDir(folder).removeRecursively();
  ld::createEventDatabase(folder);
  const QString path = folder + QStringLiteral("/db/db.mdb");
  sqlite3* db = nullptr;
  check(sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK, "seed open");
  sqlite3_key(db, ld::kDatabasePassword, int(std::strlen(ld::kDatabasePassword)));
  check(sqlite3_exec(db, statements, nullptr, nullptr, nullptr) == SQLITE_OK, sqlite3_errmsg(db));
  sqlite3_close(db);
  QFile f(path);
  check(f.open(QIODevice::ReadOnly), "seed read");
  return f.readAll();
}

void writeArchive(const std::string& path, const std::vector<std::pair<std::string, QByteArray>>& files) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  check(z != nullptr, "seed archive");
  for (const auto& [name, bytes] : files) {
    zip_source_t* s = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    check(zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8) >= 0, "seed entry");
  }
  check(zip_close(z) == 0, "seed close");
}

void writeSeeds(const std::string& dir) {
  const QString scratch = g_work + QStringLiteral("/seed");
  const char* one = "insert into yglb (xm, bm, zp) values ('A', 'B', 'zp\\B_A.jpg');";
  const QByteArray db = eventDatabase(scratch, one);
  const QByteArray rigged = eventDatabase(
      scratch,
      (std::string(one) + "create trigger rig after update of zj on yglb when new.zj>0 and new.id<>1 begin "
                          "update yglb set zj=new.zj, zjsx=new.zjsx where id=1; end;")
          .c_str());
  const QByteArray view = eventDatabase(scratch, (std::string(one) + "create view v as select 1;").c_str());
  QDir(scratch).removeRecursively();
  const QByteArray photo("\xFF\xD8\xFF\xD9", 4);
  writeArchive(dir + "/event", {{"db/db.mdb", db}, {"zp/B_A.jpg", photo}});
  writeArchive(dir + "/rigged", {{"db/db.mdb", rigged}, {"zp/B_A.jpg", photo}});
  writeArchive(dir + "/view", {{"db/db.mdb", view}, {"zp/B_A.jpg", photo}});
  writeArchive(dir + "/extra", {{"db/db.mdb", db}, {"zp/B_A.jpg", photo}, {"zp/other.jpg", photo}});
  writeArchive(dir + "/escape", {{"db/db.mdb", db}, {"zp/B_A.jpg", photo}, {"zp/../../x", photo}});
  writeArchive(
      dir + "/sharp",
      {{"db/db.mdb", db}, {"zp/B_A.jpg", photo}, {"zpgq/B_A.jpg", photo}, {"zpgq/other.jpg", photo}});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  const char* tmp = std::getenv("TMPDIR");
  g_work =
      QStringLiteral("%1/ld-archive-fuzz-%2").arg(QString::fromLocal8Bit(tmp ? tmp : "/tmp")).arg(getpid());
  QDir().mkpath(g_work);
  if (const char* dir = std::getenv("LD_ARCHIVE_FUZZ_SEEDS")) writeSeeds(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString archive = g_work + QStringLiteral("/in.zip");
  const QString target = g_work + QStringLiteral("/event/");
  {
    QFile f(archive);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "input write");
    check(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size), "input write");
  }
  bool unpacked = false;
  try {
    const ld::PackSummary summary = ld::unpackEvent(archive, target);
    unpacked = true;
    // What was laid out opens again, the schema check included, and holds exactly the named photos.
    ld::Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(target));
    c.setConnected(true);
    check(QDir(target + QStringLiteral("zp")).entryList(QDir::Files | QDir::Hidden).size() == summary.photos,
          "photos other than the roster's were laid out");
  } catch (const std::exception&) {
    check(!unpacked, "an unpacked event does not open");
  }
  // Nothing beside the target, and after a refusal nothing in it.
  const QStringList beside = QDir(g_work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  check(beside == (QStringList{QStringLiteral("event"), QStringLiteral("in.zip")}) ||
            beside == QStringList{QStringLiteral("in.zip")},
        "a file was written outside the target");
  if (!unpacked)
    check(!QFileInfo::exists(target) ||
              QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty(),
          "a refused archive left files");
  QDir(target).removeRecursively();
  return 0;
}
