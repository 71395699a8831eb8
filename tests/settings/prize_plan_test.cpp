#include <gtest/gtest.h>

#include <QRadioButton>

#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

class PrizePlan : public SettingsTest {
 protected:
  QStringList quantities() { return app.rows(QStringLiteral("select sl from jxsz order by jx")); }
  QString limit() { return app.rows(QStringLiteral("select sz from sy where symc='JX'")).value(0); }
  std::array<QLineEdit*, 4> boxesOf() { return {form->Edit1dj, form->Edit2dj, form->Edit3dj, form->Edit4dj}; }
  void type(const QStringList& texts) {
    for (int i = 0; i < 4; ++i) boxesOf()[i]->setText(texts[i]);
  }
  QStringList typed() {
    QStringList out;
    for (QLineEdit* e : boxesOf()) out << e->text();
    return out;
  }
  // The four labels and edits shown, as the rule wants, or all hidden.
  int quantityControlsShown() {
    int shown = 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{form->Label1dj, form->Label2dj, form->Label3dj, form->Label4dj})
      shown += !w->isHidden();
    for (QLineEdit* e : boxesOf()) shown += !e->isHidden();
    return shown;
  }
};

TEST_F(PrizePlan, OpensOnTheStoredLimitedPlan) {
  app.setPlan(1, 2, 4, 6, 10);
  open();
  EXPECT_TRUE(form->RadioButtonxz->isChecked());
  EXPECT_FALSE(form->RadioButtonbx->isChecked());
  EXPECT_FALSE(form->RadioButtonbx->isEnabled());
  EXPECT_EQ(typed(), (QStringList{"2", "4", "6", "10"}));
  EXPECT_EQ(quantityControlsShown(), 8);
}

TEST_F(PrizePlan, OnlyWholeNumbersAreStoredTheRestLeavesTheLevelAlone) {
  open();  // seeded 1, 2, 3, 5
  type({QStringLiteral(" 7 "), QString(), QStringLiteral("abc"), QStringLiteral("4 or 1=1")});
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置成功")});
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "3", "5"}));

  type({QStringLiteral("1.5"), QStringLiteral("-"), QStringLiteral("99999999999"), QStringLiteral("+8")});
  form->Button6->click();
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "3", "8"}));

  // Saving with nothing typed still writes the switch as limited.
  app.exec(QStringLiteral("update sy set sz=0"));
  type({QString(), QString(), QString(), QString()});
  form->Button6->click();
  EXPECT_EQ(limit(), QStringLiteral("1"));
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "3", "8"}));
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(PrizePlan, StoredUnlimitedPlanHidesQuantitiesUntilLimitedIsChosen) {
  app.setPlan(0, 4, 4, 4, 4);
  open();
  form->show();
  EXPECT_TRUE(form->RadioButtonbx->isChecked());
  EXPECT_FALSE(form->RadioButtonxz->isChecked());
  EXPECT_EQ(quantityControlsShown(), 0);
  EXPECT_EQ(typed(), (QStringList{"", "", "", ""}));

  // Saving while unlimited keeps it so and touches no quantity.
  form->Button6->click();
  EXPECT_EQ(limit(), QStringLiteral("0"));

  mouseClick(form->RadioButtonxz, form->RadioButtonxz->rect().center());
  EXPECT_TRUE(form->RadioButtonxz->isChecked());
  EXPECT_EQ(quantityControlsShown(), 8);
  form->Button6->click();
  EXPECT_EQ(limit(), QStringLiteral("1"));
  EXPECT_EQ(quantities(), (QStringList{"4", "4", "4", "4"}));
  form->Buttonhyjxsz->click();
  EXPECT_EQ(typed(), (QStringList{"4", "4", "4", "4"}));

  // A reload that finds the switch at 0 again hides them and keeps what they show.
  app.exec(QStringLiteral("update sy set sz=0"));
  form->Edit1dj->setText(QStringLiteral("12"));
  form->Buttonhyjxsz->click();
  EXPECT_TRUE(form->RadioButtonbx->isChecked());
  EXPECT_EQ(quantityControlsShown(), 0);
  EXPECT_EQ(typed(), (QStringList{"12", "4", "4", "4"}));
  EXPECT_EQ(infos(), (QStringList(2, QStringLiteral("奖项设置成功"))));
}

TEST_F(PrizePlan, AFailingSwitchStatementReportsTheSettingError) {
  open();
  app.exec(QStringLiteral("drop table sy"));
  form->Edit1dj->setText(QStringLiteral("8"));
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置有误，请重新设置")});
  EXPECT_EQ(quantities().value(0), QStringLiteral("1"));

  form->Buttonhyjxsz->click();  // the reload leaves its error to the default handler
  EXPECT_EQ(errors().size(), 1);
}

}  // namespace
