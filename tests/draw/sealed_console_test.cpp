// The sealed draw as the operator runs it: sealed and given the hall's entropy from the console, shown to
// the hall and the phones, and never changed behind the seal's back — a change asks first, and only a
// change agreed to breaks the seal.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "data/seal_store.h"
#include "draw/check_in_window.h"
#include "draw/draw_panel.h"
#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/seal_box.h"
#include "draw/veltrax_form.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"
#include "web/checkin_site.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;
using Shown = ld::ScriptedDialogs::Shown;

namespace {

const bool kDesk = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "desk", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");

class SealedConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kDesk);
    writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow);
    for (int i = 0; i < 8; ++i) f.app.addParticipant(QStringLiteral("人%1").arg(i), QStringLiteral("部"));
    f.program().showDrawPanel();
    ASSERT_EQ(f.program().startWeb(QHostAddress::LocalHost, 0), QString());
  }
  template <class T>
  T* child(const char* name) {
    T* found = f.program().drawPanel()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString state() { return child<QLabel>("sealState")->text(); }
  ld::SealState seal() { return f.program().session().sealState(); }
  QStringList journal() {
    return f.app.rows("select lx from cjrz where lx not in ('plan changed') order by xh");
  }
  void sealWithEntropy(const QString& entropy) {
    f.app.dialogs().confirmAnswers = {true, true};
    child<QPushButton>("sealNow")->click();
    child<QLineEdit>("sealEntropy")->setText(entropy);
    child<QPushButton>("sealGiveEntropy")->click();
  }
  void draw() {
    TVELTRAXForm& w = f.window();
    key(&w, Qt::Key_Space);
    ASSERT_EQ(w.drawState(), State::Rolling);
    w.TimercjTimer();
    key(&w, Qt::Key_Space);
    ASSERT_EQ(w.drawState(), State::Result);
  }
  DrawFixture f;
};

TEST_F(SealedConsole, SealedAndGivenTheHallsEntropyFromTheConsoleAndShownToTheHallAndThePhones) {
  ld::web::CheckInSite& site = f.program().checkInSite();
  EXPECT_FALSE(site.checkInUrl().isEmpty());
  EXPECT_TRUE(state().contains(QStringLiteral("未封存")));
  // Answered no: nothing is sealed.
  f.app.dialogs().confirmAnswers = {false};
  child<QPushButton>("sealNow")->click();
  EXPECT_TRUE(seal().seal.isEmpty());

  sealWithEntropy(QStringLiteral("  3 1 4 1 5 <b>&  "));
  const ld::SealState s = seal();
  ASSERT_TRUE(s.holds());
  ASSERT_TRUE(s.entropy.has_value());
  EXPECT_EQ(*s.entropy, QStringLiteral("3 1 4 1 5 <b>&"));
  EXPECT_TRUE(state().contains(ld::groupedSeal(s.seal)));
  EXPECT_TRUE(state().contains(*s.entropy));
  EXPECT_FALSE(child<QLineEdit>("sealEntropy")->isVisible()) << "the entropy is given once";
  // Check-in has closed: the stage's code is gone and the form refused; the phones' page names the seal.
  EXPECT_TRUE(site.checkInUrl().isEmpty());
  EXPECT_FALSE(site.checkInOpen());

  draw();
  EXPECT_EQ(journal(), (QStringList{"sealed", "entropy", "drawn"}));
  EXPECT_TRUE(f.app.dialogs().texts(Shown::Error).empty());
}

TEST_F(SealedConsole, AChangeBehindTheSealAsksAndOnlyAChangeAgreedToBreaksIt) {
  sealWithEntropy(QStringLiteral("42"));
  draw();
  TsettingForm* settings = f.program().openSettingsWindow();
  ASSERT_NE(settings, nullptr);

  // Declined: the results stay and the seal holds; not even the clearing's own question is asked.
  f.app.dialogs().clear();
  f.app.dialogs().confirmAnswers = {false};
  settings->Button7->click();
  EXPECT_EQ(f.app.dialogs().texts(Shown::Confirm).size(), 1u);
  EXPECT_EQ(f.app.count("select id from yglb where zj>0"), 1);
  EXPECT_TRUE(seal().holds());

  // Agreed: the seal is broken first, with why, then the change is made.
  f.app.dialogs().confirmAnswers = {true, true};
  settings->Button7->click();
  EXPECT_EQ(f.app.count("select id from yglb where zj>0"), 0);
  const ld::SealState s = seal();
  EXPECT_FALSE(s.holds());
  ASSERT_TRUE(s.brokenAt.has_value());
  EXPECT_EQ(f.app.rows("select yy from cjrz where lx='seal broken'"),
            QStringList{QStringLiteral("封存后在设置窗口中更改了活动")});
  EXPECT_TRUE(state().contains(QStringLiteral("封存已破坏")));
  EXPECT_TRUE(f.program().checkInSite().checkInOpen()) << "check-in may open again";

  // Nothing sealed any more: changes go ahead without a question about the seal.
  f.app.dialogs().clear();
  f.app.dialogs().confirmAnswers = {true};
  settings->Button7->click();
  EXPECT_EQ(f.app.dialogs().texts(Shown::Confirm).size(), 1u);
}

TEST_F(SealedConsole, ACheckInByHandUnderTheSealAsksFirst) {
  sealWithEntropy(QStringLiteral("7"));
  f.program().openCheckInWindow();
  ld::CheckInWindow* window = f.program().checkInWindow();
  ASSERT_NE(window, nullptr);
  window->findChild<QLineEdit*>(QStringLiteral("checkInFind"))->setText(QStringLiteral("人3"));
  emit window->findChild<QLineEdit*>(QStringLiteral("checkInFind"))->returnPressed();
  auto* found = window->findChild<QTreeWidget*>(QStringLiteral("checkInFound"));
  ASSERT_EQ(found->topLevelItemCount(), 1);
  found->setCurrentItem(found->topLevelItem(0));
  f.app.dialogs().confirmAnswers = {false};
  window->findChild<QPushButton*>(QStringLiteral("checkInByHand"))->click();
  EXPECT_EQ(f.app.count("select id from yglb where qd<>''"), 0);
  EXPECT_TRUE(seal().holds());
  f.app.dialogs().confirmAnswers = {true};
  window->findChild<QPushButton*>(QStringLiteral("checkInByHand"))->click();
  EXPECT_EQ(f.app.count("select id from yglb where qd<>''"), 1);
  EXPECT_FALSE(seal().holds());
  EXPECT_EQ(f.app.rows("select yy from cjrz where lx='seal broken'"),
            QStringList{QStringLiteral("封存后手工签到")});
  window->close();
}

}  // namespace
