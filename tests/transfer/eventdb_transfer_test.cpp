// The tool's import, export, pack and unpack, as an operator runs them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <ostream>

#include "support/temp_app.h"
#include "transfer/table_file.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace ld {
namespace {

using test::readFile;
using test::TempApp;
using test::writeFile;

struct ToolRun {
  int status = -1;
  QString out, err;
};

ToolRun eventdb(const QStringList& args, const QByteArray& input = {}) {
  QProcess p;
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

}  // namespace
}  // namespace ld
