// One program per event folder, between real processes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "framework/errors.h"
#include "framework/event_lock.h"

using namespace ld;

namespace {

QString lockError(const QString& folder) {
  try {
    EventLock lock(folder);
  } catch (const Error& e) {
    return e.message();
  }
  return {};
}

// Another copy of this test program holding the lock on `folder` until it is killed or its input ends.
class Holder {
 public:
  explicit Holder(const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LOCK_FOLDER"), folder);
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_filter=EventLock.IsHeldUntilItsProgramIsKilled")});
    while (!process_.readAllStandardOutput().contains("LOCK HELD") &&
           process_.state() != QProcess::NotRunning)
      process_.waitForReadyRead(1000);
  }
  ~Holder() {
    process_.kill();
    process_.waitForFinished();
  }
  QProcess& process() { return process_; }

 private:
  QProcess process_;
};

}  // namespace

TEST(EventLock, IsHeldUntilItsProgramIsKilled) {
  if (qEnvironmentVariableIsSet("LD_LOCK_FOLDER")) {  // the holder: lock, say so, wait for the end
    EventLock lock(qEnvironmentVariable("LD_LOCK_FOLDER"));
    std::puts("LOCK HELD");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return;
  }
  QTemporaryDir event;
  const QString folder = event.path() + QStringLiteral("/年会 活动;1/");
  ASSERT_TRUE(QDir().mkpath(folder));
  Holder first(folder);
  ASSERT_EQ(first.process().state(), QProcess::Running);

  const QString refused = lockError(folder);
  EXPECT_TRUE(refused.contains(QStringLiteral("正被另一个程序")) && refused.contains(event.path()))
      << refused.toStdString();
  // The same folder reached another way is the same event.
  ASSERT_TRUE(QFile::link(folder, event.path() + QStringLiteral("/link")));
  EXPECT_FALSE(lockError(event.path() + QStringLiteral("/link")).isEmpty());
  EXPECT_FALSE(lockError(folder + QStringLiteral("../年会 活动;1")).isEmpty());
  EXPECT_EQ(first.process().state(), QProcess::Running) << "the first program runs on, untouched";

  // Another event folder, even one inside this one, is another lock.
  ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("inner")));
  EXPECT_EQ(lockError(folder + QStringLiteral("inner")), QString());

  first.process().kill();  // SIGKILL: nothing of the holder runs any more
  ASSERT_TRUE(first.process().waitForFinished(60000));
  EXPECT_EQ(first.process().exitStatus(), QProcess::CrashExit);
  EventLock after(folder);
  EXPECT_TRUE(after.held());
  // And now the other way round: a second program is refused while this one holds it.
  Holder second(folder);
  EXPECT_EQ(second.process().state(), QProcess::NotRunning);
  EXPECT_NE(second.process().exitCode(), 0) << "the holder could not take the lock";
}

TEST(EventLock, ReleasesWhenDroppedAndMovesWithItsOwner) {
  QTemporaryDir event;
  EventLock first(event.path());
  EXPECT_FALSE(lockError(event.path()).isEmpty()) << "two locks in one program exclude each other too";
  EventLock moved(std::move(first));
  EXPECT_FALSE(first.held());
  EXPECT_TRUE(moved.held());
  EXPECT_FALSE(lockError(event.path()).isEmpty());
  moved.release();
  EXPECT_EQ(lockError(event.path()), QString());
  {
    EventLock scoped(event.path());
    EXPECT_FALSE(lockError(event.path()).isEmpty());
  }
  EXPECT_EQ(lockError(event.path()), QString());

  // A lock given another one lets go of the folder it held, and holds the other.
  QTemporaryDir other;
  EventLock holder(event.path());
  holder = EventLock(other.path());
  EXPECT_EQ(lockError(event.path()), QString()) << "the folder held before is free again";
  EXPECT_FALSE(lockError(other.path()).isEmpty());
  EXPECT_EQ(holder.folder(), QFileInfo(other.path()).absoluteFilePath());
  holder = EventLock();
  EXPECT_EQ(lockError(other.path()), QString());
}

TEST(EventLock, AFolderThatCannotBeLockedIsNamed) {
  QTemporaryDir event;
  const QString missing = event.path() + QStringLiteral("/没有这个文件夹");
  const QString file = event.path() + QStringLiteral("/file");
  QFile(file).open(QIODevice::WriteOnly);
  for (const QString& path : {missing, file}) {
    const QString message = lockError(path);
    EXPECT_TRUE(message.contains(QStringLiteral("无法锁定活动文件夹")) && message.contains(path))
        << message.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(missing)) << "locking makes no folder";
}
