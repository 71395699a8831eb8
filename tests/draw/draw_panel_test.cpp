// The operator's panel beside the handset: a prize chosen by click or number key is the one the next stop
// draws, and a key that cannot choose changes nothing; the winners of a batch marked absent one by one; an
// earlier win voided with a reason; the panel opening by itself; text typed into it never drawing.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "data/datamodule.h"
#include "data/journal.h"
#include "data/plan_store.h"
#include "draw/draw_panel.h"
#include "draw/draw_session.h"
#include "draw/key_control.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "settings/prize_plan_dialog.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;

namespace {

const bool kDesk = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "desk", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");

TEST(PrizeKeys, TheFourLevelsKeepTheirNumbersExtraPrizesCountOnFromFive) {
  struct Case {
    std::vector<int> levels;  // in drawing order
    std::vector<int> keys;
  };
  const Case cases[] = {
      {{4, 3, 2, 1}, {4, 3, 2, 1}},
      {{100, 4, 3, 101, 2, 1}, {5, 4, 3, 6, 2, 1}},
      {{4, 100, 101, 102, 103, 104, 105, 3, 2, 1}, {4, 5, 6, 7, 8, 9, 0, 3, 2, 1}},
  };
  for (const Case& c : cases) {
    std::vector<ld::Prize> plan;
    for (int level : c.levels) plan.push_back({level, QStringLiteral("奖")});
    EXPECT_EQ(ld::prizeKeys(plan), c.keys);
  }
}

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kDesk);
    writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow);
  }
  TVELTRAXForm& w() { return f.window(); }
  ld::DrawPanel& panel() {
    f.program().showDrawPanel();
    return *f.program().drawPanel();
  }
  template <class T>
  T* child(const char* name) {
    T* found = panel().findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  void people(int n) {
    for (int i = 0; i < n; ++i)
      f.app.addParticipant(QStringLiteral("人%1").arg(i), QStringLiteral("部%1").arg(i % 3));
  }
  // One start and one stop from the clicker.
  void draw() {
    key(&w(), Qt::Key_Space);
    ASSERT_EQ(w().drawState(), State::Rolling);
    w().TimercjTimer();
    key(&w(), Qt::Key_Space);
    ASSERT_EQ(w().drawState(), State::Result);
  }
  QStringList winners() { return f.app.rows("select zj, zjsx from yglb where zj>0 order by zjsx"); }
  ld::PlanStore plan() { return ld::PlanStore(f.app.dataModule().ADOQuerysetting); }
  void changePrize(int level, const std::function<void(ld::Prize&)>& change) {
    ld::Prize prize = *plan().forDraw().prize(level);
    change(prize);
    plan().savePrize(prize);
    emit f.program().session().planChanged();
  }
  static void clickRow(QAbstractItemView* view, const QModelIndex& index) {
    ASSERT_TRUE(index.isValid());
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
  }
  QTreeWidgetItem* prizeRow(int level) {
    auto* list = child<QTreeWidget>("prizeList");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->data(0, Qt::UserRole).toInt() == level) return list->topLevelItem(i);
    return nullptr;
  }
  QString notice() {
    const QLabel* label = f.program().prizeNotice();
    return label && label->isVisible() ? label->text() : QString();
  }
  DrawFixture f;
};

TEST_F(Panel, APrizeChosenByClickOrByKeyIsTheOneTheNextStopDraws) {
  f.app.setPlan(1, 1, 1, 2, 2);
  people(8);
  enum How { Click, HandsetKey, PanelKey };
  for (How how : {Click, HandsetKey, PanelKey}) {
    SCOPED_TRACE(how);
    f.app.exec("update yglb set zj=0, zjsx=0");
    emit f.program().session().resultsCleared();
    ASSERT_EQ(f.program().session().upcomingLevel(), 4);
    if (how == Click) {
      QTreeWidget* list = child<QTreeWidget>("prizeList");
      clickRow(list, list->indexFromItem(prizeRow(3)));
    } else {
      key(how == HandsetKey ? static_cast<QWidget*>(&w()) : &panel(), Qt::Key_3);
    }
    EXPECT_EQ(f.program().session().chosenPrize(), 3);
    ASSERT_NE(prizeRow(3), nullptr);
    EXPECT_TRUE(prizeRow(3)->text(0).startsWith(QStringLiteral("▶"))) << "the upcoming prize is marked";
    EXPECT_FALSE(prizeRow(4)->text(0).startsWith(QStringLiteral("▶")));
    draw();
    EXPECT_EQ(winners(), QStringList{"3|1"});
    EXPECT_EQ(prizeRow(3)->text(2).section(QLatin1Char('\n'), 0, 0), QStringLiteral("1 / 2"));

    // Back to the usual order: the lucky prize comes first again.
    if (how == Click)
      child<QPushButton>("usualOrder")->click();
    else
      key(&w(), Qt::Key_0);
    EXPECT_EQ(f.program().session().chosenPrize(), std::nullopt);
    EXPECT_TRUE(child<QPushButton>("usualOrder")->isChecked());
    draw();
    EXPECT_EQ(winners(), QStringList({"3|1", "4|2"}));
  }
  EXPECT_TRUE(f.app.dialogs().shown.empty());
}

