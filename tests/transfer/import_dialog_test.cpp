// The window side of import and export: preview, progress with cancel, messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

#include "framework/application.h"
#include "support/printing.h"
#include "support/shots.h"
#include "support/temp_app.h"
#include "transfer/import_dialog.h"
#include "transfer/table_file.h"

namespace ld {
namespace {

using test::solidJpeg;
using test::TempApp;
using test::writeFile;

// Calls `handle` once for the first visible top-level widget of type T named `name`, from the event
// loop of whatever modal dialog is running.
template <class T>
class WhenShown {
 public:
  WhenShown(const QString& name, std::function<void(T*)> handle) : name_(name), handle_(std::move(handle)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (done_) return;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        T* t = qobject_cast<T*>(w);
        if (t && t->isVisible() && t->objectName() == name_) {
          done_ = true;
          handle_(t);
          return;
        }
      }
    });
    timer_.start(5);
  }
  bool seen() const { return done_; }

 private:
  QString name_;
  std::function<void(T*)> handle_;
  QTimer timer_;
  bool done_ = false;
};

class ImportDialogTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir source;
  Query& q() { return app.dataModule().ADOQuerysetting; }
  QString src(const QString& name) { return source.path() + QLatin1Char('/') + name; }
  QStringList infos() { return app.dialogs().texts(ScriptedDialogs::Shown::Info); }
  QStringList roster() { return app.rows(QStringLiteral("select bm, xm from yglb order by id")); }
  QStringList zpEntries() {
    return QDir(app.path(QStringLiteral("zp"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  void choose(const QString& file) { app.dialogs().fileAnswers = {file}; }
};

TEST_F(ImportDialogTest, PreviewShowsEveryRowAndImportsOnConfirm) {
  writeFile(src(QStringLiteral("r.csv")),
            QStringLiteral("姓名,部门\n张三,研发部\n李四,销售部\n张三,研发部\n王五,市场部\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("导入 3 人"));
    EXPECT_TRUE(d->summary()->text().contains(QStringLiteral("可以添加：3 人；拒绝：1 行")));
    EXPECT_TRUE(d->summary()->text().contains(QStringLiteral("将为他们生成写有姓名的头像卡片")));
    EXPECT_TRUE(roster().isEmpty());  // nothing written while the preview is open
    QAbstractItemModel* rows = d->rows()->model();
    ASSERT_EQ(rows->rowCount(), 4);
    EXPECT_EQ(rows->index(0, 0).data().toInt(), 4);  // refused rows come first
    EXPECT_EQ(rows->index(1, 0).data().toInt(), 2);
    d->setRefusedOnly(true);
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 0).data().toInt(), 4);
    EXPECT_EQ(rows->index(0, 4).data().toString(), QStringLiteral("拒绝：与第 2 行重复（同部门同姓名）"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_TRUE(preview.seen());
  EXPECT_EQ(roster(), (QStringList{QStringLiteral("研发部|张三"), QStringLiteral("销售部|李四"),
                                   QStringLiteral("市场部|王五")}));
  EXPECT_EQ(zpEntries().size(), 3);
  EXPECT_EQ(infos().value(0), QStringLiteral("已导入 3 位员工（0 张照片，3 张生成的头像卡片）"));
}

TEST_F(ImportDialogTest, CancelledPreviewWritesNothing) {
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"),
                                         [](ImportPreviewDialog* d) { d->reject(); });
  EXPECT_FALSE(runRosterImport(nullptr, q()));
  EXPECT_TRUE(preview.seen());
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_TRUE(zpEntries().isEmpty());
  EXPECT_TRUE(infos().isEmpty());
}

TEST_F(ImportDialogTest, PhotoFolderChosenInTheWindowMatchesAgain) {
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n销售部,李四\n").toUtf8());
  QDir().mkpath(src(QStringLiteral("photos")));
  writeFile(src(QStringLiteral("photos/张三.jpg")), solidJpeg(640, 480, Qt::red));
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    EXPECT_EQ(d->plan().photosMatched, 0);
    EXPECT_FALSE(d->setPhotoFolder(src(QStringLiteral("nowhere"))));
    EXPECT_TRUE(infos().value(0).startsWith(QStringLiteral("照片文件夹不存在")));
    EXPECT_TRUE(d->setPhotoFolder(src(QStringLiteral("photos"))));
    EXPECT_EQ(d->plan().photosMatched, 1);
    EXPECT_EQ(d->rows()->model()->index(0, 3).data().toString(), QStringLiteral("张三.jpg"));
    d->cardsBox()->setChecked(false);
    EXPECT_EQ(d->rows()->model()->index(1, 3).data().toString(), QStringLiteral("（无照片）"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_EQ(app.rows(QStringLiteral("select xm, zp from yglb order by id")),
            (QStringList{QStringLiteral("张三|zp\\研发部_张三.jpg"), QStringLiteral("李四|")}));
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("研发部_张三.jpg")});
}

// The photos are converted while the preview is shown; closing it then removes every one of them.
TEST_F(ImportDialogTest, CancelDuringConversionLeavesNothing) {
  QString text = QStringLiteral("部门,姓名,照片\n");
  writeFile(src(QStringLiteral("p.jpg")), solidJpeg(2400, 1800, Qt::blue));
  for (int i = 0; i < 80; ++i) text += QStringLiteral("研发部,员工%1,p.jpg\n").arg(i);
  writeFile(src(QStringLiteral("r.csv")), text.toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->photoProgress()->value() > 0; }));
    EXPECT_FALSE(d->importButton()->isEnabled());
    EXPECT_FALSE(zpEntries().isEmpty());  // hidden scratch files
    d->reject();
  });
  EXPECT_FALSE(runRosterImport(nullptr, q()));
  EXPECT_TRUE(preview.seen());
  EXPECT_TRUE(infos().isEmpty());
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_TRUE(zpEntries().isEmpty());
}

