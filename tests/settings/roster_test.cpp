#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "support/keys.h"
#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

const QColor kBand(166, 202, 240);

class Roster : public SettingsTest {};

TEST_F(Roster, EmptyRosterShowsOnlyTheHeaderAndRowActionsSayWhy) {
  open();
  form->show();
  EXPECT_EQ(grid()->rowCount(), 0);
  EXPECT_EQ(grid()->horizontalHeaderItem(3)->text(), QStringLiteral("照片编号"));
  mouseClick(grid()->viewport(), {60, 10});
  EXPECT_TRUE(entryEmpty());

  form->Button3->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("请选定需要删除的员工")});
  EXPECT_TRUE(questions().isEmpty());

  boxes().clear();
  update();
  EXPECT_EQ(questions(), QStringList{QStringLiteral("真的要更新该员工吗？")});
  EXPECT_EQ(infos(), QStringList{QStringLiteral("请输入完整的信息")});

  boxes().clear();
  boxes().confirmAnswers = {true, true};
  form->Button5->click();
  form->Button7->click();
  EXPECT_EQ(questions(), (QStringList{QStringLiteral("真的要清空员工列表吗？"),
                                      QStringLiteral("真的要清空中奖记录吗？")}));
  EXPECT_EQ(infos(), (QStringList{QStringLiteral("员工列表清空"), QStringLiteral("中奖记录清空")}));
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(Roster, GridListsParticipantsWithPrizesAndPaintsWinnersLightBlue) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"));
  const int b = app.addParticipant(QStringLiteral("李四"), QStringLiteral("技术部"));
  const int c = app.addParticipant(QStringLiteral("王五"), QStringLiteral("销售部"));
  app.exec(QStringLiteral("update yglb set zj=3, zjsx=1 where id=%1").arg(b));
  app.exec(QStringLiteral("update yglb set zj=99, zjsx=2 where id=%1").arg(c));
  open();
  form->show();

  ASSERT_EQ(grid()->rowCount(), 3);
  EXPECT_EQ(rowTexts(grid(), 0),
            (QStringList{QStringLiteral("1"), QStringLiteral("销售部"), QStringLiteral("张三"),
                         QStringLiteral("zp\\销售部_张三.jpg"), QString(), QString::number(a)}));
  EXPECT_EQ(grid()->item(1, 4)->text(), QStringLiteral("三等奖"));
  EXPECT_EQ(grid()->item(2, 4)->text(), QString());  // the outside-plan marker has no prize name
  EXPECT_TRUE(grid()->isColumnHidden(5));
  EXPECT_EQ(form->ComboBoxbm->count(), 2);
  EXPECT_EQ(form->ComboBoxbm->currentText(), QString());

  // The fill selects the first row without loading it.
  EXPECT_EQ(grid()->currentRow(), 0);
  EXPECT_TRUE(entryEmpty());

  EXPECT_EQ(cellBackground(grid(), 1, 4), kBand);
  EXPECT_EQ(cellBackground(grid(), 1, 0), kBand);
  EXPECT_NE(cellBackground(grid(), 0, 4), kBand);
  EXPECT_NE(cellBackground(grid(), 2, 4), kBand);
  // Selected, the winner keeps its band; the 99 row shows the normal selection.
  clickRow(grid(), 1);
  EXPECT_EQ(cellBackground(grid(), 1, 2), kBand);
  keyClick(grid(), Qt::Key_Down);
  EXPECT_EQ(grid()->currentRow(), 2);
  EXPECT_NE(cellBackground(grid(), 2, 2), kBand);
}

TEST_F(Roster, RowLoadsOnEveryClickAndKeyboardMove) {
  const int a = app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"), true, Qt::red);
  app.addParticipant(QStringLiteral("李四"), QStringLiteral("技术部"), false);
  open();
  form->show();
  const QByteArray logo = readFile(app.path(QStringLiteral("system/logo.jpg")));

  clickRow(grid(), 0);
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("张三"));
  EXPECT_EQ(form->ComboBoxbm->currentText(), QStringLiteral("销售部"));
  EXPECT_EQ(form->Labelid->text(), QString::number(a));
  EXPECT_EQ(form->Label1zpsy->text(), QStringLiteral("zp\\销售部_张三.jpg"));
  EXPECT_EQ(form->Imagezp->jpegData(), readFile(zp(QStringLiteral("销售部_张三.jpg"))));

  form->Editxm->setText(QStringLiteral("typed"));
  clickRow(grid(), 0);  // the row already selected loads again
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("张三"));

  keyClick(grid(), Qt::Key_Down);  // no photo: the placeholder
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("李四"));
  EXPECT_EQ(form->Imagezp->jpegData(), logo);

  form->Editxm->setText(QStringLiteral("typed"));
  keyClick(grid(), Qt::Key_Down);  // nowhere to move: nothing loads
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("typed"));

  QFile::remove(zp(QStringLiteral("销售部_张三.jpg")));  // named but missing: the placeholder
  keyClick(grid(), Qt::Key_Up);
  EXPECT_EQ(form->Imagezp->jpegData(), logo);

  writeFile(zp(QStringLiteral("销售部_张三.jpg")), "not a picture");
  keyClick(grid(), Qt::Key_Down);
  keyClick(grid(), Qt::Key_Up);
  EXPECT_EQ(errors().size(), 1);  // reported, and the fields are still filled
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("张三"));
}

