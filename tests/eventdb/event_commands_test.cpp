// The eventdb commands, run in this process.
#include "eventdb/event_commands.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>

#include "data/journal.h"
#include "eventdb/demo_roster.h"
#include "framework/event_lock.h"
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
    const QString message = refusal([&] { eventdb::demo(app.folder(), {3, 0, true}); });
    EXPECT_TRUE(message.contains(QStringLiteral("正被另一个程序")) &&
                message.contains(QDir(app.folder()).absolutePath()))
        << message.toStdString();
    EXPECT_EQ(digest(app.dbPath()), before);
    EXPECT_EQ(photos(app), photosBefore);
  }
  // The lock ends with each command: one after the other they all run.
  eventdb::init(fresh.path());
  eventdb::demo(fresh.path(), {2, 0, false});
  eventdb::demo(fresh.path(), {0, 0, true});
  EXPECT_EQ(QDir(fresh.path() + QStringLiteral("/zp")).entryList(QDir::Files).size(), 2);
}

QString photoOf(const DemoPerson& p) {
  return p.department + QLatin1Char('_') + p.name + QStringLiteral(".jpg");
}

TEST(EventdbDemo, NeverDamagesAnEvent) {
  TempApp app;
  const auto candidates = demoRoster(3);
  // The operator's own participant, who happens to carry the first demo name, and a photo file of the second
  // that the roster does not name.
  const int own = app.addParticipant(candidates[0].name, candidates[0].department, true, Qt::red);
  const QString ownPhoto = app.path(QStringLiteral("zp/") + photoOf(candidates[0]));
  const QString stray = app.path(QStringLiteral("zp/") + photoOf(candidates[1]));
  test::writeFile(stray, "not ours");
  const QByteArray ownBytes = test::readFile(ownPhoto);
  const QByteArray before = digest(app.dbPath());

  const QString message = refusal([&] { eventdb::demo(app.folder(), {5, 0, false}); });
  EXPECT_TRUE(message.contains(QStringLiteral("--append")) && message.contains(QStringLiteral("1 位")))
      << message.toStdString();
  EXPECT_EQ(digest(app.dbPath()), before);
  EXPECT_EQ(photos(app).size(), 2);

  EXPECT_EQ(eventdb::demo(app.folder(), {5, 0, true}), 5);
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb")), 6);
  EXPECT_EQ(app.count(QStringLiteral("select xm from yglb group by xm, bm having count(*) > 1")), 0);
  EXPECT_EQ(app.count(QStringLiteral("select zp from yglb group by zp having count(*) > 1")), 0);
  EXPECT_EQ(app.rows(QStringLiteral("select id from yglb where xm='%1'").arg(candidates[1].name)),
            QStringList())
      << "a name whose photo file exists is skipped";
  EXPECT_EQ(test::readFile(ownPhoto), ownBytes);
  EXPECT_EQ(test::readFile(stray), QByteArray("not ours"));
  EXPECT_EQ(app.rows(QStringLiteral("select zj, zp from yglb where id=%1").arg(own)),
            QStringList{QStringLiteral("0|zp\\") + photoOf(candidates[0])});
  // Every added participant has its own new photo.
  QStringList zp = app.rows(QStringLiteral("select zp from yglb where id<>%1").arg(own));
  for (QString& z : zp) {
    z.remove(0, 3);
    EXPECT_TRUE(QImage(app.path(QStringLiteral("zp/")) + z).size() == QSize(480, 360)) << z.toStdString();
    // With the sharper copy for the big screen.
    EXPECT_TRUE(QImage(app.path(QStringLiteral("zpgq/")) + z).size() == QSize(1440, 1080)) << z.toStdString();
  }
  EXPECT_EQ(photos(app).size(), 7);
}

TEST(EventdbDemo, AFailureLeavesTheEventAsItWas) {
  TempApp app;
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  // The third new row is refused by the database, after two photos were written.
  app.exec(
      QStringLiteral("create trigger full before insert on yglb when (select count(*) from yglb) >= 3 "
                     "begin select raise(abort, 'full'); end"));
  const QStringList photosBefore = photos(app);
  const QStringList rowsBefore = app.rows(QStringLiteral("select id, xm, bm, zp, zj, zjsx from yglb"));
  EXPECT_TRUE(refusal([&] { eventdb::demo(app.folder(), {4, 0, true}); }).contains(QStringLiteral("full")));
  EXPECT_EQ(app.rows(QStringLiteral("select id, xm, bm, zp, zj, zjsx from yglb")), rowsBefore);
  EXPECT_EQ(photos(app), photosBefore);
  EXPECT_FALSE(QFileInfo::exists(app.path(QStringLiteral("zpgq")))) << "nor their sharper copies";
}

TEST(EventdbDemo, SharedPhotosAreHardLinks) {
  TempApp app;
  EXPECT_EQ(eventdb::demo(app.folder(), {5, 2, false}), 5);
  const QStringList files = photos(app);
  ASSERT_EQ(files.size(), 5);
  QSet<QByteArray> contents;
  for (const QString& name : files) {
    const QString file = app.path(QStringLiteral("zp/")) + name;
    EXPECT_FALSE(QFileInfo(file).isSymLink()) << "a link that breaks when the event folder moves";
    contents.insert(test::readFile(file));
  }
  EXPECT_EQ(contents.size(), 2);
}

TEST(EventdbJournal, PrintsOneLinePerRow) {
  TempApp app;
  EXPECT_TRUE(eventdb::journal(app.folder()).isEmpty());
  {
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(app.folder()));
    appendJournal(c, {JournalEvent::Drawn, 1, 4, 17, QStringLiteral("王芳"), QStringLiteral("销售部"), 20,
                      QStringLiteral("幸运奖"), QStringLiteral("仅限部门：销售部")});
    appendJournal(c, {JournalEvent::ResultsCleared, {}, {}, {}, {}, {}, {}});
    appendJournal(c, {JournalEvent::Voided,
                      2,
                      100,
                      18,
                      QStringLiteral("李雷"),
                      QStringLiteral("研发部"),
                      {},
                      QStringLiteral("特别奖"),
                      {},
                      QStringLiteral("本人放弃\t不领")});
  }
  const QStringList lines = eventdb::journal(app.folder());
  ASSERT_EQ(lines.size(), 3);
  const QStringList first = lines[0].split(QLatin1Char('\t'));
  ASSERT_EQ(first.size(), 13);
  EXPECT_EQ(first.mid(2), (QStringList{QStringLiteral("drawn"), QStringLiteral("1"), QStringLiteral("4"),
                                       QStringLiteral("17"), QStringLiteral("王芳"), QStringLiteral("销售部"),
                                       QStringLiteral("20"), QString(), QStringLiteral("幸运奖"),
                                       QStringLiteral("仅限部门：销售部"), QString()}));
  EXPECT_EQ(lines[1].split(QLatin1Char('\t')).mid(2).join(QLatin1Char('|')),
            QStringLiteral("results cleared||||||||||"));
  // The reason's tab stays inside its field.
  EXPECT_EQ(lines[2].split(QLatin1Char('\t')).mid(2).join(QLatin1Char('|')),
            QStringLiteral("voided|2|100|18|李雷|研发部|||特别奖||本人放弃 不领"));

  // Reading needs no lock: it works while the program runs on the folder.
  EventLock program(app.folder());
  EXPECT_EQ(eventdb::journal(app.folder()), lines);
  QTemporaryDir empty;
  EXPECT_TRUE(refusal([&] { eventdb::journal(empty.path()); }).contains(QStringLiteral("eventdb init")));
}

}  // namespace
}  // namespace ld
