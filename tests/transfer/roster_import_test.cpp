// Roster import: the plan (columns, refusals, photo matching) and the all-or-nothing write.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <ostream>
#include <thread>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/jpeg.h"
#include "settings/photo_import.h"
#include "support/data_helpers.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "support/transfer_helpers.h"
#include "transfer/portrait_card.h"
#include "transfer/results_export.h"
#include "transfer/roster_import.h"

namespace ld {
namespace {

using test::errorOf;
using test::readFile;
using test::solidJpeg;
using test::TempApp;
using test::writeFile;

class RosterImportTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir source;  // where the spreadsheet and the photos come from

  Query& q() { return app.dataModule().ADOQuerysetting; }
  QString src(const QString& name) { return source.path() + QLatin1Char('/') + name; }
  QString csv(const QString& text, const QString& name = QStringLiteral("r.csv")) {
    writeFile(src(name), text.toUtf8());
    return src(name);
  }
  void photo(const QString& name, QColor colour = Qt::green, QSize size = {640, 480}) {
    writeFile(src(name), solidJpeg(size.width(), size.height(), colour));
  }
  ImportPlan plan(const QString& file, const QString& photos = QString()) {
    return planRosterImport(file, photos, q());
  }
  int run(ImportPlan& p) {
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    return writeRosterImport(p, prepared, q(), progress);
  }
  QStringList roster() {
    return app.rows(QStringLiteral("select bm, xm, zp, zj, zjsx from yglb order by id"));
  }
  QStringList zpEntries() {
    QStringList e =
        QDir(app.path(QStringLiteral("zp"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    e.sort();
    return e;
  }
  QImage zpImage(const QString& file) { return decodeJpeg(readFile(app.path(QStringLiteral("zp/") + file))); }
  void expectRefusedWithTheirReason(const ImportPlan& p);
  static QStringList reasons(const ImportPlan& p) {
    QStringList out;
    for (const ImportRow* r : p.refusedRows()) out << QStringLiteral("%1:%2").arg(r->line).arg(r->refusal);
    return out;
  }
};

TEST_F(RosterImportTest, HeaderNamesColumnsInAnyOrderAndOtherColumnsAreIgnored) {
  const struct {
    const char* what;
    QString text;
    bool header;
  } cases[] = {
      {"Chinese header", QStringLiteral("工号,姓名,备注,部门\n1,张三,x,研发部\n2,李四,,销售部\n"), true},
      {"English header, other case", QStringLiteral("Dept;NAME;Phone\n研发部;张三;1\n销售部;李四;2\n"), true},
      {"department first, no header", QStringLiteral("研发部,张三,多余\n销售部,李四\n"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ImportPlan p = plan(csv(c.text));
    EXPECT_EQ(p.hadHeader, c.header);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[0].department + p.rows[0].name, QStringLiteral("研发部张三"));
    EXPECT_EQ(p.rows[1].department + p.rows[1].name, QStringLiteral("销售部李四"));
    EXPECT_EQ(p.toAdd, 2);
  }
  EXPECT_TRUE(roster().isEmpty());  // planning writes nothing
}

TEST_F(RosterImportTest, RowsAreRefusedWithTheirReason) {
  app.addParticipant(QStringLiteral("Tom"), QStringLiteral("Sales"));
  app.addParticipant(QStringLiteral("B"), QStringLiteral("A_"));
  writeFile(src(QStringLiteral("notapicture.jpg")), "just text");
  const QString text = QStringLiteral(
      "部门,姓名,照片\n"
      "研发部,张三,\n"                 // 2 added
      "研发部,,\n"                     // 3
      ",李四,\n"                       // 4
      "研发部,王/五,\n"                // 5
      "sales,TOM,\n"                   // 6 in the roster (letter case ignored)
      "A,_B,\n"                        // 7 same photo file as A_ + B
      "研发部, 张三 ,\n"               // 8 same as row 2 once trimmed
      "研发部,赵六,missing.jpg\n"      // 9 added with a card
      "研发部,钱七,notapicture.jpg\n"  // 10 added with a card
      "研发部,..,\n");                 // 11 added: "研发部_...jpg" is a safe name
  // As written on Linux, and as a spreadsheet program on Windows saves it: the rows named are the same.
  for (const QString& end : {QStringLiteral("\n"), QStringLiteral("\r\n")}) {
    SCOPED_TRACE(end == QLatin1String("\n") ? "LF" : "CRLF");
    expectRefusedWithTheirReason(plan(csv(QString(text).replace(QLatin1Char('\n'), end))));
  }
}

void RosterImportTest::expectRefusedWithTheirReason(const ImportPlan& p) {
  EXPECT_EQ(p.toAdd, 4);
  EXPECT_EQ(p.refused, 6);
  EXPECT_EQ(p.portraits, 4);
  const QStringList r = reasons(p);
  ASSERT_EQ(r.size(), 6);
  EXPECT_EQ(r[0], QStringLiteral("3:姓名为空"));
  EXPECT_EQ(r[1], QStringLiteral("4:部门为空"));
  EXPECT_EQ(r[2], QStringLiteral("5:姓名中的“/”不能用于照片文件名，请更改姓名"));
  EXPECT_EQ(r[3], QStringLiteral("6:名单中已有同部门同姓名的员工"));
  EXPECT_TRUE(r[4].startsWith(QStringLiteral("7:照片文件名与名单中另一位员工相同")));
  EXPECT_EQ(r[5], QStringLiteral("8:与第 2 行重复（同部门同姓名）"));
  // A picture that is missing or no picture costs the person their photo only, and is listed.
  const QString summary = p.summary();
  EXPECT_TRUE(
      summary.contains(QStringLiteral("第 9 行 研发部 赵六：照片文件不存在：missing.jpg（改用头像卡片）")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("第 10 行 研发部 钱七：照片不是图片或已损坏")))
      << summary.toStdString();
}

TEST_F(RosterImportTest, PhotosAreMatchedByColumnThenDepartmentAndNameThenName) {
  photo(QStringLiteral("column.JPG"), Qt::red);
  photo(QStringLiteral("研发部_张三.jpg"), Qt::green);  // loses to the photo column
  photo(QStringLiteral("研发部_李四.jpeg"), Qt::blue);
  photo(QStringLiteral("李四.jpg"), Qt::yellow);  // loses to department_name
  photo(QStringLiteral("王五.Jpg"), Qt::cyan);
  photo(QStringLiteral("赵六.jpg"), Qt::magenta);  // two 赵六 in the file: theirs is ambiguous
  QDir().mkpath(src(QStringLiteral("sub")));
  photo(QStringLiteral("sub/钱七.jpg"), Qt::darkRed);
  const ImportPlan p = plan(csv(QStringLiteral("部门,姓名,照片\n"
                                               "研发部,张三,column.jpg\n"
                                               "研发部,李四,\n"
                                               "销售部,王五,\n"
                                               "研发部,赵六,\n"
                                               "销售部,赵六,\n"
                                               "销售部,钱七,sub\\钱七\n"
                                               "销售部,孙八,\n")),
                            source.path());
  const auto name = [&](int i) { return QFileInfo(p.rows[size_t(i)].photoSource).fileName(); };
  ASSERT_EQ(p.toAdd, 7);
  EXPECT_EQ(name(0), QStringLiteral("column.JPG"));
  EXPECT_EQ(name(1), QStringLiteral("研发部_李四.jpeg"));
  EXPECT_EQ(name(2), QStringLiteral("王五.Jpg"));
  EXPECT_EQ(name(3), QString());
  EXPECT_EQ(name(4), QString());
  EXPECT_EQ(name(5), QStringLiteral("钱七.jpg"));
  EXPECT_EQ(name(6), QString());
  EXPECT_EQ(p.photosMatched, 4);
  EXPECT_EQ(p.portraits, 3);

  const QString missing = source.path() + QStringLiteral("/nowhere");
  try {
    plan(src(QStringLiteral("r.csv")), missing);
    FAIL() << "a missing photo folder must be refused";
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("照片文件夹不存在"))) << e.what();
  }
}

TEST_F(RosterImportTest, SpreadsheetWithoutUsableRowsIsRefused) {
  for (const QString& text : {QStringLiteral("姓名,部门\n"), QStringLiteral("姓名,部门\n,\n,,备注\n")}) {
    try {
      plan(csv(text));
      FAIL() << text.toStdString();
    } catch (const Error& e) {
      EXPECT_TRUE(e.message().contains(QStringLiteral("没有可导入的行"))) << e.what();
    }
  }
  try {
    plan(csv(QStringLiteral("部门,照片\n研发部,a.jpg\n")));
    FAIL();
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("没有姓名列"))) << e.what();
  }
}

TEST_F(RosterImportTest, ImportWritesRowsAndConvertedPhotosAndCards) {
  photo(QStringLiteral("研发部_张三.jpg"), Qt::red, {300, 300});
  QImage png(200, 100, QImage::Format_ARGB32);
  png.fill(QColor(0, 0, 255, 255));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 40; ++x) png.setPixelColor(x, y, Qt::transparent);  // shows white
  png.save(src(QStringLiteral("李四.png")));
  QImage bmp(64, 48, QImage::Format_RGB32);
  bmp.fill(Qt::yellow);
  bmp.save(src(QStringLiteral("王五.bmp")));
  app.addParticipant(QStringLiteral("老员工"), QStringLiteral("行政部"));
  QStringEncoder gb("GB18030");
  writeFile(src(QStringLiteral("gb.csv")),
            gb(QStringLiteral("部门,姓名\n研发部,张三\n销售部,李四\n市场部,王五\n客服部,赵六\n")));
  ImportPlan p = plan(src(QStringLiteral("gb.csv")));
  ASSERT_EQ(p.toAdd, 4);
  EXPECT_EQ(p.photosMatched, 3);
  EXPECT_EQ(p.portraits, 1);
  EXPECT_TRUE(p.summary().contains(QStringLiteral("将为他们生成写有姓名的头像卡片")));
  EXPECT_EQ(run(p), 4);