TEST_F(Panel, AKeyThatCannotChooseSaysWhyAndChangesNothing) {
  f.app.setPlan(1, 1, 1, 1, 2);
  people(6);
  panel();
  key(&w(), Qt::Key_3);
  draw();  // the third prize is done
  key(&w(), Qt::Key_0);
  ASSERT_EQ(f.program().session().chosenPrize(), std::nullopt);

  struct Case {
    const char* what;
    int key;
    bool rolling;
    QString says;
  };
  const Case cases[] = {
      {"a prize with nothing left", Qt::Key_3, false, QStringLiteral("三等奖 已全部抽完")},
      {"a number no prize has", Qt::Key_7, false, QStringLiteral("没有编号为 7 的奖项")},
      {"during a roll", Qt::Key_2, true, QStringLiteral("滚动中不能更换奖项")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.rolling) key(&w(), Qt::Key_Space);
    key(&w(), c.key);
    EXPECT_EQ(f.program().session().chosenPrize(), std::nullopt);
    EXPECT_TRUE(notice().startsWith(c.says)) << notice().toStdString();
    if (c.rolling) {
      EXPECT_EQ(w().drawState(), State::Rolling) << "the key neither stops nor cancels the roll";
      EXPECT_FALSE(child<QTreeWidget>("prizeList")->isEnabled());
      w().cancelRoll();
    }
  }
  EXPECT_TRUE(child<QTreeWidget>("prizeList")->isEnabled());
  // The notice is brief.
  EXPECT_TRUE(QTest::qWaitFor([&] { return notice().isEmpty(); }, ld::LuckyDraw::kPrizeNoticeMs * 3));
  // A click on the finished prize is refused the same way.
  QTreeWidget* list = child<QTreeWidget>("prizeList");
  clickRow(list, list->indexFromItem(prizeRow(3)));
  EXPECT_EQ(f.program().session().chosenPrize(), std::nullopt);
  EXPECT_FALSE(notice().isEmpty());
  draw();
  EXPECT_EQ(winners(), QStringList({"3|1", "4|2"}));
}

TEST_F(Panel, ABatchWinnerClickedIsAskedAboutMarkedAbsentAndReplacedAtTheirOrderAlone) {
  f.app.setPlan(1, 1, 1, 1, 10);
  people(12);
  changePrize(4, [](ld::Prize& p) { p.perDraw = 5; });
  panel();
  draw();
  ASSERT_EQ(winners(), QStringList({"4|1", "4|2", "4|3", "4|4", "4|5"}));
  auto* latest = child<QListWidget>("latestWinners");
  ASSERT_EQ(latest->count(), 5);
  const QString third = f.app.rows("select xm from yglb where zjsx=3 and zj>0").value(0);
  ASSERT_TRUE(latest->item(2)->text().contains(third));

  f.app.dialogs().confirmAnswers.push_back(true);
  clickRow(latest, latest->model()->index(2, 0));
  ASSERT_EQ(f.app.dialogs().shown.size(), 1u);
  EXPECT_TRUE(f.app.dialogs().lastText().contains(third + QStringLiteral(" 不在现场？")));
  EXPECT_TRUE(f.app.dialogs().lastText().contains(QStringLiteral("第 3 位")));
  EXPECT_TRUE(latest->item(2)->text().endsWith(QStringLiteral("缺席")));
  EXPECT_FALSE(latest->item(1)->text().endsWith(QStringLiteral("缺席")));
  EXPECT_EQ(f.app.rows(QStringLiteral("select zj from yglb where xm='%1'").arg(third)), QStringList{"-1"});
  // Clicked again, a marked winner asks nothing.
  clickRow(latest, latest->model()->index(2, 0));
  EXPECT_EQ(f.app.dialogs().shown.size(), 1u);
  // Delete on the handset still asks about the press's latest winner.
  key(&w(), Qt::Key_Delete);
  ASSERT_EQ(f.app.dialogs().shown.size(), 2u);
  EXPECT_TRUE(f.app.dialogs().lastText().contains(QStringLiteral("第 5 位")));

  draw();
  EXPECT_EQ(winners(), QStringList({"4|1", "4|2", "4|3", "4|4", "4|5"})) << "one replacement, at order 3";
  EXPECT_EQ(f.app.count("select id from yglb where zj>0 and zjsx=3 and xm<>'" + third + "'"), 1);
  ASSERT_EQ(latest->count(), 1);
  EXPECT_TRUE(latest->item(0)->text().startsWith(QStringLiteral("第 3 位")));
}

