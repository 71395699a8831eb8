// The prize plan window: every prize with its winners per press, rule and pool; changing, adding and
// removing prizes; the rule editor's lists and its list files; and its button in the settings window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTest>

#include "data/datamodule.h"
#include "data/plan_store.h"
#include "settings/prize_editor.h"
#include "settings/prize_plan_dialog.h"
#include "settings/prize_rule_editor.h"
#include "support/settings_helpers.h"
#include "support/shots.h"

namespace ld {
namespace {

using namespace ld::test;

class PrizePlanWindow : public SettingsTest {
 protected:
  void SetUp() override {
    app.setPlan(1, 1, 2, 3, 5);
    for (const char* name : {"甲", "乙", "丙"})
      app.addParticipant(QString::fromUtf8(name), QStringLiteral("销售部"));
    for (const char* name : {"丁", "戊"})
      app.addParticipant(QString::fromUtf8(name), QStringLiteral("技术部"));
    app.addParticipant(QStringLiteral("己"), QStringLiteral("销售部"), false);  // no photo: never drawn
    app.exec(QStringLiteral("update yglb set bq='新人,Remote' where xm in ('甲','丁')"));
    app.exec(QStringLiteral("update yglb set gh='E07' where xm='乙'"));
    dialog = std::make_unique<PrizePlanDialog>(app.dataModule().ADOQuerysetting);
    changes = std::make_unique<QSignalSpy>(dialog.get(), &PrizePlanDialog::planChanged);
    dialog->show();
  }
  void TearDown() override {
    changes.reset();
    dialog.reset();
  }

  PrizePlan plan() { return PlanStore(app.dataModule().ADOQuerysetting).forDraw(); }
  int quantityOf(int level) { return plan().prize(level)->quantity; }
  QStringList drawingOrder() {
    QStringList names;
    for (const Prize& p : plan().prizes) names << p.name;
    return names;
  }
  QStringList column(int c) {
    QStringList out;
    for (int row = 0; row < dialog->table()->rowCount(); ++row) out << dialog->table()->item(row, c)->text();
    return out;
  }
  int rowOf(const QString& name) { return int(column(1).indexOf(name)); }
  QPushButton* pushButton(const char* name) { return dialog->findChild<QPushButton*>(QLatin1String(name)); }
  PrizeEditor* edit(const QString& name) {
    dialog->table()->selectRow(rowOf(name));
    pushButton("editPrize")->click();
    return dialog->findChild<PrizeEditor*>(QStringLiteral("prizeEditor"));
  }
  PrizeEditor* add() {
    pushButton("addPrize")->click();
    return dialog->findChild<PrizeEditor*>(QStringLiteral("prizeEditor"));
  }
  static void tick(QListWidget* list, const QString& value) {
    const auto found = list->findItems(value, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << value.toStdString();
    found[0]->setCheckState(Qt::Checked);
  }
  static void save(PrizeEditor* editor) {
    editor->findChild<QPushButton*>(QStringLiteral("savePrize"))->click();
  }
  int extraRows() { return app.count(QStringLiteral("select jx from jxsz where jx>=100")); }

  std::unique_ptr<PrizePlanDialog> dialog;
  std::unique_ptr<QSignalSpy> changes;
};

TEST_F(PrizePlanWindow, ListsEveryPrizeInDrawingOrderWithItsPoolAndWinners) {
  app.exec(QStringLiteral("update yglb set zj=4, zjsx=1 where xm='戊'"));
  dialog->reload();
  EXPECT_EQ(column(1), (QStringList{"幸运奖", "三等奖", "二等奖", "一等奖"}));
  EXPECT_EQ(column(2), (QStringList{"5", "3", "2", "1"}));
  EXPECT_EQ(column(4), QStringList(4, QStringLiteral("所有人")));
  EXPECT_EQ(column(5), QStringList(4, QStringLiteral("可抽 4 / 4")))
      << "a winner and one without photo are out";
  EXPECT_EQ(column(6), (QStringList{"1", "0", "0", "0"}));
  EXPECT_FALSE(pushButton("removePrize")->isEnabled()) << "nothing selected";
  dialog->table()->selectRow(0);
  EXPECT_TRUE(pushButton("editPrize")->isEnabled());
  EXPECT_FALSE(pushButton("removePrize")->isEnabled()) << "the four levels stay";
}

TEST_F(PrizePlanWindow, PerDrawAndADepartmentRuleAreStoredAndThePoolFollowsAsTyped) {
  PrizeEditor* editor = edit(QStringLiteral("二等奖"));
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->poolText()->text(), QStringLiteral("可抽 5 / 5"));
  editor->perDrawBox()->setValue(2);
  tick(editor->ruleEditor()->includeDepartments(), QStringLiteral("销售部"));
  EXPECT_EQ(editor->poolText()->text(), QStringLiteral("可抽 3 / 5"));
  EXPECT_EQ(editor->ruleText()->text(), QStringLiteral("规则：仅限部门：销售部"));
  tick(editor->ruleEditor()->excludeTags(), QStringLiteral("新人"));
  editor->ruleEditor()->excludePeople()->setPlainText(QStringLiteral("E07"));
  EXPECT_EQ(editor->poolText()->text(), QStringLiteral("可抽 1 / 5")) << "甲 has the tag, 乙 the number";
  EXPECT_TRUE(keepShot(editor->grab().toImage(), QStringLiteral("prize-editor.png")));
  save(editor);
  EXPECT_TRUE(boxes().shown.empty());