  EXPECT_EQ(roster(), (QStringList{QStringLiteral("行政部|老员工|zp\\行政部_老员工.jpg|0|0"),
                                   QStringLiteral("研发部|张三|zp\\研发部_张三.jpg|0|0"),
                                   QStringLiteral("销售部|李四|zp\\销售部_李四.jpg|0|0"),
                                   QStringLiteral("市场部|王五|zp\\市场部_王五.jpg|0|0"),
                                   QStringLiteral("客服部|赵六|zp\\客服部_赵六.jpg|0|0")}));
  // No temporary file is left; every photo is the one form, with the source's colour.
  EXPECT_EQ(zpEntries().size(), 5);
  // Each converted exactly as the settings window converts a chosen picture.
  const struct {
    const char* file;
    const char* source;
    QColor colour;
  } photos[] = {{"研发部_张三.jpg", "研发部_张三.jpg", Qt::red},
                {"销售部_李四.jpg", "李四.png", Qt::blue},
                {"市场部_王五.jpg", "王五.bmp", Qt::yellow}};
  for (const auto& ph : photos) {
    SCOPED_TRACE(ph.file);
    EXPECT_EQ(readFile(app.path(QStringLiteral("zp/") + QString::fromUtf8(ph.file))),
              convertPhoto(src(QString::fromUtf8(ph.source)), 100, QSize(480, 360)));
    const QImage image = zpImage(QString::fromUtf8(ph.file));
    ASSERT_EQ(image.size(), QSize(480, 360));
    const QColor c = image.pixelColor(240, 180);
    EXPECT_NEAR(c.red(), ph.colour.red(), 8);
    EXPECT_NEAR(c.green(), ph.colour.green(), 8);
    EXPECT_NEAR(c.blue(), ph.colour.blue(), 8);
  }
  const QColor page = zpImage(QStringLiteral("销售部_李四.jpg")).pixelColor(20, 180);
  EXPECT_GE(std::min({page.red(), page.green(), page.blue()}), 247) << page.name().toStdString();
  EXPECT_EQ(zpImage(QStringLiteral("客服部_赵六.jpg")).size(), QSize(480, 360));
}