TEST_F(Panel, AnEarlierWinVoidedWithAReasonIsJournaledAndItsPrizeDrawnAgain) {
  struct Case {
    const char* what;
    int choice;  // an item of the reason box, or -1 for typed text
    QString typed;
    QString stored;  // empty: refused
  };
  const Case cases[] = {
      {"a listed reason", 0, {}, QStringLiteral("放弃领奖")},
      {"a reason of one's own", -1, QStringLiteral("  已离职 "), QStringLiteral("已离职")},
      {"no reason", -1, QStringLiteral("   "), {}},
  };
  f.app.setPlan(1, 1, 1, 1, 2);
  people(20);
  panel();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.app.exec("update yglb set zj=0, zjsx=0");
    emit f.program().session().resultsCleared();
    f.app.dialogs().clear();
    draw();
    draw();
    draw();  // two lucky prizes, then the third prize
    auto* all = child<QTreeWidget>("allWinners");
    ASSERT_EQ(all->topLevelItemCount(), 3);
    EXPECT_EQ(all->topLevelItem(0)->text(0), QStringLiteral("3")) << "newest first";
    QTreeWidgetItem* first = all->topLevelItem(2);
    const QString name = first->text(3);
    EXPECT_FALSE(child<QPushButton>("voidWin")->isEnabled()) << "nothing chosen yet";
    clickRow(all, all->indexFromItem(first));
    ASSERT_TRUE(child<QPushButton>("voidWin")->isEnabled());
    child<QPushButton>("voidWin")->click();
    auto* reason = child<QComboBox>("voidReason");
    ASSERT_TRUE(reason->isVisible());
    EXPECT_TRUE(reason->currentText().isEmpty()) << "never a reason the operator did not give";
    if (c.choice >= 0)
      reason->setCurrentIndex(c.choice);
    else
      reason->setEditText(c.typed);
    child<QPushButton>("voidConfirm")->click();

    ld::Connection connection;
    connection.setConnectionString(TDataModule1::connectionStringFor(f.app.folder()));
    const std::vector<ld::JournalRow> journal = ld::readJournal(connection);
    if (c.stored.isEmpty()) {
      EXPECT_EQ(f.app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1u);
      EXPECT_EQ(journal.back().event, QStringLiteral("drawn"));
      EXPECT_EQ(all->topLevelItemCount(), 3);
      EXPECT_TRUE(reason->isVisible()) << "the box stays for the reason";
      continue;
    }
    EXPECT_TRUE(f.app.dialogs().shown.empty());
    EXPECT_EQ(journal.back().event, QStringLiteral("voided"));
    EXPECT_EQ(journal.back().reason, c.stored);
    EXPECT_EQ(journal.back().name, name);
    EXPECT_EQ(journal.back().order, 1);
    EXPECT_EQ(f.app.rows(QStringLiteral("select zj, zjsx from yglb where xm='%1'").arg(name)),
              QStringList{"-2|1"});
    EXPECT_EQ(all->topLevelItemCount(), 2);
    EXPECT_FALSE(reason->isVisible());
    EXPECT_EQ(prizeRow(4)->text(2).section(QLatin1Char('\n'), 0, 0), QStringLiteral("1 / 2"));
    draw();
    EXPECT_EQ(winners(), QStringList({"4|2", "3|3", "4|4"})) << "the lucky prize drawn again";
  }
}

// A manager's extra prize during the event: the panel opens the plan window, and what is added there is the
// panel's next prize and the next stop's.
TEST_F(Panel, APrizeAddedFromThePanelIsOnThePanelAndDrawnNext) {
  f.app.setPlan(1, 1, 1, 1, 1);
  people(10);
  draw();  // the lucky prize
  child<QPushButton>("addPrize")->click();
  ld::PrizePlanDialog* window = f.program().prizePlanWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  ld::Prize extra;
  extra.name = QStringLiteral("董事长特别奖");
  extra.quantity = 2;
  extra.perDraw = 2;
  plan().addPrize(extra, 3);
  emit window->planChanged();
  QTreeWidgetItem* row = prizeRow(ld::kFirstExtraLevel);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(f.program().session().upcomingLevel(), ld::kFirstExtraLevel);
  draw();
  EXPECT_EQ(winners(), (QStringList{"4|1", "100|2", "100|3"}));
  window->close();
}