  const PrizePlan stored = plan();
  const Prize* second = stored.prize(2);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->perDraw, 2);
  EXPECT_EQ(second->quantity, 2);
  EXPECT_EQ(second->rule.departments, QStringList{QStringLiteral("销售部")});
  EXPECT_EQ(second->rule.excludeTags, QStringList{QStringLiteral("新人")});
  ASSERT_EQ(second->rule.excludePeople.size(), 1u);
  EXPECT_EQ(second->rule.excludePeople[0].employeeId, QStringLiteral("E07"));
  const int row = rowOf(QStringLiteral("二等奖"));
  EXPECT_EQ(dialog->table()->item(row, 3)->text(), QStringLiteral("2"));
  EXPECT_EQ(dialog->table()->item(row, 5)->text(), QStringLiteral("可抽 1 / 5"));
  EXPECT_EQ(dialog->table()->item(row, 4)->text(), second->rule.shownText());
  EXPECT_EQ(changes->count(), 1);
  EXPECT_TRUE(keepShot(dialog->grab().toImage(), QStringLiteral("prize-plan.png")));

  // Opened again, the editor shows what is stored.
  QTest::qWait(0);
  editor = edit(QStringLiteral("二等奖"));
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->perDrawBox()->value(), 2);
  EXPECT_EQ(editor->ruleEditor()->rule(), second->rule);
}

// Only those who checked in: the pool follows the box, and the rule comes back with it ticked.
TEST_F(PrizePlanWindow, CheckedInOnlyNarrowsThePoolAndIsStored) {
  app.exec(QStringLiteral("update yglb set qd='2024-01-19T18:00:00' where xm in ('甲','丁','己')"));
  PrizeEditor* editor = edit(QStringLiteral("一等奖"));
  ASSERT_TRUE(editor);
  QCheckBox* box = editor->ruleEditor()->checkedInOnly();
  EXPECT_FALSE(box->isChecked());
  box->setChecked(true);
  EXPECT_EQ(editor->poolText()->text(), QStringLiteral("可抽 2 / 5")) << "己 checked in but has no photo";
  EXPECT_EQ(editor->ruleText()->text(), QStringLiteral("规则：仅限已签到"));
  EXPECT_TRUE(keepShot(editor->grab().toImage(), QStringLiteral("prize-editor-checked-in.png")));
  save(editor);
  EXPECT_TRUE(boxes().shown.empty());
  EXPECT_TRUE(plan().prize(1)->rule.checkedInOnly);
  EXPECT_EQ(dialog->table()->item(rowOf(QStringLiteral("一等奖")), 5)->text(), QStringLiteral("可抽 2 / 5"));

  QTest::qWait(0);
  editor = edit(QStringLiteral("一等奖"));
  ASSERT_TRUE(editor);
  EXPECT_TRUE(editor->ruleEditor()->checkedInOnly()->isChecked());
  editor->ruleEditor()->checkedInOnly()->setChecked(false);
  EXPECT_EQ(editor->poolText()->text(), QStringLiteral("可抽 5 / 5"));
}