TEST_F(RosterImportTest, CardsCanBeLeftOutAndThoseRowsHaveNoPhoto) {
  ImportPlan p = plan(csv(QStringLiteral("研发部,张三\n")));
  p.cards = false;
  EXPECT_TRUE(p.summary().contains(QStringLiteral("不生成头像卡片")));
  EXPECT_EQ(run(p), 1);
  EXPECT_EQ(roster(), QStringList{QStringLiteral("研发部|张三||0|0")});
  EXPECT_TRUE(zpEntries().isEmpty());
}

TEST_F(RosterImportTest, CancelLeavesNothingBehind) {
  for (int i = 0; i < 40; ++i) photo(QStringLiteral("p%1.jpg").arg(i), Qt::red, {1600, 1200});
  QString text = QStringLiteral("部门,姓名,照片\n");
  for (int i = 0; i < 40; ++i) text += QStringLiteral("研发部,员工%1,p%1.jpg\n").arg(i);
  writeFile(app.path(QStringLiteral("zp/temp.jpg")), "keep");
  ImportPlan p = plan(csv(text));
  ASSERT_EQ(p.toAdd, 40);
  ImportProgress progress;
  bool sawProgress = false;
  // Cancelled from the progress report, as the window's button and the tool's Ctrl+C do.
  EXPECT_THROW(preparePhotos(p, progress,
                             [&] {
                               if (progress.done > 0) {
                                 sawProgress = true;
                                 progress.cancel = true;
                               }
                             }),
               ImportCancelled);
  EXPECT_TRUE(sawProgress);
  EXPECT_LT(progress.done, 40);
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("temp.jpg")});

  // Cancelled while the rows are written: rolled back, files gone.
  ImportProgress second;
  PreparedPhotos prepared = preparePhotos(p, second);
  EXPECT_EQ(zpEntries().size(), 41);
  second.cancel = true;
  EXPECT_THROW(writeRosterImport(p, prepared, q(), second), ImportCancelled);
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("temp.jpg")});
  EXPECT_TRUE(roster().isEmpty());
}