TEST_F(Roster, AddWritesRowAndPhotoAndRefusesDuplicates) {
  open();
  form->show();
  enter(QStringLiteral("销售部"), QStringLiteral("张三"));
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("请输入完整的信息")});
  EXPECT_TRUE(focusedOn(form->Editxm));
  EXPECT_TRUE(roster().isEmpty());

  boxes().clear();
  const QByteArray photo = givePhoto();
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("添加员工成功")});
  EXPECT_EQ(roster(), QStringList{QStringLiteral("张三|销售部|zp\\销售部_张三.jpg|0|0")});
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), photo);
  EXPECT_EQ(grid()->rowCount(), 1);
  EXPECT_EQ(form->ComboBoxbm->itemText(0), QStringLiteral("销售部"));
  EXPECT_TRUE(entryEmpty());

  // The same name elsewhere is fine; the same pair again, blanks or not, is not.
  enter(QStringLiteral("技术部"), QStringLiteral("张三"));
  givePhoto();
  form->Buttontjyg->click();
  EXPECT_EQ(grid()->rowCount(), 2);
  boxes().clear();
  enter(QStringLiteral(" 销售部 "), QStringLiteral("张三 "));
  givePhoto(Qt::red);
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("已经有相同科室相同姓名的员工，请更改信息")});
  EXPECT_TRUE(focusedOn(form->ComboBoxbm));
  EXPECT_EQ(roster().size(), 2);
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), photo);
}

TEST_F(Roster, UpdateKeepsThePrizeAndMovesThePhotoWithTheName) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"), true, Qt::red);
  app.addParticipant(QStringLiteral("Li"), QStringLiteral("销售部"));
  app.exec(QStringLiteral("update yglb set zj=2, zjsx=1 where id=%1").arg(id));
  open();
  form->show();

  clickRow(grid(), 0);
  update(false);
  EXPECT_EQ(questions(), QStringList{QStringLiteral("真的要更新该员工吗？")});
  EXPECT_TRUE(infos().isEmpty());

  const QByteArray before = form->Imagezp->jpegData();
  update();  // nothing changed: written again under the same name
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新成功")});
  EXPECT_EQ(roster().value(0), QStringLiteral("张三|销售部|zp\\销售部_张三.jpg|2|1"));
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), before);
  EXPECT_TRUE(entryEmpty());

  boxes().clear();
  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("张三丰"));
  const QByteArray renamed = givePhoto(Qt::blue);
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新成功")});
  EXPECT_EQ(roster().value(0), QStringLiteral("张三丰|销售部|zp\\销售部_张三丰.jpg|2|1"));
  EXPECT_FALSE(QFileInfo::exists(zp(QStringLiteral("销售部_张三.jpg"))));
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三丰.jpg"))), renamed);
  EXPECT_EQ(grid()->item(0, 4)->text(), QStringLiteral("二等奖"));
  EXPECT_EQ(cellBackground(grid(), 0, 3), kBand);

  // Only letter case changes: the database sees the same name, the disk a different file.
  clickRow(grid(), 1);
  form->Editxm->setText(QStringLiteral("LI"));
  update();
  EXPECT_EQ(roster().value(1), QStringLiteral("LI|销售部|zp\\销售部_LI.jpg|0|0"));
  EXPECT_EQ(zpEntries(), (QStringList{QStringLiteral("销售部_LI.jpg"), QStringLiteral("销售部_张三丰.jpg")}));

  // Renaming onto another participant is refused.
  boxes().clear();
  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("li"));
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("已存在同部门同姓名员工，请核对后再更新，本次更新失败。")});
  EXPECT_TRUE(focusedOn(form->Editxm));
  EXPECT_EQ(roster().value(0), QStringLiteral("张三丰|销售部|zp\\销售部_张三丰.jpg|2|1"));
}

TEST_F(Roster, DeleteRemovesRowAndPhotoAndRenumbers) {
  const int a = app.addParticipant(QStringLiteral("甲"), QStringLiteral("一部"));
  app.addParticipant(QStringLiteral("乙"), QStringLiteral("一部"));
  const int c = app.addParticipant(QStringLiteral("丙"), QStringLiteral("二部"));
  open();
  form->show();

  clickRow(grid(), 1);
  boxes().confirmAnswers = {false};
  form->Button3->click();
  EXPECT_EQ(questions(), QStringList{QStringLiteral("真的要删除该员工吗？")});
  EXPECT_EQ(roster().size(), 3);

  boxes().clear();
  boxes().confirmAnswers = {true};
  form->Button3->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工删除成功")});
  EXPECT_EQ(roster().size(), 2);
  EXPECT_FALSE(QFileInfo::exists(zp(QStringLiteral("一部_乙.jpg"))));
  EXPECT_TRUE(QFileInfo::exists(zp(QStringLiteral("一部_甲.jpg"))));
  EXPECT_EQ(grid()->item(1, 0)->text(), QStringLiteral("2"));
  EXPECT_EQ(grid()->item(0, 5)->text(), QString::number(a));
  EXPECT_EQ(grid()->item(1, 5)->text(), QString::number(c));
  EXPECT_TRUE(entryEmpty());

  boxes().clear();
  form->Button3->click();  // nothing selected since the change
  EXPECT_EQ(infos(), QStringList{QStringLiteral("请选定需要删除的员工")});
  EXPECT_TRUE(questions().isEmpty());
}

