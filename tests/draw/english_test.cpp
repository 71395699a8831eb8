// The draw and settings windows in English: what the operator reads changes, what is stored does not.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>

#include "data/prize_levels.h"
#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/application.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"

using namespace ld::test;

namespace {

class English : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ld::setLanguage(*QCoreApplication::instance(), ld::Language::English));
  }
  void TearDown() override { ld::setLanguage(*QCoreApplication::instance(), ld::Language::Chinese); }
  DrawFixture f;
};

TEST_F(English, TheBoardAndTheConfirmPanelSpeakEnglishWhileTheRecordStaysAsBefore) {
  f.app.setPlan(1, 1, 1, 1, 2);
  f.app.addParticipant(QStringLiteral("甲"), QStringLiteral("销售部"));
  TVELTRAXForm& w = f.window();
  EXPECT_EQ(w.GlowLabel1->caption(), QStringLiteral("Switch off the phone?"));
  EXPECT_EQ(w.Buttonqd->text(), QStringLiteral("OK"));
  EXPECT_EQ(w.GlowLabelzj->caption().split(QLatin1Char('\r')).value(0), QStringLiteral("Lucky prize ×2"));

  click(w.GIFAnimatorlogo);
  click(w.GIFAnimatorlogo);
  EXPECT_EQ(f.app.rows(QStringLiteral("select xm, zj, zjsx from yglb")),
            QStringList{QStringLiteral("甲|4|1")});
  EXPECT_EQ(w.GlowLabelzj->caption().split(QLatin1Char('\r')),
            QStringList({QStringLiteral("Lucky prize ×2"), QString(), QStringLiteral("甲")}));
  // Names that are stored or exported stay Chinese; only the screen's copy is English.
  EXPECT_EQ(ld::prizeName(4), QStringLiteral("幸运奖"));
  EXPECT_EQ(ld::shownPrizeName(4), QStringLiteral("Lucky prize"));
  EXPECT_EQ(ld::shownPrizeName(99), QString());
}

TEST_F(English, TheSettingsWindowAndItsMessagesSpeakEnglish) {
  TsettingForm* settings = f.program().openSettingsWindow();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->windowTitle(), QStringLiteral("Settings"));
  EXPECT_EQ(settings->GroupBox1->title(), QStringLiteral("Event"));
  EXPECT_EQ(settings->Buttontjyg->text(), QStringLiteral("Add"));
  settings->ButtontjygClick();  // nothing typed
  EXPECT_EQ(f.app.dialogs().lastText(), QStringLiteral("Please fill in every field"));
  EXPECT_EQ(f.app.count(QStringLiteral("select id from yglb")), 0);
}

}  // namespace
