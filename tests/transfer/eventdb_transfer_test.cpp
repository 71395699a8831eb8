// The tool's import, export, pack and unpack, as an operator runs them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <ostream>

#include "framework/event_lock.h"
#include "support/printing.h"
#include "support/temp_app.h"
#include "transfer/table_file.h"

namespace ld {
namespace {

using test::readFile;
using test::TempApp;
using test::writeFile;

struct ToolRun {
  int status = -1;
  QString out, err;
};

// The tool speaks the language of the locale it is given, whatever the machine running the tests uses.
ToolRun eventdb(const QStringList& args, const QByteArray& input = {},
                const QString& locale = QStringLiteral("zh_CN.UTF-8")) {
  QProcess p;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) environment.remove(QLatin1String(name));
  environment.insert(QStringLiteral("LANG"), locale);
  p.setProcessEnvironment(environment);
  p.start(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"), args);
  EXPECT_TRUE(p.waitForStarted());
  p.write(input);
  p.closeWriteChannel();
  EXPECT_TRUE(p.waitForFinished(300000));
  return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
          QString::fromLocal8Bit(p.readAllStandardError())};
}

class EventdbTransferTest : public ::testing::Test {
 protected:
  TempApp app;
  QTemporaryDir work;
  QString file(const QString& name) { return work.path() + QLatin1Char('/') + name; }
  QStringList roster() { return app.rows(QStringLiteral("select bm, xm, zp from yglb order by id")); }
  QStringList zpEntries() {
    return QDir(app.path(QStringLiteral("zp"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

TEST_F(EventdbTransferTest, DryRunAndAnsweredNoChangeNothing) {
  writeFile(file(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n研发部,\n").toUtf8());
  const ToolRun dry = eventdb(
      {QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv")), QStringLiteral("--dry-run")});
  EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
  EXPECT_TRUE(dry.out.contains(QStringLiteral("可以添加：1 人；拒绝：1 行"))) << dry.out.toStdString();
  EXPECT_TRUE(dry.out.contains(QStringLiteral("第 3 行 研发部 ：姓名为空")));
  const ToolRun no = eventdb({QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv"))}, "n\n");
  EXPECT_EQ(no.status, 1);
  EXPECT_TRUE(no.err.contains(QStringLiteral("确认导入吗")));
  const ToolRun closed = eventdb({QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv"))});
  EXPECT_EQ(closed.status, 1);  // no answer is no
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_TRUE(zpEntries().isEmpty());

  const ToolRun yes = eventdb({QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv"))}, "y\n");
  EXPECT_EQ(yes.status, 0) << yes.err.toStdString();
  EXPECT_EQ(roster(), QStringList{QStringLiteral("研发部|张三|zp\\研发部_张三.jpg")});
  EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("研发部_张三.jpg")});
}

// The photos are converted before the summary, so a damaged one is already named there and its person gets
// a card; a dry run leaves no converted file behind.
TEST_F(EventdbTransferTest, DamagedPhotosAreListedBeforeTheQuestionAndBecomeCards) {
  writeFile(
      file(QStringLiteral("r.csv")),
      QStringLiteral("部门,姓名,照片\n研发部,张三,\n研发部,李四,\n研发部,王五,C:\\HR\\wang.JPG\n").toUtf8());
  writeFile(file(QStringLiteral("张三.jpg")), test::solidJpeg(640, 480, Qt::red));
  writeFile(file(QStringLiteral("李四.jpg")), test::solidJpeg(640, 480, Qt::red).left(300));
  writeFile(file(QStringLiteral("wang.jpg")), test::solidJpeg(640, 480, Qt::red));
  writeFile(file(QStringLiteral("spare.jpg")), test::solidJpeg(64, 48, Qt::red));
  const QStringList args{QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv"))};
  const ToolRun dry = eventdb(args + QStringList{QStringLiteral("--dry-run")});
  EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
  EXPECT_TRUE(dry.out.contains(QStringLiteral("可以添加：3 人；拒绝：0 行"))) << dry.out.toStdString();
  EXPECT_TRUE(dry.out.contains(QStringLiteral("第 3 行 研发部 李四：照片无法转换"))) << dry.out.toStdString();
  EXPECT_TRUE(dry.out.contains(QStringLiteral("照片文件夹中没有用上的图片：1 个：spare.jpg")));
  EXPECT_TRUE(zpEntries().isEmpty());

  const ToolRun run = eventdb(args, "y\n");
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  // The summary, with the damaged photo, came before the question.
  EXPECT_TRUE(run.out.contains(QStringLiteral("照片无法转换")));
  EXPECT_EQ(roster().size(), 3);
  EXPECT_EQ(zpEntries().size(), 3);
  EXPECT_TRUE(run.err.contains(QStringLiteral("已导入 3 位员工（2 张照片，1 张生成的头像卡片）")))
      << run.err.toStdString();
}

// Ctrl+C or a kill while the question waits is a "no": the converted photos go, not left in zp/.
TEST_F(EventdbTransferTest, InterruptedQuestionLeavesNoConvertedPhoto) {
  writeFile(file(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n").toUtf8());
  QProcess p;
  p.start(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"),
          {QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv"))});
  QByteArray err;
  EXPECT_TRUE(QTest::qWaitFor([&] { return (err += p.readAllStandardError()).contains("[y/N]"); }, 60000));
  EXPECT_FALSE(zpEntries().isEmpty());  // the card, under a scratch name
  p.terminate();
  EXPECT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(zpEntries().isEmpty());
  EXPECT_TRUE(roster().isEmpty());
}

TEST_F(EventdbTransferTest, ImportRefusesWhileTheEventIsOpen) {
  writeFile(file(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n").toUtf8());
  const QStringList args{QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv")),
                         QStringLiteral("--yes")};
  {
    EventLock program(app.folder());  // the lucky draw running on the event
    const ToolRun r = eventdb(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("正被另一个程序"))) << r.err.toStdString();
    EXPECT_TRUE(roster().isEmpty());
    EXPECT_TRUE(zpEntries().isEmpty());
  }
  const ToolRun r = eventdb(args);
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(roster().size(), 1);
}

TEST_F(EventdbTransferTest, BadInputIsRefusedClearly) {
  writeFile(file(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n").toUtf8());
  writeFile(file(QStringLiteral("empty.xlsx")), QByteArray());
  const struct {
    const char* what;
    QStringList args;
    int status;
    const char* message;
  } cases[] = {
      {"missing photo folder",
       {QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv")), QStringLiteral("--photos"),
        file(QStringLiteral("none")), QStringLiteral("--yes")},
       1,
       "照片文件夹不存在"},
      {"empty spreadsheet",
       {QStringLiteral("import"), app.folder(), file(QStringLiteral("empty.xlsx"))},
       1,
       "文件是空的"},
      {"no event",
       {QStringLiteral("import"), file(QStringLiteral("x")), file(QStringLiteral("r.csv"))},
       1,
       "没有活动数据库"},
      {"unknown option",
       {QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv")), QStringLiteral("--fast")},
       2,
       "usage:"},
      {"export to an unknown format",
       {QStringLiteral("export"), app.folder(), file(QStringLiteral("w.pdf"))},
       1,
       "只能导出为"},
      // Refused before anything is read, so a mistake here never writes into the system's tree.
      {"import into an event inside /usr",
       {QStringLiteral("import"), QStringLiteral("/usr/local/share/luckydraw-test-event"),
        file(QStringLiteral("r.csv"))},
       1,
       "在系统目录 /usr 里"},
      {"unpack into a folder inside /usr",
       {QStringLiteral("unpack"), file(QStringLiteral("none.zip")),
        QStringLiteral("/usr/local/share/luckydraw-test-event")},
       1,
       "在系统目录 /usr 里"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolRun r = eventdb(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
  }
  EXPECT_TRUE(roster().isEmpty());
  EXPECT_TRUE(zpEntries().isEmpty());
}

TEST_F(EventdbTransferTest, ExportPackAndUnpack) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.addParticipant(QStringLiteral("李四"), QStringLiteral("销售部"));
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where id=%1").arg(id));
  const ToolRun winners = eventdb({QStringLiteral("export"), app.folder(), file(QStringLiteral("w.csv"))});
  EXPECT_EQ(winners.status, 0) << winners.err.toStdString();
  EXPECT_EQ(readTable(file(QStringLiteral("w.csv"))).rows.at(1).cells,
            (QStringList{"1", QStringLiteral("一等奖"), QStringLiteral("研发部"), QStringLiteral("张三"),
                         QString()}))
      << "recorded without a draw: no time in the journal";
  const ToolRun all = eventdb(
      {QStringLiteral("export"), app.folder(), file(QStringLiteral("r.xlsx")), QStringLiteral("--roster")});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(readTable(file(QStringLiteral("r.xlsx"))).rows.size(), 3u);

  const ToolRun pack = eventdb({QStringLiteral("pack"), app.folder(), file(QStringLiteral("e.zip"))});
  EXPECT_EQ(pack.status, 0) << pack.err.toStdString();
  const ToolRun unpack =
      eventdb({QStringLiteral("unpack"), file(QStringLiteral("e.zip")), file(QStringLiteral("moved"))});
  EXPECT_EQ(unpack.status, 0) << unpack.err.toStdString();
  EXPECT_EQ(readFile(file(QStringLiteral("moved/zp/销售部_李四.jpg"))),
            readFile(app.path(QStringLiteral("zp/销售部_李四.jpg"))));
  const ToolRun again =
      eventdb({QStringLiteral("unpack"), file(QStringLiteral("e.zip")), file(QStringLiteral("moved"))});
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(again.err.contains(QStringLiteral("不会覆盖")));
}

TEST_F(EventdbTransferTest, MessagesFollowTheLocaleOrLang) {
  const QString none = file(QStringLiteral("none"));
  const QString english =
      QStringLiteral("eventdb: %1 has no event database; run eventdb init first\n").arg(none);
  const QString chinese = QStringLiteral("eventdb: %1 没有活动数据库，请先运行 eventdb init\n").arg(none);
  const struct {
    const char* locale;
    QStringList options;
    const QString& expected;
  } cases[] = {
      {"en_US.UTF-8", {}, english},
      {"en_GB.UTF-8", {}, english},
      {"zh_CN.UTF-8", {}, chinese},
      {"C", {}, chinese},
      {"POSIX", {}, chinese},
      {"de_DE.UTF-8", {}, chinese},
      {"zh_CN.UTF-8", {QStringLiteral("--lang"), QStringLiteral("en")}, english},
      {"en_US.UTF-8", {QStringLiteral("--lang=zh")}, chinese},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + c.options.join(QLatin1Char(' ')).toStdString());
    const ToolRun r =
        eventdb(QStringList{QStringLiteral("export"), none, file(QStringLiteral("w.csv"))} + c.options, {},
                QString::fromLatin1(c.locale));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith(c.expected)) << r.err.toStdString();
  }
  const ToolRun bad = eventdb({QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("init"), none});
  EXPECT_EQ(bad.status, 2);
  EXPECT_TRUE(bad.err.contains(QStringLiteral("“fr”"))) << bad.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(none));
}

TEST_F(EventdbTransferTest, EnglishFilesOnlyWithTheOption) {
  const int id = app.addParticipant(QStringLiteral("张三"), QStringLiteral("研发部"));
  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where id=%1").arg(id));
  const auto row = [&](const char* name, int r) {
    return readTable(file(QLatin1String(name))).rows.at(size_t(r)).cells;
  };

  // Messages in English, the file as always.
  const ToolRun english = eventdb({QStringLiteral("export"), app.folder(), file(QStringLiteral("w.csv"))}, {},
                                  QStringLiteral("en_US.UTF-8"));
  EXPECT_EQ(english.status, 0);
  EXPECT_TRUE(english.err.contains(QStringLiteral("Winners exported to"))) << english.err.toStdString();
  EXPECT_EQ(row("w.csv", 0).value(1), QStringLiteral("奖项"));
  EXPECT_EQ(row("w.csv", 1).value(1), QStringLiteral("一等奖"));

  const ToolRun asked = eventdb({QStringLiteral("export"), app.folder(), file(QStringLiteral("w-en.xlsx")),
                                 QStringLiteral("--english")});
  EXPECT_EQ(asked.status, 0) << asked.err.toStdString();
  EXPECT_EQ(row("w-en.xlsx", 0), (QStringList{"Draw order", "Prize", "Department", "Name", "Time of draw"}));
  EXPECT_EQ(row("w-en.xlsx", 1).mid(0, 4),
            (QStringList{"1", "First prize", QStringLiteral("研发部"), QStringLiteral("张三")}));
  const ToolRun roster = eventdb({QStringLiteral("export"), app.folder(), file(QStringLiteral("r.csv")),
                                  QStringLiteral("--english"), QStringLiteral("--roster")});
  EXPECT_EQ(roster.status, 0) << roster.err.toStdString();
  EXPECT_EQ(row("r.csv", 0), (QStringList{"Department", "Name", "Photo"}));

  const ToolRun misspelt = eventdb(
      {QStringLiteral("export"), app.folder(), file(QStringLiteral("x.csv")), QStringLiteral("--englsh")});
  EXPECT_EQ(misspelt.status, 2);
  EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("x.csv"))));
}

TEST_F(EventdbTransferTest, AGuessIsConfirmedOnlyByColumnsAndAnUpdateFollowsTheSheet) {
  writeFile(file(QStringLiteral("bare.csv")), QStringLiteral("研发部,张三,001\n研发部,李四,002\n").toUtf8());
  const QStringList bare{QStringLiteral("import"), app.folder(), file(QStringLiteral("bare.csv"))};
  const ToolRun guessed = eventdb(bare + QStringList{QStringLiteral("--yes")});
  EXPECT_EQ(guessed.status, 1);
  EXPECT_TRUE(guessed.err.contains(QStringLiteral("请用 --columns 说明每一列的含义")))
      << guessed.err.toStdString();
  EXPECT_TRUE(roster().isEmpty());
  const ToolRun wrongWord =
      eventdb(bare + QStringList{QStringLiteral("--columns"), QStringLiteral("部门,年龄")});
  EXPECT_EQ(wrongWord.status, 1);
  EXPECT_TRUE(wrongWord.err.contains(QStringLiteral("“年龄”不是列的含义"))) << wrongWord.err.toStdString();
  const ToolRun stated =
      eventdb(bare + QStringList{QStringLiteral("--columns"), QStringLiteral("部门,姓名,工号"),
                                 QStringLiteral("--yes")});
  ASSERT_EQ(stated.status, 0) << stated.err.toStdString();
  EXPECT_EQ(app.rows(QStringLiteral("select gh, bm, xm from yglb order by id")),
            (QStringList{QStringLiteral("001|研发部|张三"), QStringLiteral("002|研发部|李四")}));

  app.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where gh='002'"));
  writeFile(file(QStringLiteral("new.csv")),
            QStringLiteral("工号,部门,姓名\n001,市场部,张三\n003,研发部,王五\n").toUtf8());
  const QStringList again{QStringLiteral("import"), app.folder(), file(QStringLiteral("new.csv"))};
  const ToolRun added = eventdb(again + QStringList{QStringLiteral("--dry-run")});
  EXPECT_EQ(added.status, 0);
  EXPECT_TRUE(added.out.contains(QStringLiteral("名单中已有工号 001"))) << added.out.toStdString();
  const ToolRun updated =
      eventdb(again + QStringList{QStringLiteral("--update"), QStringLiteral("--remove-missing"),
                                  QStringLiteral("--yes")});
  ASSERT_EQ(updated.status, 0) << updated.err.toStdString();
  EXPECT_TRUE(updated.out.contains(QStringLiteral("研发部 李四（工号 002）：保留（已中奖")))
      << updated.out.toStdString();
  EXPECT_EQ(app.rows(QStringLiteral("select gh, bm, xm, zp, zj from yglb order by id")),
            (QStringList{QStringLiteral("001|市场部|张三|zp\\市场部_张三.jpg|0"),
                         QStringLiteral("002|研发部|李四|zp\\研发部_李四.jpg|1"),
                         QStringLiteral("003|研发部|王五|zp\\研发部_王五.jpg|0")}));
  EXPECT_EQ(zpEntries().size(), 3);
}

TEST_F(EventdbTransferTest, RemoveMissingWithoutUpdateIsAUsageError) {
  writeFile(file(QStringLiteral("r.csv")), QStringLiteral("部门,姓名\n研发部,张三\n").toUtf8());
  const ToolRun r = eventdb({QStringLiteral("import"), app.folder(), file(QStringLiteral("r.csv")),
                             QStringLiteral("--remove-missing"), QStringLiteral("--yes")});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("--remove-missing 只能与 --update 一起使用")))
      << r.err.toStdString();
  EXPECT_TRUE(roster().isEmpty());
}

// A kill while moved people's photos are being renamed leaves either the old roster or the new one, with
// every row's photo in place.
TEST_F(EventdbTransferTest, AKilledUpdateLeavesRosterAndPhotosInAgreement) {
  constexpr int kPeople = 200;
  for (int i = 0; i < kPeople; ++i) {
    const int id = app.addParticipant(QStringLiteral("员工%1").arg(i), QStringLiteral("甲部"));
    app.exec(QStringLiteral("update yglb set gh='%1' where id=%2").arg(i).arg(id));
  }
  const auto consistent = [&] {
    const QStringList rows = roster();
    QSet<QString> departments;
    for (const QString& row : rows) {
      const QStringList f = row.split(QLatin1Char('|'));
      departments.insert(f[0]);
      EXPECT_TRUE(QFileInfo::exists(app.path(QStringLiteral("zp/") + f[2].mid(3)))) << row.toStdString();
    }
    EXPECT_EQ(rows.size(), kPeople);
    EXPECT_EQ(departments.size(), 1);  // all or nothing
    return rows.value(0).section(QLatin1Char('|'), 0, 0);
  };
  QString target;
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    target = consistent() == QStringLiteral("甲部") ? QStringLiteral("乙部") : QStringLiteral("甲部");
    QString text = QStringLiteral("工号,部门,姓名\n");
    for (int i = 0; i < kPeople; ++i) text += QStringLiteral("%1,%2,员工%1\n").arg(i).arg(target);
    writeFile(file(QStringLiteral("moved.csv")), text.toUtf8());
    QProcess p;
    p.start(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"),
            {QStringLiteral("import"), app.folder(), file(QStringLiteral("moved.csv")),
             QStringLiteral("--update"), QStringLiteral("--yes")});
    ASSERT_TRUE(p.waitForStarted());
    // Killed as soon as the first photo is linked aside for its move, or wherever it has got by then.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          return p.state() == QProcess::NotRunning ||
                 !QDir(app.path(QStringLiteral("zp")))
                      .entryList({QStringLiteral(".~new-*")}, QDir::Hidden | QDir::Files)
                      .isEmpty();
        },
        30000));
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      ASSERT_TRUE(p.waitForFinished(30000));
    }
    consistent();
  }
  const bool committed = consistent() == target;
  const ToolRun finished = eventdb({QStringLiteral("import"), app.folder(), file(QStringLiteral("moved.csv")),
                                    QStringLiteral("--update"), QStringLiteral("--yes")});
  EXPECT_EQ(consistent(), target);
  EXPECT_EQ(finished.status, committed ? 1 : 0) << finished.err.toStdString();
}

}  // namespace
}  // namespace ld
