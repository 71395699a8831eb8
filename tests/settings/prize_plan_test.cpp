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

TEST_F(PrizePlan, WholeNumbersAreStoredAndAnEmptyBoxLeavesTheLevelAlone) {
  open();  // seeded 1, 2, 3, 5
  type({QStringLiteral(" 7 "), QString(), QStringLiteral("００８"), QStringLiteral("100000")});
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置成功")});
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "8", "100000"}));

  type({QString(), QString(), QString(), QStringLiteral("+8")});
  form->Button6->click();
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "8", "8"}));
  EXPECT_EQ(app.count(QStringLiteral("select xh from cjrz where lx='plan changed'")), 2)
      << "each save is told";

  // Saving with nothing typed still writes the switch as limited.
  app.exec(QStringLiteral("update sy set sz=0"));
  type({QString(), QString(), QString(), QString()});
  form->Button6->click();
  EXPECT_EQ(limit(), QStringLiteral("1"));
  EXPECT_EQ(quantities(), (QStringList{"7", "2", "8", "8"}));
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(PrizePlan, AQuantityThatIsNoSaneWholeNumberIsRefusedNamingItsLevelAndNothingIsWritten) {
  open();
  struct Case {
    QStringList typed;
    QString level;
  };
  const Case cases[] = {
      {{"4", "五", "3", "2"}, QStringLiteral("二等奖")},
      {{"2个", "1", "1", "1"}, QStringLiteral("一等奖")},
      {{"1", "1", "1", "99999999999"}, QStringLiteral("幸运奖")},
      {{"1", "1", "100001", "1"}, QStringLiteral("三等奖")},
      {{"1", "1", "-1", "1"}, QStringLiteral("三等奖")},
      {{"1.5", "1", "1", "1"}, QStringLiteral("一等奖")},
      {{"1", "4 or 1=1", "1", "1"}, QStringLiteral("二等奖")},
  };
  app.exec(QStringLiteral("update sy set sz=0"));  // a refused save must not even set the switch
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.join(QLatin1Char(',')).toStdString());
    boxes().clear();
    type(c.typed);
    form->Button6->click();
    ASSERT_EQ(infos().size(), 1);
    EXPECT_TRUE(infos()[0].startsWith(c.level)) << infos()[0].toStdString();
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(quantities(), (QStringList{"1", "2", "3", "5"}));
    EXPECT_EQ(limit(), QStringLiteral("0"));
  }
}

TEST_F(PrizePlan, AZeroQuantityIsSavedOnlyAfterTheOperatorAgrees) {
  open();
  type({QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("0"), QStringLiteral("9")});
  boxes().confirmAnswers = {false};
  form->Button6->click();
  ASSERT_EQ(questions().size(), 1);
  EXPECT_TRUE(questions()[0].startsWith(QStringLiteral("一等奖、三等奖的数量为 0")))
      << questions()[0].toStdString();
  EXPECT_TRUE(infos().isEmpty());
  EXPECT_EQ(quantities(), (QStringList{"1", "2", "3", "5"}));

  boxes().clear();
  boxes().confirmAnswers = {true};
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置成功")});
  EXPECT_EQ(quantities(), (QStringList{"0", "4", "0", "9"}));
}

TEST_F(PrizePlan, AFailingQuantityWriteIsNoSuccessAndLeavesThePlanAsItWas) {
  open();
  app.exec(QStringLiteral("update sy set sz=0"));
  app.exec(
      QStringLiteral("create trigger stuck before update on jxsz when new.jx=3 "
                     "begin select raise(abort, 'locked'); end"));
  form->RadioButtonxz->setChecked(true);
  type({QStringLiteral("6"), QStringLiteral("6"), QStringLiteral("6"), QStringLiteral("6")});
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置有误，请重新设置")});
  EXPECT_EQ(quantities(), (QStringList{"1", "2", "3", "5"}));
  EXPECT_EQ(limit(), QStringLiteral("0"));

  // The next save, once the table takes writes again, goes through whole.
  app.exec(QStringLiteral("drop trigger stuck"));
  boxes().clear();
  form->Button6->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("奖项设置成功")});
  EXPECT_EQ(quantities(), (QStringList{"6", "6", "6", "6"}));
  EXPECT_EQ(limit(), QStringLiteral("1"));
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
