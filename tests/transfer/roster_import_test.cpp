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
#include <tuple>

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
  ImportPlan p = plan(csv(QStringLiteral("部门,姓名\n研发部,张三\n")));
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
  ImportPlan p = plan(csv(QStringLiteral("部门,姓名\n研发部,张三\n研发部,李四\n")), source.path());
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
  QString text = QStringLiteral("部门,姓名\n");
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

// Sheets as HR sends them: what becomes a participant, and what the summary says about the rest.
TEST_F(RosterImportTest, RealLookingSheetsGiveTheirParticipants) {
  const struct {
    const char* what;
    QString text;
    QString columns;  // stated, as --columns says them
    QStringList people;
    QString summaryHas;
  } cases[] = {
      {"title rows above the header",
       QStringLiteral(
           "2026 年会花名册,,\n人力资源部 12 月,,\n工号,姓名,部门\n001,张三,研发部\n002,李四,销售部\n"),
       {},
       {QStringLiteral("研发部 张三 001"), QStringLiteral("销售部 李四 002")},
       QStringLiteral("第 1 行：表头上方的标题")},
      {"English header",
       QStringLiteral("Employee Name,Dept.,Tags\nTom,Sales,\"vip， new ,vip\"\n"),
       {},
       {QStringLiteral("Sales Tom ")},
       QStringLiteral("按表头识别列：姓名、部门、标签")},
      {"所属部门", QStringLiteral("姓名,所属部门\n张三,研发部\n"), {}, {QStringLiteral("研发部 张三 ")}, {}},
      {"no header, columns stated",
       QStringLiteral("001,研发部,张三,备注\n"),
       QStringLiteral("工号,部门,姓名,-"),
       {QStringLiteral("研发部 张三 001")},
       QStringLiteral("按指定的列：工号、部门、姓名、忽略")},
      {"totals and notes after a blank block",
       QStringLiteral("部门,姓名\n研发部,张三\n合计,1 人\n\n注：请于周五前确认,\n制表人：王五,\n"),
       {},
       {QStringLiteral("研发部 张三 ")},
       QStringLiteral("第 5 行：表格下方空行之后的备注")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ImportOptions options;
    if (!c.columns.isEmpty()) options.columns = parseColumnList(c.columns);
    const ImportPlan p = planRosterImport(csv(c.text), QString(), q(), options);
    EXPECT_TRUE(p.columnsConfirmed);
    QStringList people;
    for (const ImportRow* r : p.added()) people << r->department + ' ' + r->name + ' ' + r->employeeId;
    EXPECT_EQ(people, c.people);
    EXPECT_TRUE(p.summary().contains(c.summaryHas)) << p.summary().toStdString();
  }
  EXPECT_EQ(
      planRosterImport(csv(QStringLiteral("Name,Tags\nTom,\"vip， new ,vip\"\n")), {}, q()).rows[0].tags,
      QStringLiteral("vip,new"));
}

TEST_F(RosterImportTest, AGuessedLayoutIsNeverWritten) {
  ImportPlan p = plan(csv(QStringLiteral("研发部,张三\n销售部,李四\n")));
  EXPECT_FALSE(p.columnsConfirmed);
  EXPECT_EQ(p.toAdd, 2);  // the guess is shown, so the operator can judge it
  EXPECT_TRUE(p.summary().contains(QStringLiteral("没有认出表头")));
  EXPECT_TRUE(errorOf([&] { run(p); }).contains(QStringLiteral("各列的含义还没有确认")));
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_TRUE(zpEntries().isEmpty());
}

TEST_F(RosterImportTest, HiddenRowsAreSkippedUnlessAskedFor) {
  Table t;
  t.rows = {{1, {QStringLiteral("部门"), QStringLiteral("姓名")}, false},
            {2, {QStringLiteral("研发部"), QStringLiteral("张三")}, false},
            {3, {QStringLiteral("研发部"), QStringLiteral("离职者")}, true}};
  for (const bool include : {false, true}) {
    SCOPED_TRACE(include);
    ImportOptions options;
    options.includeHidden = include;
    const ImportPlan p = planRosterImport(t, src(QStringLiteral("h.xlsx")), QString(), q(), options);
    EXPECT_EQ(p.toAdd, include ? 2 : 1);
    EXPECT_EQ(p.summary().contains(QStringLiteral("第 3 行：隐藏的行")), !include);
  }
}

TEST_F(RosterImportTest, EmployeeNumbersAndNamesThatCannotBeToldApartAreRefused) {
  const int id = app.addParticipant(QStringLiteral("老王"), QStringLiteral("行政部"));
  app.exec(QStringLiteral("update yglb set gh='100' where id=%1").arg(id));
  const ImportPlan p =
      plan(csv(QStringLiteral("工号,部门,姓名\n"
                              "100,研发部,新人\n"      // 2 the roster has 100
                              "200,研发部,张三\n"      // 3
                              "200,销售部,李四\n"      // 4 200 twice
                              "300,研发部,张三\n"      // 5 a second 张三 in 研发部
                              "400,行政部,老王\n")));  // 6 the roster's 老王 is 100
  const QStringList r = reasons(p);
  ASSERT_EQ(r.size(), 4);
  EXPECT_TRUE(r[0].startsWith(QStringLiteral("2:名单中已有工号 100（行政部 老王）"))) << r[0].toStdString();
  EXPECT_EQ(r[1], QStringLiteral("4:工号 200 与第 3 行重复"));
  EXPECT_TRUE(r[2].contains(QStringLiteral("工号 200 和 300")) && r[2].contains(QStringLiteral("张三300")))
      << r[2].toStdString();
  EXPECT_TRUE(r[3].contains(QStringLiteral("工号 100 和 400"))) << r[3].toStdString();
}

TEST_F(RosterImportTest, QuestionMarksOfALegacyEncodingAreRefusedWithTheFix) {
  Table t;
  t.rows = {{1, {QStringLiteral("部门"), QStringLiteral("姓名")}, false},
            {2, {QStringLiteral("研发部"), QStringLiteral("?大明")}, false},
            {3, {QStringLiteral("研发部"), QStringLiteral("李四")}, false}};
  t.legacyEncoding = true;
  const ImportPlan p = planRosterImport(t, src(QStringLiteral("gbk.csv")), QString(), q());
  ASSERT_EQ(reasons(p).size(), 1);
  EXPECT_TRUE(reasons(p)[0].startsWith(QStringLiteral("2:“?”是文件的编码")));
  EXPECT_TRUE(reasons(p)[0].contains(QStringLiteral("UTF-8 的 CSV 或 .xlsx")));
  EXPECT_EQ(p.toAdd, 1);
}

class RosterUpdateTest : public RosterImportTest {
 protected:
  // A participant with 工号 and a photo of its own colour; WON gives them prize level 2 at that draw order.
  int person(const QString& number, const QString& department, const QString& name, QColor colour,
             int won = 0) {
    const int id = app.addParticipant(name, department, true, colour);
    app.exec(QStringLiteral("update yglb set gh='%1', zj=%2, zjsx=%3 where id=%4")
                 .arg(number)
                 .arg(won ? 2 : 0)
                 .arg(won)
                 .arg(id));
    return id;
  }
  ImportPlan update(const QString& text, bool removeMissing) {
    ImportOptions options;
    options.mode = ImportMode::Update;
    options.removeMissing = removeMissing;
    return planRosterImport(csv(text), QString(), q(), options);
  }
  QStringList people() {
    return app.rows(QStringLiteral("select id, gh, bm, xm, zp, zj, zjsx from yglb order by id"));
  }
};

TEST_F(RosterUpdateTest, MovedAndRenamedChangeInPlaceWithTheirPhotosAndWinnersStay) {
  const int winner =
      person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("张三"), Qt::red, 1);
  const int renamed =
      person(QStringLiteral("2"), QStringLiteral("研发部"), QStringLiteral("李四"), Qt::green);
  person(QStringLiteral("3"), QStringLiteral("销售部"), QStringLiteral("王五"), Qt::blue);
  const int goneWinner =
      person(QStringLiteral("4"), QStringLiteral("销售部"), QStringLiteral("赵六"), Qt::cyan, 2);
  const int gone = person(QStringLiteral("5"), QStringLiteral("销售部"), QStringLiteral("钱七"), Qt::yellow);
  const QString sheet = QStringLiteral(
      "工号,部门,姓名\n"
      "1,市场部,张三\n"    // the winner moved
      "2,研发部,李小四\n"  // renamed
      "3,销售部,王五\n"    // as before
      "6,研发部,新人\n");  // new

  const ImportPlan asked = update(sheet, false);
  EXPECT_EQ(asked.toRemove, 0);
  EXPECT_TRUE(asked.summary().contains(QStringLiteral("销售部 钱七（工号 5）：保留（没有选择移除")));

  ImportPlan p = update(sheet, true);
  EXPECT_EQ(std::tuple(p.toAdd, p.toUpdate, p.unchanged, p.toRemove, p.keptWinners, p.refused),
            std::tuple(1, 2, 1, 1, 1, 0));
  EXPECT_TRUE(p.summary().contains(QStringLiteral("销售部 赵六（工号 4）：保留（已中奖")));
  EXPECT_EQ(run(p), 1);
  EXPECT_EQ(people(),
            (QStringList{QStringLiteral("%1|1|市场部|张三|zp\\市场部_张三.jpg|2|1").arg(winner),
                         QStringLiteral("%1|2|研发部|李小四|zp\\研发部_李小四.jpg|0|0").arg(renamed),
                         QStringLiteral("%1|3|销售部|王五|zp\\销售部_王五.jpg|0|0").arg(renamed + 1),
                         QStringLiteral("%1|4|销售部|赵六|zp\\销售部_赵六.jpg|2|2").arg(goneWinner),
                         QStringLiteral("%1|6|研发部|新人|zp\\研发部_新人.jpg|0|0").arg(gone + 1)}));
  EXPECT_EQ(zpEntries(), (QStringList{QStringLiteral("市场部_张三.jpg"), QStringLiteral("研发部_新人.jpg"),
                                      QStringLiteral("研发部_李小四.jpg"), QStringLiteral("销售部_王五.jpg"),
                                      QStringLiteral("销售部_赵六.jpg")}));
  EXPECT_GT(zpImage(QStringLiteral("市场部_张三.jpg")).pixelColor(10, 10).red(), 200);  // their own photo
}

