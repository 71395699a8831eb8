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

TEST(EventdbJournal, PrintsOneLinePerRow) {
  TempApp app;
  EXPECT_TRUE(eventdb::journal(app.folder()).isEmpty());
  {
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(app.folder()));
    appendJournal(c, {JournalEvent::Drawn, 1, 4, 17, QStringLiteral("王芳"), QStringLiteral("销售部"), 20});
    appendJournal(c, {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
  }
  const QStringList lines = eventdb::journal(app.folder());
  ASSERT_EQ(lines.size(), 2);
  const QStringList first = lines[0].split(QLatin1Char('\t'));
  ASSERT_EQ(first.size(), 9);
  EXPECT_EQ(first.mid(2), (QStringList{QStringLiteral("drawn"), QStringLiteral("1"), QStringLiteral("4"),
                                       QStringLiteral("17"), QStringLiteral("王芳"), QStringLiteral("销售部"),
                                       QStringLiteral("20")}));
  EXPECT_EQ(lines[1].split(QLatin1Char('\t')).mid(2).join(QLatin1Char('|')),
            QStringLiteral("results cleared||||||"));

  // Reading needs no lock: it works while the program runs on the folder.
  EventLock program(app.folder());
  EXPECT_EQ(eventdb::journal(app.folder()), lines);
  QTemporaryDir empty;
  EXPECT_TRUE(refusal([&] { eventdb::journal(empty.path()); }).contains(QStringLiteral("eventdb init")));
}

}  // namespace
}  // namespace ld
