// The stores: operator text reaches every statement as a bound value and comes back exactly as given; ids
// that are not numbers never reach one; each read keeps the order its callers rely on.
#include <gtest/gtest.h>

#include "data/db_error.h"
#include "data/event_info_store.h"
#include "data/import_store.h"
#include "data/journal.h"
#include "data/pack_store.h"
#include "data/roster_store.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

// Text that a spliced statement would get wrong: quotes, a placeholder, a comment, a second statement,
// blanks at the ends, text that looks like a number.
const QString kAwkward[] = {
    QStringLiteral("O'Brien"),
    QStringLiteral("'); delete from yglb; --"),
    QStringLiteral("是?否"),
    QStringLiteral(" 007 "),
    QStringLiteral("a\\b \"c\" %_"),
};

class Stores : public ::testing::Test {
 protected:
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  RosterStore roster{q};
  int count(const QString& where) { return app.count(QStringLiteral("select id from yglb ") + where); }
};

TEST_F(Stores, OperatorTextIsStoredAndFoundExactly) {
  for (const QString& text : kAwkward) {
    SCOPED_TRACE(text.toStdString());
    const QString department = text + QStringLiteral("部");
    const QString path = QStringLiteral("zp\\") + text + QStringLiteral(".jpg");
    roster.addParticipant(text, department, path);
    const QString id = app.rows(QStringLiteral("select max(id) from yglb")).value(0);
    EXPECT_TRUE(roster.participantExists(text, department));
    EXPECT_TRUE(roster.participantExists(text.toUpper(), department)) << "text compares without letter case";
    EXPECT_FALSE(roster.participantExists(text, text));
    EXPECT_FALSE(roster.otherParticipantNamed(text, department, id));
    EXPECT_TRUE(roster.photoPathTaken(path, {}));
    EXPECT_FALSE(roster.photoPathTaken(path, id));
    EXPECT_EQ(roster.photoPathsLike(path.toUpper()), QStringList{path});

    const QString renamed = text + text;
    ASSERT_TRUE(roster.updateParticipant(id, renamed, department, path));
    const std::vector<Participant> rows = roster.participantsBetween(id.toInt(), id.toInt());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, renamed);
    EXPECT_EQ(rows[0].department, department);
    EXPECT_EQ(rows[0].photoPath, path);

    ImportStore(q).add(text, QStringLiteral("导入"), QString());
    EXPECT_EQ(app.rows(QStringLiteral("select bm, zp, zj, zjsx from yglb where id=(select max(id) from yglb)")),
              QStringList{QStringLiteral("导入||0|0")})
        << "no photo is stored as empty text, undrawn";

    EventInfoStore info(q);
    info.saveEventInfo(text, text + QStringLiteral("人"), text + QStringLiteral("电话"));
    const EventInfo read = info.eventInfo();
    EXPECT_EQ(read.companyName, text);
    EXPECT_EQ(read.contactPerson, text + QStringLiteral("人"));
    EXPECT_EQ(read.contactPhone, text + QStringLiteral("电话"));
    const QString folder = QStringLiteral("/媒体/") + text;
    info.savePhotoFolder(folder);
    EXPECT_EQ(info.photoFolder(), folder);
  }
  EXPECT_EQ(count(QString()), 2 * int(std::size(kAwkward))) << "no text ran as a statement";
  EXPECT_EQ(app.count(QStringLiteral("select symc from sy where symc='ZPML'")), 1) << "saved again in place";
}