// A damaged photo is found while the preview is shown: its row says so and gets a card before anything is
// written, and the import only puts the converted files in place.
TEST_F(ImportDialogTest, ADamagedPhotoSwitchesToACardInThePreview) {
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n").toUtf8());
  writeFile(src(QStringLiteral("张三.jpg")), solidJpeg(640, 480, Qt::red));
  writeFile(src(QStringLiteral("李四.jpg")), solidJpeg(640, 480, Qt::red).left(300));
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    QAbstractItemModel* rows = d->rows()->model();
    EXPECT_EQ(rows->index(1, 3).data().toString(), QStringLiteral("李四.jpg"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    EXPECT_EQ(rows->index(1, 3).data().toString(), QStringLiteral("（生成头像卡片）"));
    EXPECT_TRUE(rows->index(1, 4).data().toString().startsWith(QStringLiteral("添加（照片无法转换")));
    EXPECT_EQ(rows->index(0, 4).data().toString(), QStringLiteral("添加"));
    EXPECT_TRUE(d->summary()->text().contains(QStringLiteral("照片说明：1 人")))
        << d->summary()->text().toStdString();
    EXPECT_EQ(d->photoStatus()->text(), QStringLiteral("照片已准备好"));
    EXPECT_TRUE(test::keepShot(d->grab().toImage(), QStringLiteral("import-damaged-photo.png")));
    EXPECT_EQ(zpEntries().size(), 2);  // converted, under scratch names only
    EXPECT_FALSE(zpEntries().contains(QStringLiteral("研发部_张三.jpg")));
    EXPECT_TRUE(roster().isEmpty());
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_TRUE(preview.seen());
  EXPECT_EQ(roster(), (QStringList{QStringLiteral("研发部|张三"), QStringLiteral("研发部|李四")}));
  QStringList zp = zpEntries();
  zp.sort();
  EXPECT_EQ(zp, (QStringList{QStringLiteral("研发部_张三.jpg"), QStringLiteral("研发部_李四.jpg")}));
  EXPECT_EQ(infos().value(0), QStringLiteral("已导入 2 位员工（1 张照片，1 张生成的头像卡片）"));
}

// A write that fails keeps the file and folder: the preview comes back, matched against the roster again.
TEST_F(ImportDialogTest, AFailedImportShowsThePreviewAgain) {
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  std::unique_ptr<WhenShown<ImportPreviewDialog>> again;
  WhenShown<ImportPreviewDialog> first(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"), false);  // someone else's change
    again = std::make_unique<WhenShown<ImportPreviewDialog>>(
        QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d2) {
          EXPECT_EQ(d2->plan().toAdd, 1);
          EXPECT_EQ(d2->plan().refused, 1);
          ASSERT_TRUE(QTest::qWaitFor([&] { return d2->importButton()->isEnabled(); }));
          d2->importButton()->click();
        });
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->seen());
  EXPECT_TRUE(infos().value(0).contains(QStringLiteral("名单在预览之后有了改动")))
      << infos().value(0).toStdString();
  EXPECT_EQ(roster(), (QStringList{QStringLiteral("研发部|张三"), QStringLiteral("研发部|李四")}));
  QStringList zp = zpEntries();
  zp.sort();
  EXPECT_EQ(zp, (QStringList{QStringLiteral("研发部_李四.jpg")}));
}

TEST_F(ImportDialogTest, BadFileIsReportedWithoutAPreview) {
  writeFile(src(QStringLiteral("empty.csv")), QByteArray());
  choose(src(QStringLiteral("empty.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"),
                                         [](ImportPreviewDialog* d) { d->reject(); });
  EXPECT_FALSE(runRosterImport(nullptr, q()));
  EXPECT_FALSE(preview.seen());
  EXPECT_TRUE(infos().value(0).contains(QStringLiteral("文件是空的"))) << infos().value(0).toStdString();
  EXPECT_FALSE(runRosterImport(nullptr, q()));  // the file choice cancelled: nothing at all
  EXPECT_EQ(infos().size(), 1);
}

TEST_F(ImportDialogTest, ExportsChosenFileAddingTheExtension) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("update yglb set zj=2, zjsx=1 where id=%1").arg(id));
  app.dialogs().fileAnswers = {src(QStringLiteral("winners")), src(QStringLiteral("roster.csv"))};
  EXPECT_TRUE(runResultsExport(nullptr, q()));
  EXPECT_EQ(readTable(src(QStringLiteral("winners.xlsx"))).rows.at(1).cells,
            (QStringList{"1", QStringLiteral("二等奖"), QStringLiteral("研发部"), QStringLiteral("张三")}));
  EXPECT_TRUE(runRosterExport(nullptr, q()));
  EXPECT_EQ(readTable(src(QStringLiteral("roster.csv"))).rows.size(), 2u);
  EXPECT_EQ(infos(), (QStringList{QStringLiteral("已导出 1 位中奖者到 %1")
                                      .arg(QDir::toNativeSeparators(src(QStringLiteral("winners.xlsx")))),
                                  QStringLiteral("已导出 1 位员工到 %1")
                                      .arg(QDir::toNativeSeparators(src(QStringLiteral("roster.csv"))))}));
  EXPECT_FALSE(runResultsExport(nullptr, q()));  // cancelled
  EXPECT_EQ(app.dialogs().texts(ScriptedDialogs::Shown::SaveFile).size(), 3);
}

