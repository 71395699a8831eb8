// The one tidy-up of what interrupted writes leave: a replaced original comes back, an unfinished batch
// goes, our scratch files go, and nothing of anyone else's is touched.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "support/temp_app.h"

using namespace ld;

namespace {

class ScratchFiles : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const { test::writeFile(path(name), bytes); }
  QByteArray read(const QString& name) const { return test::readFile(path(name)); }
  QStringList entries(const QString& sub = {}) const {
    return QDir(path(sub)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                     QDir::Name);
  }
  // Runs `work` in a child that ends without any destructor or clean-up, as a killed program does.
  static void cutShort(const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
      work();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  QTemporaryDir dir_;
};

TEST_F(ScratchFiles, AnOriginalWhoseReplacementWasCutShortComesBack) {
  for (const QString& stem : {scratch::kPhotoOld, scratch::kImportOld}) {
    SCOPED_TRACE(stem.toStdString());
    write(QStringLiteral("销售部_张三.jpg"), "original");
    write(QStringLiteral("ready"), "replacement");
    cutShort([&] {
      FilePlacement placement(path(QStringLiteral("销售部_张三.jpg")), stem);
      if (placement.place(path(QStringLiteral("ready")))) ::_exit(1);
      ::_exit(0);
    });
    ASSERT_EQ(read(QStringLiteral("销售部_张三.jpg")), QByteArray("replacement"));
    ASSERT_EQ(entries().size(), 3) << "the kept original and its record";

    const TidyResult result = tidyScratchFiles(dir_.path());
    EXPECT_EQ(result.restored, 1);
    EXPECT_EQ(read(QStringLiteral("销售部_张三.jpg")), QByteArray("original"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("销售部_张三.jpg")});
  }
}

TEST_F(ScratchFiles, OursGoAndNothingElseIsTouched) {
  const QStringList ours = {QStringLiteral(".~new-0123456789abcdef.tmp"),
                            QStringLiteral(".~import-new-0123456789abcdef.tmp"),
                            QStringLiteral(".~import-old-0123456789abcdef.tmp"),
                            QStringLiteral(".~unpack-0123456789abcdef.tmp"),
                            QStringLiteral(".~unpack-0123456789abcdef.tmp-journal"),
                            QStringLiteral(".~pack-0123456789abcdef.zip"),
                            QStringLiteral(".~pack-0123456789abcdef.zip.Xy12Ab"),
                            QStringLiteral(".~export-0123456789abcdef.xlsx"),
                            QStringLiteral(".~mirror-0123456789abcdef.mdb"),
                            QStringLiteral(".~mirror-0123456789abcdef.mdb-journal"),
                            QStringLiteral(".~mirror-0123456789abcdef.jpg")};
  const QStringList foreign = {QStringLiteral(".~x"),
                               QStringLiteral(".~new-0123.tmp"),
                               QStringLiteral(".~new-0123456789abcdef.tmp.jpg"),
                               QStringLiteral(".~other-0123456789abcdef.tmp"),
                               QStringLiteral(".~mirror-notes.txt"),
                               QStringLiteral(".~NEW-0123456789abcdef.tmp"),
                               QStringLiteral(".hidden.jpg"),
                               QStringLiteral("temp.jpg"),
                               QStringLiteral("x.tmp")};
  for (const QString& name : ours + foreign) write(name, "x");
  // A folder of our name is nobody's scratch file, except the staging folder earlier unpacks made.
  QDir().mkpath(path(QStringLiteral(".~old-00000000000000aa.tmp")));
  write(QStringLiteral(".~unpack-00000000000000cd/zp/a.jpg"), "staged");

  EXPECT_EQ(tidyScratchFiles(dir_.path()).removed, ours.size() + 1);
  QStringList expected = foreign;
  expected << QStringLiteral(".~old-00000000000000aa.tmp");
  expected.sort();
  EXPECT_EQ(entries(), expected);
}

TEST_F(ScratchFiles, AnUnfinishedBatchGoesAndAFinishedOneStays) {
  for (const bool committed : {false, true}) {
    SCOPED_TRACE(committed);
    write(QStringLiteral("zp/a.jpg"), "new");
    write(QStringLiteral("zp/b.jpg"), "new");
    write(QStringLiteral("zp/other.jpg"), "someone else's");
    const QString record = writeBatchRecord(dir_.path(), scratch::kUnpack, QStringLiteral("db/db.mdb"),
                                            {QStringLiteral("zp/a.jpg"), QStringLiteral("zp/b.jpg")});
    if (committed) write(QStringLiteral("db/db.mdb"), "event");
    tidyEventFolder(dir_.path());
    EXPECT_FALSE(QFile::exists(record));
    EXPECT_EQ(entries(QStringLiteral("zp")),
              committed ? (QStringList{"a.jpg", "b.jpg", "other.jpg"}) : QStringList{"other.jpg"});
    QFile::remove(path(QStringLiteral("db/db.mdb")));
  }
}

// A record is data on disk: one that names anything outside its folder is dropped, never followed.
TEST_F(ScratchFiles, ARecordNeverReachesOutsideItsFolder) {
  write(QStringLiteral("outside.jpg"), "keep");
  write(QStringLiteral("in/.~old-0123456789abcdef.tmp"), "kept");
  write(QStringLiteral("in/.~old-0123456789abcdef.orig"), "../outside.jpg");
  write(QStringLiteral("in/.~unpack-0123456789abcdef.list"), "db/db.mdb\n../outside.jpg\n");
  tidyScratchFiles(path(QStringLiteral("in")));
  EXPECT_EQ(read(QStringLiteral("outside.jpg")), QByteArray("keep"));
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList());
}

}  // namespace
