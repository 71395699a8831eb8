// Closing: only the switch-off question's "确定" ends the program; every other close asks it first, and a
// termination signal ends it through the event loop.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <csignal>

#include "draw/termination.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"

using namespace ld::test;

namespace {

TEST(Closing, AnyOtherCloseAsksTheSwitchOffQuestionAndTheDrawRollsOn) {
  DrawFixture f;
  f.app.addParticipant("甲", "部门");
  TVELTRAXForm& w = f.window();
  int closed = 0;
  QObject::connect(&w, &TVELTRAXForm::closed, [&] { ++closed; });
  click(w.GIFAnimatorlogo);

  // What a window manager's close box, Alt+F4 or the end of a session send.
  QCloseEvent request;
  QCoreApplication::sendEvent(&w, &request);
  EXPECT_FALSE(request.isAccepted());
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(w.Panelgj->isVisible());
  EXPECT_EQ(w.GlowLabel1->caption(), QStringLiteral("是否确定关闭手机？"));
  EXPECT_EQ(w.drawState(), TVELTRAXForm::DrawState::Rolling);

  click(w.Buttonqx);
  EXPECT_TRUE(w.Panelcj->isVisible());
  EXPECT_TRUE(w.isVisible());

  w.close();
  click(w.Buttonqd);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(f.app.count("select id from yglb where zj<>0"), 0) << "switching off records nobody";
}

TEST(Closing, SwitchOffEndsWithoutAsking) {
  DrawFixture f;
  TVELTRAXForm& w = f.window();
  int closed = 0;
  QObject::connect(&w, &TVELTRAXForm::closed, [&] { ++closed; });
  w.switchOff();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.Panelgj->isVisible());
}

TEST(Closing, ATerminationSignalRunsTheEndOnTheEventLoop) {
  int ended = 0;
  QEventLoop loop;
  ld::endOnTerminationSignals([&] {
    ++ended;
    loop.quit();
  });
  for (int signal : {SIGTERM, SIGHUP}) {
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_EQ(ended, signal == SIGTERM ? 0 : 1) << "nothing runs inside the signal handler";
    // Only a safety net, should the signal never arrive: the test then fails on the count.
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  EXPECT_EQ(ended, 2);
  ld::endOnTerminationSignals({});
  ASSERT_EQ(std::raise(SIGTERM), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(ended, 2) << "an empty end does nothing and the program lives on";
}

}  // namespace