TEST_F(RosterImportTest, AFailureLeavesRosterAndPhotoFolderAsBefore) {
  app.addParticipant(QStringLiteral("老员工"), QStringLiteral("行政部"));
  // A spare picture in the way of a new photo (no row names it) is kept whatever happens.
  writeFile(app.path(QStringLiteral("zp/研发部_张三.jpg")), solidJpeg(64, 48, Qt::blue));
  const QByteArray spare = readFile(app.path(QStringLiteral("zp/研发部_张三.jpg")));
  photo(QStringLiteral("研发部_张三.jpg"));
  photo(QStringLiteral("研发部_李四.jpg"));
  const QStringList zpBefore = zpEntries();
  const QStringList rosterBefore = roster();
  // The roster changed between the preview and the write: nothing is written.
  ImportPlan p = plan(csv(QStringLiteral("研发部,张三\n研发部,李四\n")), source.path());
  ASSERT_EQ(p.toAdd, 2);
  ImportProgress progress;
  PreparedPhotos prepared = preparePhotos(p, progress);
  app.addParticipant(QStringLiteral("李四"), QStringLiteral("研发部"), false);
  const QStringList changed = roster();
  try {
    writeRosterImport(p, prepared, q(), progress);
    FAIL();
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("名单在预览之后有了改动"))) << e.what();
  }
  EXPECT_EQ(roster(), changed);
  EXPECT_EQ(zpEntries(), zpBefore);
  EXPECT_EQ(readFile(app.path(QStringLiteral("zp/研发部_张三.jpg"))), spare);
}

