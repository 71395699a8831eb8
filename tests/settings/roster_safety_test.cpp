#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "framework/scratch_files.h"
#include "settings/photo_file.h"
#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

class PhotoSafety : public SettingsTest {
 protected:
  QStringList appEntries() {
    QStringList entries =
        QDir(app.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
  }
};

TEST_F(PhotoSafety, QuotesInNamesAndDepartmentsAreStoredExactly) {
  open();
  form->show();
  enter(QStringLiteral("R&D 'Labs'"), QStringLiteral("O'Brien"));
  const QByteArray photo = givePhoto();
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("添加员工成功")});
  EXPECT_EQ(roster(), QStringList{QStringLiteral("O'Brien|R&D 'Labs'|zp\\R&D 'Labs'_O'Brien.jpg|0|0")});
  EXPECT_EQ(readFile(zp(QStringLiteral("R&D 'Labs'_O'Brien.jpg"))), photo);

  boxes().clear();
  enter(QStringLiteral("R&D 'Labs'"), QStringLiteral("O'Brien"));
  givePhoto();
  form->Buttontjyg->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("已经有相同科室相同姓名的员工，请更改信息")});

  boxes().clear();
  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("D'Arcy"));
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新成功")});
  EXPECT_EQ(roster(), QStringList{QStringLiteral("D'Arcy|R&D 'Labs'|zp\\R&D 'Labs'_D'Arcy.jpg|0|0")});
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("R&D 'Labs'_D'Arcy.jpg")});
}

TEST_F(PhotoSafety, NamesThatCannotBeFileNamesAreRefusedBeforeAnythingIsWritten) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"));
  open();
  form->show();
  const QStringList appBefore = appEntries();
  const QStringList zpBefore = zpEntries();
  const QStringList rosterBefore = roster();
  struct Case {
    QString department, name;
    QWidget* focus;
    QString says;  // what the message must name
  };
  const Case cases[] = {
      {QStringLiteral("销售/部"), QStringLiteral("李四"), form->ComboBoxbm, QStringLiteral("部门中的“/”")},
      {QStringLiteral("..\\db"), QStringLiteral("李四"), form->ComboBoxbm, QStringLiteral("部门中的“\\”")},
      {QStringLiteral(".."), QStringLiteral("李四"), form->ComboBoxbm, QStringLiteral("以“.”开头")},
      {QStringLiteral(".hidden"), QStringLiteral("李四"), form->ComboBoxbm, QStringLiteral("以“.”开头")},
      {QStringLiteral("销售部"), QStringLiteral("李*四"), form->Editxm, QStringLiteral("姓名中的“*”")},
      {QStringLiteral("销售部"), QStringLiteral("李\t四"), form->Editxm, QStringLiteral("姓名中的制表符")},
      {QStringLiteral("销售部"), QStringLiteral("李\x01四"), form->Editxm, QStringLiteral("U+0001")},
      {QStringLiteral("销售部"), QStringLiteral("a:b"), form->Editxm, QStringLiteral("姓名中的“:”")},
      // 9 + 1 + 300 + 4 bytes
      {QStringLiteral("销售部"), QString(100, QChar(0x674E)), form->Editxm,
       QStringLiteral("现在是 314 字节")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.department + QLatin1Char('/') + c.name).toStdString());
    boxes().clear();
    enter(c.department, c.name);
    givePhoto();
    form->Buttontjyg->click();
    ASSERT_EQ(infos().size(), 1);
    EXPECT_NE(infos()[0], QStringLiteral("添加员工成功"));
    EXPECT_TRUE(infos()[0].contains(c.says)) << infos()[0].toStdString();
    EXPECT_TRUE(focusedOn(c.focus));

    boxes().clear();
    clickRow(grid(), 0);
    enter(c.department, c.name);
    update();
    ASSERT_EQ(infos().size(), 1);
    EXPECT_NE(infos()[0], QStringLiteral("员工更新成功"));
  }
  EXPECT_EQ(roster(), rosterBefore);
  EXPECT_EQ(zpEntries(), zpBefore);
  EXPECT_EQ(appEntries(), appBefore);
}

TEST_F(PhotoSafety, NamesThatMakeSafeFileNamesAreAccepted) {
  open();
  form->show();
  const std::pair<QString, QString> accepted[] = {
      {QStringLiteral("销售部"), QStringLiteral("Wang L.")},
      {QStringLiteral("R..D"), QStringLiteral("a..b")},
      {QStringLiteral("技术部."), QStringLiteral("~张三")},
      {QStringLiteral("销售部"),
       QString(80, QChar(0x674E)) + QLatin1Char('a')},  // 9 + 1 + 241 + 4 = 255 bytes
  };
  QStringList files;
  for (const auto& [department, name] : accepted) {
    SCOPED_TRACE((department + QLatin1Char('/') + name).toStdString());
    boxes().clear();
    enter(department, name);
    const QByteArray photo = givePhoto();
    form->Buttontjyg->click();
    EXPECT_EQ(infos(), QStringList{QStringLiteral("添加员工成功")});
    EXPECT_EQ(readFile(zp(department + QLatin1Char('_') + name + QStringLiteral(".jpg"))), photo);
    files << department + QLatin1Char('_') + name + QStringLiteral(".jpg");
  }
  files.sort();
  EXPECT_EQ(zpEntries(), files);
}

