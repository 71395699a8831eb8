// Scratch names, new files that leave nothing half-written, placing a file with the old one kept until
// commit, and descriptors that close themselves.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <vector>

#include "framework/file_safety.h"
#include "support/temp_app.h"

using namespace ld;

namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

class FileSafety : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const { test::writeFile(path(name), bytes); }
  QByteArray read(const QString& name) const { return test::readFile(path(name)); }
  // Everything in the folder, hidden scratch files included.
  QStringList entries() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }

  QTemporaryDir dir_;
};

TEST(UniqueFdTest, ClosesOnceWhateverWayItsOwnerGoes) {
  int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  { const UniqueFd owner(fd); }
  EXPECT_FALSE(isOpen(fd)) << "destroyed";

  fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  UniqueFd first(fd);
  UniqueFd second(std::move(first));
  EXPECT_FALSE(first.valid());
  first = UniqueFd();  // the moved-from owner must not close what it handed over
  EXPECT_TRUE(isOpen(fd)) << "moved";
  second.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  EXPECT_FALSE(isOpen(fd)) << "reset";

  const int kept = second.release();
  second.reset();
  EXPECT_TRUE(isOpen(kept)) << "released";
  ::close(kept);
}

TEST_F(FileSafety, ScratchNamesAreHiddenRandomAndBesideTheirFolder) {
  const struct {
    QString folder, stem, suffix, pattern;
  } cases[] = {
      {dir_.path(), QStringLiteral("new"), QStringLiteral(".tmp"),
       QStringLiteral("/\\.~new-[0-9a-f]{16}\\.tmp$")},
      {dir_.path() + QLatin1Char('/'), QStringLiteral("import-old"), QStringLiteral(".tmp"),
       QStringLiteral("[^/]/\\.~import-old-[0-9a-f]{16}\\.tmp$")},
      {dir_.path(), QStringLiteral("unpack"), QStringLiteral("/"),
       QStringLiteral("/\\.~unpack-[0-9a-f]{16}/$")},
  };
  for (const auto& c : cases) {
    const QString name = scratchName(c.folder, c.stem, c.suffix);
    EXPECT_TRUE(name.startsWith(dir_.path() + QLatin1Char('/'))) << qPrintable(name);
    EXPECT_TRUE(QRegularExpression(c.pattern).match(name).hasMatch()) << qPrintable(name);
    EXPECT_NE(name, scratchName(c.folder, c.stem, c.suffix));
  }
}

TEST_F(FileSafety, NewFileIsWholeOrAbsent) {
  EXPECT_EQ(writeNewFile(path(QStringLiteral("a")), "photo", Durability::Synced), QString());
  EXPECT_EQ(read(QStringLiteral("a")), "photo");

  // Never over something already there.
  EXPECT_NE(writeNewFile(path(QStringLiteral("a")), "other", Durability::Unsynced), QString());
  EXPECT_EQ(read(QStringLiteral("a")), "photo");

  // A write the file system cuts short leaves nothing behind.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const QString why = writeNewFile(path(QStringLiteral("b")), QByteArray(4096, 'x'), Durability::Unsynced);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_NE(why, QString());
  EXPECT_EQ(entries(), QStringList{QStringLiteral("a")});
}

TEST_F(FileSafety, SyncReportsAFolderItCannotOpen) {
  EXPECT_TRUE(syncFolder(dir_.path()));
  EXPECT_TRUE(syncFolderOf(path(QStringLiteral("not-yet"))));
  EXPECT_TRUE(syncFileSystem(dir_.path()));
  EXPECT_FALSE(syncFolder(path(QStringLiteral("missing"))));
  EXPECT_FALSE(syncFileSystem(path(QStringLiteral("missing"))));
}

// What lies at the target after each way a placement ends, with and without an old file there.
TEST_F(FileSafety, PlacementEndsInTheNewFileOnlyWhenCommitted) {
  enum class End { Commit, Rollback, Destroy };
  const struct {
    bool oldThere;
    End end;
    QByteArray expected;
  } cases[] = {
      {true, End::Commit, "new"},  {true, End::Rollback, "old"},        {true, End::Destroy, "old"},
      {false, End::Commit, "new"}, {false, End::Rollback, "<missing>"}, {false, End::Destroy, "<missing>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "old there " << c.oldThere << ", end " << int(c.end));
    QFile::remove(path(QStringLiteral("t.jpg")));
    if (c.oldThere) write(QStringLiteral("t.jpg"), "old");
    write(QStringLiteral(".~new-ready.tmp"), "new");
    {
      FilePlacement placement(path(QStringLiteral("t.jpg")));
      ASSERT_FALSE(placement.place(path(QStringLiteral(".~new-ready.tmp"))));
      EXPECT_EQ(read(QStringLiteral("t.jpg")), "new");
      // Until the end the old file lives on under a second name, with a record of the name it had.
      const QStringList kept = entries().filter(QRegularExpression(QStringLiteral("^\\.~old-.*\\.tmp$")));
      EXPECT_EQ(kept.size(), c.oldThere ? 1 : 0);
      if (!kept.isEmpty()) {
        EXPECT_EQ(read(kept.front()), "old");
        EXPECT_EQ(read(kept.front().chopped(4) + QStringLiteral(".orig")), "t.jpg");
      }
      if (c.end == End::Commit) placement.commit();
      if (c.end == End::Rollback) placement.rollback();
    }
    EXPECT_EQ(read(QStringLiteral("t.jpg")), c.expected);
    const QStringList left = entries();
    EXPECT_EQ(left, c.expected == "<missing>" ? QStringList() : QStringList{QStringLiteral("t.jpg")});
  }
}

TEST_F(FileSafety, FailedPlacementChangesNothing) {
  write(QStringLiteral("t.jpg"), "old");
  FilePlacement placement(path(QStringLiteral("t.jpg")));
  const auto failure = placement.place(path(QStringLiteral(".~new-gone.tmp")));
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->step, FilePlacement::Step::Placing);
  placement.rollback();
  EXPECT_EQ(read(QStringLiteral("t.jpg")), "old");
  EXPECT_EQ(entries(), QStringList{QStringLiteral("t.jpg")});
}

// A batch keeps its placements in a vector: moving one must move the duty to roll back, not copy it.
TEST_F(FileSafety, MovedPlacementsRollBackOnceWithTheirOwnBackupNames) {
  std::vector<FilePlacement> placed;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    write(QString::fromLatin1(name), "old");
    write(QStringLiteral(".~import-new-x.tmp"), "new");
    FilePlacement& p = placed.emplace_back(path(QString::fromLatin1(name)), QStringLiteral("import-old"));
    ASSERT_FALSE(p.place(path(QStringLiteral(".~import-new-x.tmp"))));
  }
  EXPECT_EQ(
      entries().filter(QRegularExpression(QStringLiteral("^\\.~import-old-[0-9a-f]{16}\\.tmp$"))).size(), 3);
  for (auto it = placed.rbegin(); it != placed.rend(); ++it) it->rollback();
  placed.clear();
  EXPECT_EQ(entries(),
            (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) EXPECT_EQ(read(QString::fromLatin1(name)), "old");
}

}  // namespace