// A failure once photos are in place under their names takes every one of them back, and leaves what lay
// in zp/ before: a file put where a later photo goes after the preview (never replaced), or a commit
// refused because another program reads the event at that moment.
TEST_F(RosterImportTest, AFailureAfterPhotosWerePlacedTakesThemBack) {
  app.addParticipant(QStringLiteral("老员工"), QStringLiteral("行政部"));
  writeFile(app.path(QStringLiteral("zp/研发部_张三.jpg")), solidJpeg(64, 48, Qt::blue));
  const QByteArray spare = readFile(app.path(QStringLiteral("zp/研发部_张三.jpg")));
  QString text;
  for (const QString& name : {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五")}) {
    photo(QStringLiteral("研发部_") + name + QStringLiteral(".jpg"));
    text += QStringLiteral("研发部,") + name + QLatin1Char('\n');
  }
  const QString file = csv(text);
  const QStringList zpBefore = zpEntries();
  const QStringList rosterBefore = roster();
  const auto attempt = [&](const std::function<void()>& beforeWrite = {}) {
    ImportPlan p = plan(file, source.path());
    EXPECT_EQ(p.toAdd, 3);
    ImportProgress progress;
    PreparedPhotos prepared = preparePhotos(p, progress);
    if (beforeWrite) beforeWrite();
    return errorOf([&] { writeRosterImport(p, prepared, q(), progress); });
  };
  const auto expectAsBefore = [&] {
    EXPECT_EQ(zpEntries(), zpBefore);
    EXPECT_EQ(readFile(app.path(QStringLiteral("zp/研发部_张三.jpg"))), spare);
    EXPECT_EQ(roster(), rosterBefore);
  };
  {
    SCOPED_TRACE("a file put where the last photo goes");
    const QString inTheWay = app.path(QStringLiteral("zp/研发部_王五.jpg"));
    const QString message = attempt([&] { writeFile(inTheWay, "someone else's"); });
    EXPECT_TRUE(message.contains(QStringLiteral("没有覆盖它"))) << message.toStdString();
    EXPECT_EQ(readFile(inTheWay), QByteArray("someone else's"));
    ASSERT_TRUE(QFile::remove(inTheWay));
    expectAsBefore();
  }
  {
    SCOPED_TRACE("the commit refused");
    Connection reader;
    test::openOn(reader, app.folder());
    Query(reader).execSql(QStringLiteral("begin"));
    Query(reader).openSql(QStringLiteral("select count(*) from yglb"));
    ScopedBusyTimeout noWait(q().connection(), 0);
    const QString message = attempt();
    Query(reader).execSql(QStringLiteral("rollback"));
    EXPECT_TRUE(message.contains(QStringLiteral("另一个程序"))) << message.toStdString();
    expectAsBefore();
  }
}

TEST_F(RosterImportTest, RoundTripGivesTheSameRoster) {
  photo(QStringLiteral("研发部_张三.jpg"), Qt::red);
  photo(QStringLiteral("销售部_O'Brien.jpg"), Qt::blue);
  ImportPlan p =
      plan(csv(QStringLiteral("部门,姓名\n研发部,张三\n销售部,O'Brien\n\"市场部\",\"欧阳, 明\"\n")),
           source.path());
  ASSERT_EQ(run(p), 3);
  const QStringList first = roster();
  // The English file imports the same: its headings are among those the import recognises.
  for (const TableLanguage language : {TableLanguage::Chinese, TableLanguage::English})
    for (const char* ext : {"csv", "xlsx"}) {
      SCOPED_TRACE(ext);
      SCOPED_TRACE(language == TableLanguage::English ? "English" : "Chinese");
      const QString exported = src(QStringLiteral("roster.%1").arg(QLatin1String(ext)));
      EXPECT_EQ(exportRoster(exported, q(), language), 3);
      EXPECT_EQ(readTable(exported).rows.front().cells.value(0),
                language == TableLanguage::English ? QStringLiteral("Department") : QStringLiteral("部门"));
      TempApp other;  // a second event; the folder and the data module follow it
      ImportPlan again =
          planRosterImport(exported, app.path(QStringLiteral("zp")), other.dataModule().ADOQuerysetting);
      EXPECT_TRUE(again.hadHeader);
      EXPECT_EQ(again.photosMatched, 3);
      ImportProgress progress;
      PreparedPhotos prepared = preparePhotos(again, progress);
      writeRosterImport(again, prepared, other.dataModule().ADOQuerysetting, progress);
      EXPECT_EQ(other.rows(QStringLiteral("select bm, xm, zp, zj, zjsx from yglb order by id")), first);
      EXPECT_EQ(decodeJpeg(readFile(other.path(QStringLiteral("zp/销售部_O'Brien.jpg"))))
                        .pixelColor(240, 180)
                        .blue() > 200,
                true);
      setAppFolder(app.folder());
    }
}

TEST(PortraitCard, NamedColouredAndDistinct) {
  const QImage a = portraitCard(QStringLiteral("张三"), QStringLiteral("研发部"), 0);
  ASSERT_EQ(a.size(), QSize(480, 360));
  const auto changed = [](const QImage& x, const QImage& y, const QRect& area) {
    int n = 0;
    for (int yy = area.top(); yy <= area.bottom(); ++yy)
      for (int xx = area.left(); xx <= area.right(); ++xx) n += x.pixel(xx, yy) != y.pixel(xx, yy);
    return n;
  };
  // The name is written twice: in the disc (its first character) and in the banner.
  const QImage renamed = portraitCard(QStringLiteral("李四"), QStringLiteral("研发部"), 0);
  EXPECT_GT(changed(a, renamed, QRect(0, 290, 480, 40)), 200);
  EXPECT_GT(changed(a, renamed, QRect(150, 50, 180, 180)), 500);
  // Another person has another colour.
  const QImage next = portraitCard(QStringLiteral("张三"), QStringLiteral("研发部"), 1);
  EXPECT_NE(a.pixel(5, 5), next.pixel(5, 5));
  // Names that are empty or start outside the basic plane still paint.
  EXPECT_FALSE(portraitCard(QString(), QStringLiteral("x"), 2).isNull());
  EXPECT_FALSE(portraitCard(QString::fromUtf8("\xF0\xA0\x80\x80"), QStringLiteral("x"), 3).isNull());
}

}  // namespace
}  // namespace ld
