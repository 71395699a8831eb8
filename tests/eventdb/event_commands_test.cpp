// The eventdb commands, run in this process. The tool has no library target; its sources are compiled in.
#include "../../tools/eventdb/event_commands.cpp"
#include "../../tools/eventdb/demo_roster.cpp"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>

#include "support/temp_app.h"

namespace ld {
namespace {

using test::TempApp;

QString refusal(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return {};
}

QByteArray digest(const QString& path) {
  return QCryptographicHash::hash(test::readFile(path), QCryptographicHash::Sha256);
}

QStringList photos(const TempApp& app) { return QDir(app.path(QStringLiteral("zp"))).entryList(QDir::Files); }

TEST(EventdbLock, WritingCommandsRefuseWhileTheEventIsOpen) {
  TempApp app(/*withDatabase=*/false);
  QTemporaryDir fresh;
  {
    EventLock program(app.folder());  // the lucky draw running on the folder
    const QString message = refusal([&] { eventdb::init(app.folder()); });
    EXPECT_TRUE(message.contains(QStringLiteral("正被另一个程序"))) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(app.dbPath()));
  }
  eventdb::init(app.folder());
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  const QByteArray before = digest(app.dbPath());
  const QStringList photosBefore = photos(app);
  {
    EventLock program(app.folder());
    const QString message = refusal([&] { eventdb::demo(app.folder(), {3, 0}); });
    EXPECT_TRUE(message.contains(QStringLiteral("正被另一个程序")) &&
                message.contains(QDir(app.folder()).absolutePath()))
        << message.toStdString();
    EXPECT_EQ(digest(app.dbPath()), before);
    EXPECT_EQ(photos(app), photosBefore);
  }
  // The lock ends with each command: one after the other they all run.
  eventdb::init(fresh.path());
  eventdb::demo(fresh.path(), {2, 0});
  eventdb::demo(fresh.path(), {0, 0});
  EXPECT_EQ(QDir(fresh.path() + QStringLiteral("/zp")).entryList(QDir::Files).size(), 2);
}

}  // namespace
}  // namespace ld