TEST_F(PrizePlanWindow, AnAddedPrizeGoesWhereItWasPut) {
  struct Case {
    int placeIndex;  // in the place box: before the prize in that row of the table, or last
    QStringList order;
  };
  const Case cases[] = {
      {2, {"幸运奖", "三等奖", "特别奖", "二等奖", "一等奖"}},
      {4, {"幸运奖", "三等奖", "二等奖", "一等奖", "特别奖"}},
      {0, {"特别奖", "幸运奖", "三等奖", "二等奖", "一等奖"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.placeIndex);
    PrizeEditor* editor = add();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->placeBox()->currentIndex(), 4) << "last unless told";
    editor->nameEdit()->setText(QStringLiteral(" 特别奖 "));
    editor->quantityBox()->setValue(2);
    editor->placeBox()->setCurrentIndex(c.placeIndex);
    save(editor);
    EXPECT_TRUE(boxes().shown.empty()) << boxes().lastText().toStdString();
    EXPECT_EQ(drawingOrder(), c.order);
    EXPECT_EQ(column(1), c.order);
    const int row = rowOf(QStringLiteral("特别奖"));
    EXPECT_TRUE(dialog->table()->item(row, 0)->isSelected()) << "the new prize is selected";
    // Removed again after a question; the four levels keep their order.
    boxes().confirmAnswers = {true};
    pushButton("removePrize")->click();
    EXPECT_EQ(questions(), QStringList{QStringLiteral("删除奖项“特别奖”吗？")});
    EXPECT_EQ(extraRows(), 0);
    boxes().clear();
    QTest::qWait(0);
  }
  EXPECT_EQ(changes->count(), 6);
}

TEST_F(PrizePlanWindow, ARefusedValueIsNamedAndNothingIsStoredOrLost) {
  struct Case {
    const char* what;
    QString name;
    int quantity, perDraw;
    QString people;
    QString message;  // how the message starts
  };
  const Case cases[] = {
      {"a name taken",
       QStringLiteral("一等奖"),
       1,
       1,
       {},
       QStringLiteral("奖项没有保存：已经有名为“一等奖”的奖项")},
      {"a name taken, letter case aside",
       QStringLiteral("ipad"),
       1,
       1,
       {},
       QStringLiteral("奖项没有保存：已经有名为")},
      {"no name", QStringLiteral("  "), 1, 1, {}, QStringLiteral("奖项没有保存：请填写奖项名称")},
      {"a name the draw writes",
       QStringLiteral("作废"),
       1,
       1,
       {},
       QStringLiteral("奖项没有保存：“作废”不能用作")},
      {"none per press", QStringLiteral("特别奖"), 3, 0, {}, QStringLiteral("每次抽取人数至少为 1")},
      {"more per press than there are",
       QStringLiteral("特别奖"),
       3,
       4,
       {},
       QStringLiteral("每次抽取人数 4 大于数量 3")},
      {"no winners", QStringLiteral("特别奖"), 0, 1, {}, QStringLiteral("奖项数量至少为 1")},
      {"a bad line", QStringLiteral("特别奖"), 3, 1, QStringLiteral("E01\n销售部,甲,多余\nE02"),
       QStringLiteral("不参加的人：第 2 行")},
  };
  // An extra prize to clash with, named in other letter case.
  PrizeEditor* first = add();
  ASSERT_TRUE(first);
  first->nameEdit()->setText(QStringLiteral("iPad"));
  save(first);
  const QStringList stored = app.rows(QStringLiteral("select * from jxsz order by jx"));
  changes->clear();
  QTest::qWait(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    boxes().clear();
    QPointer<PrizeEditor> editor = add();
    ASSERT_TRUE(editor);
    editor->nameEdit()->setText(c.name);
    editor->quantityBox()->setValue(c.quantity);
    editor->perDrawBox()->setValue(c.perDraw);
    tick(editor->ruleEditor()->includeTags(), QStringLiteral("Remote"));
    editor->ruleEditor()->excludePeople()->setPlainText(c.people);
    save(editor);
    ASSERT_EQ(infos().size(), 1);
    EXPECT_TRUE(infos()[0].startsWith(c.message)) << infos()[0].toStdString();
    QTest::qWait(0);
    ASSERT_TRUE(editor && editor->isVisible()) << "the editor stays open";
    EXPECT_EQ(editor->nameEdit()->text(), c.name);
    EXPECT_EQ(editor->perDrawBox()->value(), c.perDraw);
    EXPECT_EQ(editor->ruleEditor()->excludePeople()->toPlainText(), c.people);
    EXPECT_EQ(editor->ruleEditor()->includeTags()->findItems("Remote", Qt::MatchExactly)[0]->checkState(),
              Qt::Checked);
    EXPECT_EQ(app.rows(QStringLiteral("select * from jxsz order by jx")), stored);
    EXPECT_EQ(changes->count(), 0);
    editor->reject();
    QTest::qWait(0);
  }
}