TEST_F(PhotoSafety, JoinedNamesThatMeetInOneFileAreRefusedLikeDuplicates) {
  app.addParticipant(QStringLiteral("B"), QStringLiteral("A_"), true, Qt::red);
  app.addParticipant(QStringLiteral("C"), QStringLiteral("A"));
  open();
  form->show();
  const QByteArray original = readFile(zp(QStringLiteral("A__B.jpg")));

  for (const auto& [department, name] : {std::pair{QStringLiteral("A"), QStringLiteral("_B")},
                                         std::pair{QStringLiteral("a"), QStringLiteral("_b")}}) {
    boxes().clear();
    enter(department, name);
    givePhoto();
    form->Buttontjyg->click();
    ASSERT_EQ(infos().size(), 1);
    EXPECT_TRUE(infos()[0].contains(QStringLiteral("__"))) << infos()[0].toStdString();
    EXPECT_TRUE(focusedOn(form->ComboBoxbm));
  }

  boxes().clear();
  clickRow(grid(), 1);
  form->Editxm->setText(QStringLiteral("_B"));
  update();
  ASSERT_EQ(infos().size(), 1);
  EXPECT_NE(infos()[0], QStringLiteral("员工更新成功"));

  EXPECT_EQ(roster(),
            (QStringList{QStringLiteral("B|A_|zp\\A__B.jpg|0|0"), QStringLiteral("C|A|zp\\A_C.jpg|0|0")}));
  EXPECT_EQ(readFile(zp(QStringLiteral("A__B.jpg"))), original);
}

TEST_F(PhotoSafety, AFailedWriteOrStatementLeavesTheOldState) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"), true, Qt::red);
  open();
  form->show();
  const QString oldFile = zp(QStringLiteral("销售部_张三.jpg"));
  const QByteArray old = readFile(oldFile);
  const QStringList rosterBefore = roster();

  // The new photo's place is taken by a folder.
  QDir().mkpath(zp(QStringLiteral("销售部_李四.jpg")));
  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("李四"));
  givePhoto(Qt::blue);
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新失败")});
  EXPECT_EQ(roster(), rosterBefore);
  EXPECT_EQ(readFile(oldFile), old);
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("李四"));
  EXPECT_EQ(form->Labelid->text(), QString::number(id));
  EXPECT_EQ(form->Label1zpsy->text(), QStringLiteral("zp\\销售部_张三.jpg"));
  EXPECT_EQ(zpEntries(), (QStringList{QStringLiteral("销售部_张三.jpg"), QStringLiteral("销售部_李四.jpg")}));
  QDir(zp(QStringLiteral("销售部_李四.jpg"))).removeRecursively();

  // The statement fails once the new file is in place: renamed, and under the same name.
  app.exec(
      QStringLiteral("create trigger frozen before update on yglb begin select raise(abort, 'locked'); end"));
  for (const QString& name : {QStringLiteral("李四"), QStringLiteral("张三")}) {
    boxes().clear();
    form->Editxm->setText(name);
    update();
    EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新失败")});
    EXPECT_EQ(roster(), rosterBefore);
    EXPECT_EQ(readFile(oldFile), old);
    EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("销售部_张三.jpg")});
  }
  app.exec(QStringLiteral("drop trigger frozen"));

  // An add whose insert fails puts back what lay at the target.
  app.exec(
      QStringLiteral("create trigger closed before insert on yglb begin select raise(abort, 'locked'); end"));
  writeFile(zp(QStringLiteral("技术部_王五.jpg")), "left over");
  boxes().clear();
  enter(QStringLiteral("技术部"), QStringLiteral("王五"));
  givePhoto();
  form->Buttontjyg->click();
  ASSERT_EQ(infos().size(), 1);
  EXPECT_TRUE(infos()[0].startsWith(QStringLiteral("员工添加失败")));
  EXPECT_EQ(readFile(zp(QStringLiteral("技术部_王五.jpg"))), QByteArray("left over"));
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("王五"));
  app.exec(QStringLiteral("drop trigger closed"));

  // No photo folder at all: a plain file named zp.
  ASSERT_TRUE(QDir(app.folder()).rename(QStringLiteral("zp"), QStringLiteral("zp.saved")));
  writeFile(app.path(QStringLiteral("zp")), "x");
  boxes().clear();
  form->Buttontjyg->click();
  ASSERT_EQ(infos().size(), 1);
  EXPECT_TRUE(infos()[0].startsWith(QStringLiteral("员工添加失败")));
  EXPECT_EQ(roster(), rosterBefore);
  QFile::remove(app.path(QStringLiteral("zp")));
  QDir(app.folder()).rename(QStringLiteral("zp.saved"), QStringLiteral("zp"));
}