TEST_F(RosterUpdateTest, TwoPeopleSwappingNamesKeepTheirOwnPhotos) {
  person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("甲"), Qt::red);
  person(QStringLiteral("2"), QStringLiteral("研发部"), QStringLiteral("乙"), Qt::blue);
  ImportPlan p = update(QStringLiteral("工号,部门,姓名\n1,研发部,乙\n2,研发部,甲\n"), false);
  EXPECT_EQ(p.toUpdate, 2);
  run(p);
  EXPECT_GT(zpImage(QStringLiteral("研发部_乙.jpg")).pixelColor(10, 10).red(), 200);
  EXPECT_GT(zpImage(QStringLiteral("研发部_甲.jpg")).pixelColor(10, 10).blue(), 200);
  EXPECT_EQ(zpEntries().size(), 2);
}

// A newcomer may take the department and name of someone who leaves or is renamed: the file under that name
// is the leaver's photo, never the newcomer's, and it must not take the newcomer's own photo with it.
TEST_F(RosterUpdateTest, ANewcomerTakingAVacatedNameGetsTheirOwnPhoto) {
  const struct {
    const char* what;
    QString sheet;
    QString leaverKeeps;  // the leaver's photo afterwards, where they stay
  } cases[] = {
      {"the old one removed", QStringLiteral("工号,部门,姓名\n9,研发部,张三\n"), QString()},
      {"the old one renamed", QStringLiteral("工号,部门,姓名\n1,研发部,张大三\n9,研发部,张三\n"),
       QStringLiteral("研发部_张大三.jpg")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    app.exec(QStringLiteral("delete from yglb"));
    for (const QString& f : zpEntries()) QFile::remove(app.path(QStringLiteral("zp/") + f));
    person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("张三"), Qt::red);
    photo(QStringLiteral("9.jpg"), Qt::green);
    ImportPlan p = update(c.sheet, true);
    ASSERT_EQ(p.toAdd, 1);
    EXPECT_EQ(run(p), 1);
    const QImage own = zpImage(QStringLiteral("研发部_张三.jpg"));
    ASSERT_FALSE(own.isNull()) << "the newcomer's photo is gone";
    EXPECT_GT(own.pixelColor(10, 10).green(), 200);
    EXPECT_LT(own.pixelColor(10, 10).red(), 100);
    if (!c.leaverKeeps.isEmpty()) {
      EXPECT_GT(zpImage(c.leaverKeeps).pixelColor(10, 10).red(), 200);
    }
    EXPECT_EQ(zpEntries().size(), c.leaverKeeps.isEmpty() ? 1 : 2);
  }
}

