#include <gtest/gtest.h>

#include <QFileDialog>
#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QStatusBar>

#include "support/settings_helpers.h"
#include "support/shots.h"

using namespace ld;
using namespace ld::test;

namespace {

class SettingWindow : public SettingsTest {};

TEST(SettingFormPosition, CentredFifteenPixelsAboveTheMiddleTruncatingTowardZero) {
  EXPECT_EQ(settingFormPosition({1024, 768}, {826, 530}), QPoint(99, 104));
  EXPECT_EQ(settingFormPosition({1024, 480}, {826, 530}), QPoint(99, -40));
  EXPECT_EQ(settingFormPosition({825, 531}, {826, 530}), QPoint(0, -15));  // -1 / 2 is 0
}

TEST_F(SettingWindow, PlacedOnTheScreenAndClosingOnlyHides) {
  open();
  EXPECT_EQ(form->size(), QSize(818, 503));
  EXPECT_EQ(form->pos(),
            settingFormPosition(QGuiApplication::primaryScreen()->geometry().size(), {826, 530}));
  EXPECT_FALSE(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  QPointer<TsettingForm> alive(form.get());
  form->show();
  form->close();
  EXPECT_TRUE(form->isHidden());
  EXPECT_FALSE(alive.isNull());
}

TEST_F(SettingWindow, EventInformationIsSavedTrimmedAndReloaded) {
  app.exec(QStringLiteral("update jcsz set sz='旧公司' where xm='GSMC'"));
  open();
  EXPECT_EQ(form->Editgsmc->text(), QStringLiteral("旧公司"));

  form->Editgsmc->setText(QStringLiteral("  幸运公司  "));
  form->Editlxry->setText(QStringLiteral("O'Neil"));
  form->Editlxdh->setText(QString());
  form->Button2->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("更新完成")});
  EXPECT_EQ(
      app.rows(QStringLiteral("select xm, sz from jcsz order by xm")),
      (QStringList{QStringLiteral("GSMC|幸运公司"), QStringLiteral("LXDH|"), QStringLiteral("LXRY|O'Neil")}));

  form->Editgsmc->setText(QStringLiteral("typed"));
  form->Editlxdh->setText(QStringLiteral("typed"));
  form->Buttonhyjcsz->click();
  EXPECT_EQ(form->Editgsmc->text(), QStringLiteral("幸运公司"));
  EXPECT_EQ(form->Editlxry->text(), QStringLiteral("O'Neil"));
  EXPECT_EQ(form->Editlxdh->text(), QString());
}

TEST_F(SettingWindow, MissingPhoneRowIsNoErrorAndAFailedSaveSaysNothingDone) {
  app.exec(QStringLiteral("delete from jcsz where xm='LXDH'"));
  open();
  form->Editlxdh->setText(QStringLiteral("123"));
  form->Button2->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("更新完成")});
  form->Buttonhyjcsz->click();
  EXPECT_EQ(form->Editlxdh->text(), QStringLiteral("123"));
  EXPECT_EQ(app.count(QStringLiteral("select xm from jcsz")), 2);

  boxes().clear();
  app.exec(QStringLiteral("drop table jcsz"));
  form->Button2->click();
  EXPECT_TRUE(infos().isEmpty());
  EXPECT_EQ(errors().size(), 1);
}

TEST_F(SettingWindow, AnErrorWhileOpeningSkipsTheRemainingSteps) {
  app.exec(QStringLiteral("update jcsz set sz='公司' where xm='GSMC'"));
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"));
  app.exec(QStringLiteral("drop table sy"));
  open();
  EXPECT_EQ(errors().size(), 1);
  EXPECT_EQ(form->Editgsmc->text(), QStringLiteral("公司"));
  EXPECT_EQ(form->StringGridgy->rowCount(), 0);
  EXPECT_EQ(form->ComboBoxbm->count(), 0);
}

