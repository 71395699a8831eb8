// The draw session announces what it did: each stop's winners once they are saved, a completed prize, a
// roll called off, an absence, and the changes the settings window makes; the draw window, the sound, the
// fireworks and the plan notice follow those announcements.
#include <gtest/gtest.h>

#include "data/datamodule.h"
#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/sound.h"
#include "draw/veltrax_form.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "widgets/glow_label.h"

using namespace ld;
using namespace ld::test;

namespace {

class Announcements : public ::testing::Test {
 protected:
  // Every announcement in order, each with what the database held when it came.
  void listen(DrawSession& session) {
    QObject::connect(&session, &DrawSession::rolling, &session,
                     [this](bool on) { heard << QStringLiteral("rolling %1").arg(on); });
    QObject::connect(&session, &DrawSession::drawn, &session, [this](const QList<DrawResult>& winners) {
      QStringList names;
      for (const DrawResult& w : winners)
        names << QStringLiteral("%1:%2:%3").arg(w.name).arg(w.level).arg(w.order);
      heard << QStringLiteral("drawn [%1] saved %2")
                   .arg(names.join(QLatin1Char(' ')))
                   .arg(f.app.count(QStringLiteral("select id from yglb where zj>0")));
    });
    QObject::connect(&session, &DrawSession::levelCompleted, &session,
                     [this](int level) { heard << QStringLiteral("completed %1").arg(level); });
    QObject::connect(&session, &DrawSession::rollCancelled, &session,
                     [this] { heard << QStringLiteral("cancelled"); });
    QObject::connect(&session, &DrawSession::winnerAbsent, &session, [this](const DrawResult& w) {
      heard << QStringLiteral("absent %1 saved %2")
                   .arg(w.name)
                   .arg(f.app.count(QStringLiteral("select id from yglb where zj=-1")));
    });
    QObject::connect(&session, &DrawSession::resultsCleared, &session,
                     [this] { heard << QStringLiteral("cleared"); });
    QObject::connect(&session, &DrawSession::planChanged, &session,
                     [this] { heard << QStringLiteral("plan"); });
  }
  DrawFixture f;
  QStringList heard;
};

TEST_F(Announcements, EachStopAnnouncesItsWinnersOnceSavedAndThePrizeItCompletes) {
  f.app.setPlan(1, 1, 1, 1, 2);
  f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  f.app.addParticipant(QStringLiteral("乙"), QStringLiteral("部门"));
  DrawSession session(f.app.dataModule().ADOQuerymain);
  listen(session);
  session.beginRoll();
  const DrawResult first = session.stop().front();
  const DrawResult second = session.stop().front();
  session.stop();
  EXPECT_EQ(heard,
            (QStringList{"rolling 1", "rolling 0", QStringLiteral("drawn [%1:4:1] saved 1").arg(first.name),
                         "rolling 0", QStringLiteral("drawn [%1:4:2] saved 2").arg(second.name),
                         "completed 4", "rolling 0", "drawn [] saved 2"}));
  heard.clear();

  session.beginRoll();
  session.cancelRoll();
  session.markAbsent(second);
  EXPECT_EQ(heard, (QStringList{"rolling 1", "rolling 0", "cancelled",
                                QStringLiteral("absent %1 saved 1").arg(second.name)}));
}

TEST_F(Announcements, AStopThatIsNotSavedAnnouncesNoWinnerAndAFailingListenerIsNoUnsavedStop) {
  f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  f.app.addParticipant(QStringLiteral("乙"), QStringLiteral("部门"));
  DrawSession session(f.app.dataModule().ADOQuerymain);
  listen(session);
  f.app.exec(
      QStringLiteral("create trigger stuck before update on yglb begin select raise(abort, 'locked'); end"));
  EXPECT_ANY_THROW(session.stop());
  EXPECT_EQ(heard, QStringList{"rolling 0"});
  f.app.exec(QStringLiteral("drop trigger stuck"));

  // The winner is saved whatever a listener makes of it: its failure is its own error, reported.
  QObject::connect(&session, &DrawSession::drawn, &session,
                   [](const QList<DrawResult>&) { throw std::runtime_error("listener failed"); });
  DrawResult saved;
  EXPECT_NO_THROW(saved = session.stop().front());
  EXPECT_TRUE(saved.drawn);
  EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb where zj>0")), 1);
  EXPECT_EQ(f.app.dialogs().texts(ScriptedDialogs::Shown::Error), QStringList{"listener failed"});
}

TEST_F(Announcements, TheWindowTheSoundAndTheFireworksFollowTheProgramsSession) {
  f.app.setPlan(1, 1, 1, 1, 1);
  f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("部门"));
  writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow);
  LuckyDraw& program = f.program();
  listen(program.session());
  // A stop made by the session itself, not through the window: the window shows it all the same.
  program.session().beginRoll();
  const DrawResult won = program.session().stop().front();
  EXPECT_EQ(f.window().GlowLabelcj0->caption(), QStringLiteral("部门  甲"));
  ASSERT_TRUE(f.window().shownWinner().has_value());
  EXPECT_EQ(f.window().shownWinner()->id, won.id);
  EXPECT_TRUE(f.window().GlowLabelzj->caption().contains(QStringLiteral("甲")));
  EXPECT_EQ(program.sound().played().mid(program.sound().played().size() - 2),
            (QStringList{"stop", "fanfare"}));
  EXPECT_TRUE(fireworksShown());

  // The settings window's changes are the session's announcements.
  TsettingForm* settings = program.openSettingsWindow();
  f.app.dialogs().confirmAnswers = {true};
  settings->Button7Click();
  settings->Button6Click();
  EXPECT_EQ(heard.mid(heard.size() - 2), (QStringList{"cleared", "plan"}));
}

}  // namespace