// Only an operator working in English is asked, once the file is chosen; No gives the Chinese file.
TEST_F(ImportDialogTest, AnEnglishSessionIsAskedWhetherTheFileIsEnglish) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where id=%1").arg(id));
  const auto cells = [&](const QString& name, int row) {
    return readTable(src(name)).rows.at(size_t(row)).cells;
  };
  const auto questions = [&] { return app.dialogs().texts(ScriptedDialogs::Shown::Confirm); };

  app.dialogs().fileAnswers = {src(QStringLiteral("chinese.csv"))};
  app.dialogs().confirmAnswers = {true};
  EXPECT_TRUE(runResultsExport(nullptr, q()));
  EXPECT_TRUE(questions().isEmpty());
  EXPECT_EQ(cells(QStringLiteral("chinese.csv"), 1).value(1), QStringLiteral("一等奖"));

  struct ChineseAgain {
    ~ChineseAgain() { setLanguage(*QCoreApplication::instance(), Language::Chinese); }
  } restore;
  ASSERT_TRUE(setLanguage(*QCoreApplication::instance(), Language::English));
  app.dialogs().clear();
  app.dialogs().fileAnswers = {src(QStringLiteral("yes.csv")), src(QStringLiteral("no.csv")),
                               src(QStringLiteral("roster"))};
  app.dialogs().confirmAnswers = {true, false, true};
  EXPECT_TRUE(runResultsExport(nullptr, q()));
  EXPECT_TRUE(runResultsExport(nullptr, q()));
  EXPECT_TRUE(runRosterExport(nullptr, q()));
  EXPECT_EQ(cells(QStringLiteral("yes.csv"), 1),
            (QStringList{"1", "First prize", QStringLiteral("研发部"), QStringLiteral("张三"), QString()}));
  EXPECT_EQ(cells(QStringLiteral("no.csv"), 0).value(0), QStringLiteral("中奖顺序"));
  EXPECT_EQ(cells(QStringLiteral("no.csv"), 1).value(1), QStringLiteral("一等奖"));
  EXPECT_EQ(cells(QStringLiteral("roster.xlsx"), 0), (QStringList{"Department", "Name", "Photo"}));
  ASSERT_EQ(questions().size(), 3);
  EXPECT_TRUE(questions().value(0).startsWith(QStringLiteral("Write this file in English?")));
  EXPECT_EQ(infos().value(0), QStringLiteral("Winners exported to %1: 1")
                                  .arg(QDir::toNativeSeparators(src(QStringLiteral("yes.csv")))));

  EXPECT_FALSE(runResultsExport(nullptr, q()));  // no file chosen: nothing asked
  EXPECT_EQ(questions().size(), 3);
}