TEST_F(SettingWindow, TheLayoutFillsTheClientAreaDownToTheStatusBar) {
  open();
  form->show();
  const QRect status = form->StatusBar1->geometry();
  EXPECT_EQ(status.bottom(), form->height() - 1);
  // The clean-up group sits just above the status bar, the groups on the right end near the right edge.
  const int band = status.top() - (form->GroupBox4->geometry().bottom() + 1);
  EXPECT_GE(band, 0);
  EXPECT_LE(band, 16);
  const int right = form->width() - (form->GroupBox2->geometry().right() + 1);
  EXPECT_GE(right, 0);
  EXPECT_LE(right, 24);
}

TEST(QtDialogTexts, ButtonsAndTheFileDialogSpeakChineseAndTitlesStayAsSet) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")))
      << box.button(QMessageBox::Yes)->text().toStdString();
  EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));

  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* fileNameLabel = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
  ASSERT_NE(fileNameLabel, nullptr);
  EXPECT_TRUE(fileNameLabel->text().contains(QStringLiteral("文件"))) << fileNameLabel->text().toStdString();

  // A display name would be appended to every window title by the window manager.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

// The whole window with a filled roster, as a person sees it: the chosen row's photo in the photo box, the
// winners' rows in the band colour, the outside-plan row and everyone else not. Kept when asked for.
TEST_F(SettingWindow, AFilledRosterShowsTheChosenPhotoAndBandsTheWinnersInTheWholeWindow) {
  const char* const people[][2] = {{"张三", "销售部"}, {"李四", "技术部"}, {"王五", "销售部"},
                                   {"赵六", "财务部"}, {"钱七", "技术部"}, {"孙八", "行政部"},
                                   {"周九", "销售部"}, {"吴十", "技术部"}, {"郑一", "财务部"},
                                   {"冯二", "行政部"}, {"陈三", "销售部"}, {"褚四", "技术部"}};
  const QColor colours[] = {QColor(200, 80, 60), QColor(60, 140, 200), QColor(90, 170, 90)};
  int i = 0;
  for (const auto& p : people)
    app.addParticipant(QString::fromUtf8(p[0]), QString::fromUtf8(p[1]), true, colours[i++ % 3]);
  app.exec(QStringLiteral("update yglb set zj=4, zjsx=id where id in (2, 5, 7)"));
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=9 where id=9"));
  app.exec(QStringLiteral("update yglb set zj=99, zjsx=10 where id=11"));
  app.exec(QStringLiteral("update jcsz set sz='幸运科技有限公司' where xm='GSMC'"));
  open();
  form->show();
  clickRow(grid(), 1);
  const QImage shown = form->grab().toImage();
  EXPECT_TRUE(keepShot(shown, QStringLiteral("settings.png")));

  ASSERT_EQ(shown.size(), form->size());
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 24 && std::abs(a.green() - b.green()) <= 24 &&
           std::abs(a.blue() - b.blue()) <= 24;
  };
  const QColor photo = shown.pixelColor(form->Imagezp->mapTo(form.get(), form->Imagezp->rect().center()));
  EXPECT_TRUE(near(photo, colours[1])) << "李四's photo, not " << photo.name().toStdString();

  // Each participant in sight once, at the top and scrolled to the bottom.
  const QColor band(166, 202, 240);
  const QSet<int> winners = {2, 5, 7, 9};
  QSet<int> seen;
  for (bool bottom : {false, true}) {
    if (bottom) grid()->scrollToBottom();
    const QImage window = bottom ? form->grab().toImage() : shown;
    for (int row = 0; row < grid()->rowCount(); ++row) {
      const QRect cell = cellRect(grid(), row, 4);
      if (!grid()->viewport()->geometry().contains(cell)) continue;  // scrolled out of sight
      const int id = grid()->item(row, 5)->text().toInt();
      seen << id;
      const QPoint corner = grid()->mapTo(form.get(), cell.bottomRight() - QPoint(2, 2));
      EXPECT_EQ(window.pixelColor(corner) == band, winners.contains(id)) << "participant " << id;
    }
  }
  EXPECT_EQ(seen.size(), 12) << "the whole roster in sight at one end or the other";
}

}  // namespace