TEST_F(RosterUpdateTest, AFailedRenameOrAChangedRosterLeavesEverythingAsItWas) {
  person(QStringLiteral("1"), QStringLiteral("研发部"), QStringLiteral("张三"), Qt::red);
  person(QStringLiteral("2"), QStringLiteral("研发部"), QStringLiteral("李四"), Qt::red);
  const QStringList before = people(), zpBefore = zpEntries();
  const QString sheet = QStringLiteral("工号,部门,姓名\n1,市场部,张三\n2,市场部,李四\n3,市场部,新人\n");
  // The second rename meets a folder where its file should go.
  ImportPlan p = update(sheet, false);
  ASSERT_TRUE(QDir().mkdir(app.path(QStringLiteral("zp/市场部_李四.jpg"))));
  EXPECT_TRUE(errorOf([&] { run(p); }).contains(QStringLiteral("无法把照片改名为")));
  EXPECT_EQ(people(), before);
  ASSERT_TRUE(QDir().rmdir(app.path(QStringLiteral("zp/市场部_李四.jpg"))));
  EXPECT_EQ(zpEntries(), zpBefore);

  ImportPlan stale = update(sheet, false);
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where gh='2'"));  // drawn meanwhile
  EXPECT_TRUE(errorOf([&] { run(stale); }).contains(QStringLiteral("名单在预览之后有了改动")));
  EXPECT_EQ(zpEntries(), zpBefore);
}

}  // namespace
}  // namespace ld