TEST_F(PrizePlanWindow, OnlyAnExtraPrizeNobodyHasWonIsRemovedAndOnlyAfterYes) {
  PrizeEditor* editor = add();
  ASSERT_TRUE(editor);
  editor->nameEdit()->setText(QStringLiteral("特别奖"));
  save(editor);
  changes->clear();
  const int row = rowOf(QStringLiteral("特别奖"));

  boxes().confirmAnswers = {false};
  dialog->table()->selectRow(row);
  pushButton("removePrize")->click();
  EXPECT_EQ(questions().size(), 1);
  EXPECT_EQ(extraRows(), 1) << "No keeps it";

  boxes().clear();
  app.exec(QStringLiteral("update yglb set zj=100, zjsx=1 where xm='丙'"));
  dialog->reload();
  EXPECT_EQ(dialog->table()->item(row, 6)->text(), QStringLiteral("1"));
  boxes().confirmAnswers = {true};
  pushButton("removePrize")->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("“特别奖”已经有 1 人中奖，不能删除")});
  EXPECT_TRUE(questions().isEmpty());
  EXPECT_EQ(extraRows(), 1);

  // A win recorded after the table was read is still caught by the store.
  boxes().clear();
  app.exec(QStringLiteral("update yglb set zj=0, zjsx=0"));
  dialog->reload();
  app.exec(QStringLiteral("update yglb set zj=100, zjsx=1 where xm='丙'"));
  boxes().confirmAnswers = {true};
  pushButton("removePrize")->click();
  ASSERT_EQ(infos().size(), 1);
  EXPECT_TRUE(infos()[0].startsWith(QStringLiteral("奖项没有删除：")));
  EXPECT_EQ(extraRows(), 1);
  EXPECT_EQ(changes->count(), 0);
}

TEST_F(PrizePlanWindow, AnUnlimitedPlanIsShownButNotChanged) {
  app.setPlan(0, 1, 2, 3, 5);
  dialog->reload();
  dialog->table()->selectRow(0);
  EXPECT_EQ(column(2), QStringList(4, QStringLiteral("不限")));
  EXPECT_FALSE(pushButton("editPrize")->isEnabled());
  EXPECT_FALSE(pushButton("addPrize")->isEnabled());
  EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("planNotice"))->isVisibleTo(dialog.get()));
  // Double-clicking does not get round it either.
  emit dialog->table()->cellDoubleClicked(0, 1);
  EXPECT_FALSE(dialog->findChild<PrizeEditor*>());
  EXPECT_EQ(app.rows(QStringLiteral("select sl from jxsz order by jx")), (QStringList{"1", "2", "3", "5"}));
}

TEST_F(PrizePlanWindow, AZeroQuantityOfALevelIsStoredOnlyAfterYes) {
  for (bool answer : {false, true}) {
    SCOPED_TRACE(answer);
    boxes().clear();
    QPointer<PrizeEditor> editor = edit(QStringLiteral("一等奖"));
    ASSERT_TRUE(editor);
    editor->quantityBox()->setValue(0);
    boxes().confirmAnswers = {answer};
    save(editor);
    ASSERT_EQ(questions().size(), 1);
    EXPECT_TRUE(questions()[0].startsWith(QStringLiteral("一等奖的数量为 0")));
    EXPECT_EQ(quantityOf(1), answer ? 0 : 1);
    QTest::qWait(0);
    EXPECT_EQ(bool(editor), !answer) << "No leaves the editor open";
    if (editor) editor->reject();
    QTest::qWait(0);
  }
  EXPECT_TRUE(
      dialog->findChild<QLabel*>(QStringLiteral("planNotice"))->text().startsWith(QStringLiteral("一等奖")));
}