TEST_F(Roster, ClearingResultsAndRosterTouchesOnlyRosterPhotos) {
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("一部"));
  const int b = app.addParticipant(QStringLiteral("乙"), QStringLiteral("一部"));
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where id=%1").arg(b));
  writeFile(zp(QStringLiteral("temp.jpg")), solidJpeg(480, 360, Qt::red));
  writeFile(zp(QStringLiteral("other.jpg")), solidJpeg(480, 360, Qt::red));
  open();
  form->show();
  ASSERT_EQ(cellBackground(grid(), 1, 2), kBand);

  boxes().confirmAnswers = {true};
  form->Button7->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("中奖记录清空")});
  EXPECT_EQ(app.rows(QStringLiteral("select zj, zjsx from yglb")),
            (QStringList{QStringLiteral("0|0"), QStringLiteral("0|0")}));
  EXPECT_NE(cellBackground(grid(), 1, 2), kBand);
  EXPECT_EQ(grid()->item(1, 4)->text(), QString());

  boxes().confirmAnswers = {false};
  form->Button5->click();
  EXPECT_EQ(roster().size(), 2);

  boxes().clear();
  boxes().confirmAnswers = {true};
  form->Button5->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工列表清空")});
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_EQ(zpEntries(), (QStringList{QStringLiteral("other.jpg"), QStringLiteral("temp.jpg")}));
  EXPECT_EQ(grid()->rowCount(), 0);
  EXPECT_EQ(form->ComboBoxbm->count(), 0);
  // Each clean-up that ends results is told in the journal; the refused one is not.
  EXPECT_EQ(app.rows(QStringLiteral("select lx from cjrz order by xh")),
            (QStringList{QStringLiteral("results cleared"), QStringLiteral("roster cleared")}));
}

void typeText(QWidget* target, const QString& text) {
  for (QChar c : text) key(target, 0, Qt::NoModifier, false, QString(c));
}

TEST_F(Roster, DepartmentsAreOfferedInAPopupAndWhatIsStoredIsWhatWasTypedOrChosen) {
  app.addParticipant(QStringLiteral("甲"), QStringLiteral("Sales Asia"));
  app.addParticipant(QStringLiteral("乙"), QStringLiteral("销售部"));
  open();
  form->show();
  QApplication::setActiveWindow(form.get());
  QLineEdit* box = form->ComboBoxbm->lineEdit();
  QCompleter* offers = form->ComboBoxbm->completer();
  ASSERT_NE(offers, nullptr);

  const auto addTyped = [&](const QString& typed, const QString& name) {
    box->setFocus();
    typeText(box, typed);
    EXPECT_EQ(form->ComboBoxbm->currentText(), typed);
    keyClick(box, Qt::Key_Return);  // ending the edit must not change it either
    EXPECT_EQ(form->ComboBoxbm->currentText(), typed);
    form->Editxm->setText(name);
    givePhoto();
    form->Buttontjyg->click();
  };
  box->setFocus();
  typeText(box, QStringLiteral("Sales"));
  EXPECT_EQ(box->text(), QStringLiteral("Sales"));
  EXPECT_FALSE(box->hasSelectedText());
  EXPECT_TRUE(offers->popup()->isVisible());
  EXPECT_EQ(offers->currentCompletion(), QStringLiteral("Sales Asia"));
  box->clear();

  addTyped(QStringLiteral("Sales"), QStringLiteral("丙"));
  addTyped(QStringLiteral("sales asia"), QStringLiteral("丁"));
  addTyped(QStringLiteral("销售"), QStringLiteral("戊"));
  EXPECT_EQ(app.rows(QStringLiteral("select bm from yglb where id > 2 order by id")),
            (QStringList{QStringLiteral("Sales"), QStringLiteral("sales asia"), QStringLiteral("销售")}));

  // Offers ignore letter case; choosing one takes it whole.
  box->setFocus();
  typeText(box, QStringLiteral("ASIA"));
  ASSERT_TRUE(offers->popup()->isVisible());
  ASSERT_EQ(offers->completionCount(), 1);
  const QString offered = offers->completionModel()->index(0, 0).data().toString();
  EXPECT_EQ(offered.toLower(), QStringLiteral("sales asia"));
  offers->popup()->setCurrentIndex(offers->completionModel()->index(0, 0));
  keyClick(offers->popup(), Qt::Key_Return);
  EXPECT_EQ(form->ComboBoxbm->currentText(), offered);
}

}  // namespace