TEST_F(Panel, KeysTypedIntoTheReasonBoxAreText) {
  f.app.setPlan(1, 1, 1, 1, 2);
  people(4);
  panel();
  draw();
  auto* all = child<QTreeWidget>("allWinners");
  clickRow(all, all->model()->index(0, 0));
  child<QPushButton>("voidWin")->click();
  QLineEdit* typing = child<QComboBox>("voidReason")->lineEdit();
  for (const auto& [code, text] : {std::pair{Qt::Key_3, "3"},
                                   {Qt::Key_Space, " "},
                                   {Qt::Key_R, "r"},
                                   {Qt::Key_0, "0"},
                                   {Qt::Key_B, "b"}})
    key(typing, code, Qt::NoModifier, false, QString::fromLatin1(text));
  EXPECT_EQ(typing->text(), QStringLiteral("3 r0b"));
  EXPECT_EQ(w().drawState(), State::Result);
  EXPECT_EQ(f.program().session().chosenPrize(), std::nullopt);
  EXPECT_FALSE(f.program().blanked());
  EXPECT_TRUE(f.app.dialogs().shown.empty()) << "R asked nobody about an absence";
  // Outside the box the same keys are the draw's.
  child<QPushButton>("voidCancel")->click();
  all->setFocus();
  key(&panel(), Qt::Key_3);
  EXPECT_EQ(f.program().session().chosenPrize(), 3);
}

class PanelOpening : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kDesk); }
  void TearDown() override {
    program.reset();
    deleteOtherTopLevels();
  }
  TempApp app;
  std::unique_ptr<ld::LuckyDraw> program;
};

TEST_F(PanelOpening, ItOpensByItselfBesideTheHandsetWhenThePlanUsesMoreThanTheHandsetShows) {
  struct Case {
    const char* what;
    int limited;
    std::function<void(ld::PlanStore&)> change;
    bool opens;
  };
  const auto rule = [](ld::PlanStore& store) {
    ld::Prize p = *store.forDraw().prize(2);
    p.rule.departments = QStringList{QStringLiteral("研发")};
    store.savePrize(p);
  };
  const Case cases[] = {
      {"the four levels, one a press", 1, [](ld::PlanStore&) {}, false},
      {"a rule", 1, rule, true},
      {"several a press", 1,
       [](ld::PlanStore& store) {
         ld::Prize p = *store.forDraw().prize(4);
         p.perDraw = 2;
         store.savePrize(p);
       },
       true},
      {"an extra prize", 1,
       [](ld::PlanStore& store) {
         store.addPrize({0, QStringLiteral("特别奖"), 1}, 1);
       },
       true},
      {"a rule under an unlimited plan", 0, rule, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    program.reset();
    app.exec("delete from jxsz where jx>=100");
    app.exec("update jxsz set mcrs=1, gz='', sx=0");
    app.setPlan(c.limited, 1, 1, 1, 2);
    ld::PlanStore store(app.dataModule().ADOQuerysetting);
    c.change(store);
    program = std::make_unique<ld::LuckyDraw>();
    EXPECT_FALSE(program->drawPanel()->isVisible()) << "not before the draw shows";
    program->show();
    ld::DrawPanel* panel = program->drawPanel();
    ASSERT_EQ(panel->isVisible(), c.opens);
    if (!c.opens) continue;
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("抽奖控制台"));
    EXPECT_FALSE(panel->frameGeometry().intersects(program->drawWindow().frameGeometry()));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(panel->frameGeometry()));
    EXPECT_TRUE(program->isDrawWindow(panel)) << "the draw keys work there too";
  }
  // Not opened by itself, F9 and the handset's menu show and hide it.
  program->handleKey(ld::KeyAction::Panel);
  EXPECT_TRUE(program->drawPanel()->isVisible());
  EXPECT_FALSE(program->drawPanel()->frameGeometry().intersects(program->drawWindow().frameGeometry()));
  program->drawWindow().panelAction()->trigger();
  EXPECT_FALSE(program->drawPanel()->isVisible());
  EXPECT_TRUE(app.dialogs().shown.empty());
}

}  // namespace