TEST_F(PhotoSafety, StoredPathsOutsideThePhotoFolderAreNeverDeleted) {
  app.exec(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( 'X', 'Y', 'system\\logo.jpg' )"));
  app.exec(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( 'Z', 'Y', 'zp\\..\\db\\db.mdb' )"));
  open();
  form->show();
  const QByteArray logo = readFile(app.path(QStringLiteral("system/logo.jpg")));

  clickRow(grid(), 0);
  form->Editxm->setText(QStringLiteral("X2"));
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新成功")});
  EXPECT_EQ(readFile(app.path(QStringLiteral("system/logo.jpg"))), logo);
  EXPECT_EQ(readFile(zp(QStringLiteral("Y_X2.jpg"))), logo);

  boxes().confirmAnswers = {true};
  form->Button5->click();
  EXPECT_TRUE(QFileInfo::exists(app.dbPath()));
  EXPECT_TRUE(QFileInfo::exists(app.path(QStringLiteral("system/logo.jpg"))));
  EXPECT_TRUE(roster().isEmpty());
}

// Older event data can hold two rows naming one photo file.
class SharedPhoto : public PhotoSafety {
 protected:
  QByteArray photo;
  void SetUp() override {
    app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"), true, Qt::red);
    app.exec(QStringLiteral(
        "INSERT INTO yglb ( xm,bm, zp ) VALUES ( '张三二', '销售部', 'zp\\销售部_张三.jpg' )"));
    photo = readFile(zp(QStringLiteral("销售部_张三.jpg")));
    open();
    form->show();
  }
};

TEST_F(SharedPhoto, DeletingOneRowKeepsTheFileTheOtherNames) {
  clickRow(grid(), 1);
  boxes().confirmAnswers = {true};
  form->Button3->click();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工删除成功")});
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), photo);
}

TEST_F(SharedPhoto, RenamingOneRowKeepsTheFileTheOtherNames) {
  clickRow(grid(), 1);
  form->Editxm->setText(QStringLiteral("李四"));
  update();
  EXPECT_EQ(infos(), QStringList{QStringLiteral("员工更新成功")});
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_张三.jpg"))), photo);
  EXPECT_EQ(readFile(zp(QStringLiteral("销售部_李四.jpg"))), photo);
}

TEST_F(PhotoSafety, AtStartOnlyTheScratchFilesOfInterruptedWritesAreRemoved) {
  app.addParticipant(QStringLiteral("张三"), QStringLiteral("销售部"));
  writeFile(zp(QStringLiteral(".~new-0123456789abcdef.tmp")), "half written");
  writeFile(zp(QStringLiteral(".~old-fedcba9876543210.tmp")), "kept while replacing");
  const QStringList kept = {QStringLiteral(".~new-0123.tmp"),
                            QStringLiteral(".~new-0123456789abcdef.tmp.jpg"), QStringLiteral(".hidden.jpg"),
                            QStringLiteral("temp.jpg"), QStringLiteral("x.tmp")};
  for (const QString& name : kept) writeFile(zp(name), "keep");
  QDir().mkpath(zp(QStringLiteral(".~old-00000000000000aa.tmp")));  // a folder is nobody's scratch file

  EXPECT_EQ(tidyScratchFiles(zpFolder()).removed, 2);
  QStringList expected = kept;
  expected << QStringLiteral(".~old-00000000000000aa.tmp") << QStringLiteral("销售部_张三.jpg");
  expected.sort();
  EXPECT_EQ(zpEntries(), expected);
}

TEST_F(PhotoSafety, AWriteCutOffBeforeItsRowChangedLeavesTheOldPhotoAndNoScratchFiles) {
  const QString target = zp(QStringLiteral("销售部_张三.jpg"));
  writeFile(target, "old photo");
  PhotoReplacement replacement(target);
  replacement.stage("new photo");
  // What a power cut at this moment leaves behind, and what the next start makes of it: the row still
  // stands for the old photo.
  EXPECT_EQ(tidyScratchFiles(zpFolder()).restored, 1);
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("销售部_张三.jpg")});
  EXPECT_EQ(readFile(target), QByteArray("old photo"));
  replacement.commit();
}

}  // namespace