TEST(PrizeRuleLists, TagsAndListFilesReadAsTheRosterAndTheOperatorMeanThem) {
  EXPECT_EQ(distinctTags({"新人,Remote", "", " remote , 经理,,新人", "经理"}),
            (QStringList{"新人", "Remote", "经理"}));

  struct Case {
    const char* what;
    QString text;
    bool csv;
    QString lines;
  };
  const Case cases[] = {
      {"a heading is blanked, keeping the line numbers", "工号\nE01\r\n\nE02", false, "\nE01\n\nE02"},
      {"two headings", "部门,姓名\n销售部,甲", true, "\n销售部,甲"},
      {"quotes of a csv go", "\"销售部\",\"甲\"\n\"E03\"", true, "销售部,甲\nE03"},
      {"a heading only counts first", "E01\n工号", false, "E01\n工号"},
      {"a person's line is no heading", "部门,甲", true, "部门,甲"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(excludedPeopleLines(c.text, c.csv), c.lines);
  }
}

TEST_F(PrizePlanWindow, TheRuleEditorKeepsWhatTheRosterNoLongerHoldsAndReadsListFiles) {
  PrizeRuleEditor editor({QStringLiteral("销售部"), QStringLiteral("技术部")}, {QStringLiteral("新人")});
  PrizeRule rule;
  rule.departments = {QStringLiteral("市场部")};
  rule.excludeTags = {QStringLiteral("新人")};
  rule.excludePeople = {{QStringLiteral("E01"), {}, {}},
                        {{}, QStringLiteral("销售部"), QStringLiteral("甲")}};
  rule.checkedInOnly = true;
  editor.setRule(rule);
  EXPECT_EQ(editor.rule(), rule) << "a department gone from the roster still counts";
  EXPECT_TRUE(editor.checkedInOnly()->isChecked());
  EXPECT_EQ(editor.includeDepartments()->count(), 3);

  // A GB18030 list from a spreadsheet, appended to what is typed.
  const QString good = app.path(QStringLiteral("out.csv"));
  writeFile(
      good,
      QByteArray(QStringEncoder("GB18030").encode(QStringLiteral("部门,姓名\r\n\"技术部\",\"丁\"\r\n"))));
  const QString bad = app.path(QStringLiteral("bad.txt"));
  writeFile(bad, QStringLiteral("E09\n\n技术部,丁,戊\n").toUtf8());
  boxes().fileAnswers = {bad, good};
  editor.findChild<QPushButton*>(QStringLiteral("readExcludedPeople"))->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral(
                         "bad.txt 没有读入：第 3 行既不是一个工号，也不是“部门,姓名”：技术部,丁,戊")});
  EXPECT_EQ(editor.rule(), rule) << "a file with a bad line is not read at all";
  editor.findChild<QPushButton*>(QStringLiteral("readExcludedPeople"))->click();
  EXPECT_EQ(editor.excludePeople()->toPlainText(), QStringLiteral("E01\n销售部,甲\n技术部,丁"));
}

class SettingsWindowPlan : public SettingsTest {};

TEST_F(SettingsWindowPlan, ThePrizeRulesButtonOpensThePlanAndAChangeReloadsTheQuantities) {
  app.setPlan(1, 1, 2, 3, 5);
  open();
  form->show();
  QSignalSpy changed(form.get(), &TsettingForm::planChanged);
  QPushButton* rules = form->findChild<QPushButton*>(QStringLiteral("Buttonjxgz"));
  ASSERT_TRUE(rules);
  EXPECT_TRUE(form->GroupBox2->contentsRect().contains(rules->geometry()));
  for (QWidget* other : form->GroupBox2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (other != rules && other->isVisible()) {
      EXPECT_FALSE(other->geometry().intersects(rules->geometry())) << other->objectName().toStdString();
    }

  EXPECT_TRUE(keepShot(form->grab().toImage(), QStringLiteral("settings-prize-rules.png")));
  form->Edit1dj->setText(QStringLiteral("77"));  // typed, not saved: the plan's change replaces it
  rules->click();
  auto* dialog = form->findChild<PrizePlanDialog*>();
  ASSERT_TRUE(dialog && dialog->isVisible());
  dialog->table()->selectRow(3);
  dialog->findChild<QPushButton*>(QStringLiteral("editPrize"))->click();
  auto* editor = dialog->findChild<PrizeEditor*>();
  ASSERT_TRUE(editor);
  editor->quantityBox()->setValue(9);
  editor->findChild<QPushButton*>(QStringLiteral("savePrize"))->click();
  EXPECT_EQ(form->Edit1dj->text(), QStringLiteral("9"));
  EXPECT_EQ(changed.count(), 1);

  // Quantities saved in the settings window show in the open plan at once.
  form->Edit2dj->setText(QStringLiteral("6"));
  form->Button6->click();
  EXPECT_EQ(dialog->table()->item(2, 2)->text(), QStringLiteral("6"));
  form->hide();
  EXPECT_FALSE(dialog->isVisible());
}

}  // namespace
}  // namespace ld