TEST_F(ImportDialogTest, ASheetWithoutHeaderIsImportedOnlyOnceTheColumnsAreSet) {
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("研发部,张三,001\n销售部,李四,002\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    EXPECT_FALSE(d->importButton()->isEnabled());
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("请先确认各列的含义"));
    EXPECT_TRUE(d->findChild<QGroupBox*>(QStringLiteral("columnMapping"))
                    ->title()
                    .contains(QStringLiteral("没有认出表头")));
    auto* third = d->findChild<QComboBox*>(QStringLiteral("columnMeaning2"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->currentText(), QStringLiteral("忽略"));
    third->setCurrentText(QStringLiteral("工号"));
    d->findChild<QPushButton*>(QStringLiteral("confirmColumns"))->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("导入 2 人"));
    EXPECT_TRUE(test::keepShot(d->grab().toImage(), QStringLiteral("import-columns.png")));
    // A box changed again takes the import back until it is checked.
    third->setCurrentText(QStringLiteral("标签"));
    EXPECT_FALSE(d->importButton()->isEnabled());
    third->setCurrentText(QStringLiteral("工号"));
    d->findChild<QPushButton*>(QStringLiteral("confirmColumns"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_TRUE(preview.seen());
  EXPECT_EQ(app.rows(QStringLiteral("select gh, bm, xm from yglb order by id")),
            (QStringList{QStringLiteral("001|研发部|张三"), QStringLiteral("002|销售部|李四")}));
}

TEST_F(ImportDialogTest, UpdateChosenInThePreviewMovesPeopleAndSaysSoOnItsButton) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.addParticipant(QStringLiteral("离开者"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("update yglb set gh='1', zj=1, zjsx=1 where id=%1").arg(id));
  writeFile(src(QStringLiteral("r.csv")),
            QStringLiteral("工号,部门,姓名\n1,市场部,张三\n2,研发部,新人\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    auto* removeMissing = d->findChild<QCheckBox*>(QStringLiteral("removeMissing"));
    EXPECT_FALSE(removeMissing->isEnabled());
    d->findChild<QComboBox*>(QStringLiteral("importMode"))->setCurrentIndex(1);
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("更新名单：添加 1 人，更新 1 人，移除 0 人"));
    ASSERT_TRUE(removeMissing->isEnabled());
    removeMissing->click();
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("更新名单：添加 1 人，更新 1 人，移除 1 人"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->importButton()->isEnabled(); }));
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_EQ(app.rows(QStringLiteral("select id, bm, xm, zj, zjsx from yglb order by id")),
            (QStringList{QStringLiteral("%1|市场部|张三|1|1").arg(id),
                         QStringLiteral("%1|研发部|新人|0|0").arg(id + 2)}));
  EXPECT_EQ(infos().value(0), QStringLiteral("已更新名单：添加 1 人，更新 1 人，移除 1 人"));
  EXPECT_EQ(zpEntries().size(), 2);
}

// Nobody new means no photo to convert: the update must still be possible.
TEST_F(ImportDialogTest, AnUpdateThatAddsNobodyCanBeConfirmed) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("update yglb set gh='1' where id=%1").arg(id));
  writeFile(src(QStringLiteral("r.csv")), QStringLiteral("工号,部门,姓名\n1,市场部,张三\n").toUtf8());
  choose(src(QStringLiteral("r.csv")));
  WhenShown<ImportPreviewDialog> preview(QStringLiteral("ImportPreviewDialog"), [&](ImportPreviewDialog* d) {
    d->findChild<QComboBox*>(QStringLiteral("importMode"))->setCurrentIndex(1);
    EXPECT_EQ(d->importButton()->text(), QStringLiteral("更新名单：添加 0 人，更新 1 人，移除 0 人"));
    if (!QTest::qWaitFor([&] { return d->importButton()->isEnabled(); })) {
      ADD_FAILURE() << "the update never became possible";
      d->reject();
      return;
    }
    d->importButton()->click();
  });
  EXPECT_TRUE(runRosterImport(nullptr, q()));
  EXPECT_EQ(roster(), QStringList{QStringLiteral("市场部|张三")});
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("市场部_张三.jpg")});
}

TEST_F(ImportDialogTest, HiddenRowsComeInWhenTheBoxIsTicked) {
  Table t;
  t.rows = {{1, {QStringLiteral("部门"), QStringLiteral("姓名")}, false},
            {2, {QStringLiteral("研发部"), QStringLiteral("张三")}, false},
            {3, {QStringLiteral("研发部"), QStringLiteral("离职者")}, true}};
  const QString file = src(QStringLiteral("h.xlsx"));
  ImportPlan plan = planRosterImport(t, file, QString(), q());
  ImportPreviewDialog d(t, std::move(plan), q());
  EXPECT_EQ(d.importButton()->text(), QStringLiteral("导入 1 人"));
  EXPECT_TRUE(d.findChild<QPlainTextEdit*>(QStringLiteral("importDetails"))
                  ->toPlainText()
                  .contains(QStringLiteral("第 3 行：隐藏的行")));
  d.findChild<QCheckBox*>(QStringLiteral("includeHidden"))->click();
  EXPECT_EQ(d.importButton()->text(), QStringLiteral("导入 2 人"));
}

}  // namespace
}  // namespace ld