TEST_F(Stores, IdsThatAreNotWholeNumbersNeverReachAStatement) {
  roster.addParticipant(QStringLiteral("甲"), QStringLiteral("一部"), QStringLiteral("zp\\一部_甲.jpg"));
  roster.addParticipant(QStringLiteral("乙"), QStringLiteral("一部"), QStringLiteral("zp\\一部_乙.jpg"));
  for (const char* bad : {"", "abc", "1 or 1=1", "1;delete from yglb", "99999999999", "1.0"}) {
    SCOPED_TRACE(bad);
    const QString id = QString::fromLatin1(bad);
    EXPECT_THROW(roster.updateParticipant(id, QStringLiteral("丙"), QStringLiteral("一部"), QString()), DbError);
    EXPECT_THROW(roster.deleteParticipant(id), DbError);
    EXPECT_THROW(roster.otherParticipantNamed(QStringLiteral("甲"), QStringLiteral("一部"), id), DbError);
    if (!id.isEmpty()) {
      EXPECT_THROW(roster.photoPathTaken(QStringLiteral("zp\\一部_甲.jpg"), id), DbError);
    }
    EXPECT_EQ(count(QString()), 2);
  }
  // Blanks around a number are what a label may hold; the number is what counts.
  EXPECT_TRUE(roster.otherParticipantNamed(QStringLiteral("甲"), QStringLiteral("一部"), QStringLiteral(" 2 ")));
  EXPECT_FALSE(roster.updateParticipant(QStringLiteral("7"), QStringLiteral("丙"), QStringLiteral("一部"), {}));
  roster.deleteParticipant(QStringLiteral(" 1 "));
  EXPECT_EQ(app.rows(QStringLiteral("select xm from yglb")), QStringList{QStringLiteral("乙")});
}

TEST_F(Stores, ReadsKeepTheOrderTheirCallersRelyOn) {
  // id: name, zj, zjsx
  const struct {
    const char* name;
    int level, order;
  } people[] = {{"a", 2, 3}, {"b", 0, 0}, {"c", 4, 1}, {"d", -1, 0}, {"e", 99, 3}, {"f", 1, 2}};
  for (const auto& p : people) {
    const QString name = QString::fromLatin1(p.name);
    roster.addParticipant(name, QStringLiteral("部"), p.level == 0 ? QString() : QStringLiteral("zp\\") + name);
    app.exec(QStringLiteral("update yglb set zj=%1, zjsx=%2 where xm='%3'").arg(p.level).arg(p.order).arg(name));
  }
  QStringList winners;
  for (const RosterWinner& w : roster.winnersInOrder())
    winners << QStringLiteral("%1:%2/%3/%4").arg(w.id, w.name).arg(w.level).arg(w.order);
  EXPECT_EQ(winners, QStringList({"3:c/4/1", "6:f/1/2", "1:a/2/3", "5:e/99/3"}))
      << "draw order, then id; neither the undrawn nor the absent";

  QStringList between;
  for (const Participant& p : roster.participantsBetween(2, 4)) between << p.id + p.name;
  EXPECT_EQ(between, QStringList({"2b", "3c", "4d"}));
  QStringList names;
  for (const RosterEntry& e : roster.entriesInOrder()) names << e.name;
  EXPECT_EQ(names, QStringList({"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(PackStore(q).photoPaths(),
            QStringList({"zp\\a", QString(""), "zp\\c", "zp\\d", "zp\\e", "zp\\f"}))
      << "one per participant, in id order, the empty one too";
  EXPECT_EQ(ImportStore(q).roster().size(), std::size(people));
  EXPECT_EQ(roster.participantIds(), std::vector<int>({1, 2, 3, 4, 5, 6}));
}

TEST_F(Stores, DrawnTimesAreTheLatestDrawnRecordOfEachWinnerAndOrder) {
  ASSERT_TRUE(hasJournal(q));
  const auto record = [&](const char* time, const char* kind, int order, int id) {
    app.exec(QStringLiteral("insert into cjrz (sj, lx, zjsx, zj, ygid, xm, bm, rs) values ('%1', '%2', %3, 4, %4, "
                            "'x', 'y', 5)")
                 .arg(QLatin1String(time), QLatin1String(kind))
                 .arg(order)
                 .arg(id));
  };
  record("2026-01-01T10:00:00.000", "drawn", 1, 7);
  record("2026-01-01T10:01:00.000", "drawn", 2, 8);
  record("2026-01-01T10:02:00.000", "absent", 1, 7);
  record("2026-01-01T10:03:00.000", "drawn", 1, 7);
  record("2026-01-01T10:04:00.000", "absent", 2, 8);
  const QHash<QString, QString> times = drawnTimes(q);
  EXPECT_EQ(times.size(), 2);
  EXPECT_EQ(times.value(QStringLiteral("7/1")), QStringLiteral("2026-01-01T10:03:00.000"));
  EXPECT_EQ(times.value(QStringLiteral("8/2")), QStringLiteral("2026-01-01T10:01:00.000"));
}

}  // namespace
