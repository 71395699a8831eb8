// The random order behind every draw: fresh in every process, uniform over orders, full precision.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cmath>
#include <map>

#include "data/datamodule.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

const char* const kOrder = "select id from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) ";

QString orderOf(Query& q) {
  q.openSql(QString::fromLatin1(kOrder));
  QStringList ids;
  q.first();
  for (int i = 0; i < q.recordCount(); ++i, q.next()) ids << q.fieldByName(QStringLiteral("id")).asString();
  return ids.join(QLatin1Char(','));
}

// The first order a freshly started copy of this test program sees on `folder`.
QString orderInFreshProcess(const QString& folder, const QString& out) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LD_ORDER_FOLDER"), folder);
  env.insert(QStringLiteral("LD_ORDER_OUT"), out);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=RandomOrder.DiffersBetweenFreshProcesses")});
  EXPECT_TRUE(child.waitForFinished(120000));
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
  return QString::fromUtf8(ld::test::readFile(out));
}

}  // namespace

// A generator seeded the same at every start passes every test within one process; only a second process
// shows it.
TEST(RandomOrder, DiffersBetweenFreshProcesses) {
  if (qEnvironmentVariableIsSet("LD_ORDER_FOLDER")) {  // the child: report the first order and end
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(qEnvironmentVariable("LD_ORDER_FOLDER")));
    Query q(c);
    ld::test::writeFile(qEnvironmentVariable("LD_ORDER_OUT"), orderOf(q).toUtf8());
    return;
  }
  TempApp app;
  for (int i = 0; i < 20; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("d"));
  const QString first = orderInFreshProcess(app.folder(), app.path(QStringLiteral("first.txt")));
  const QString second = orderInFreshProcess(app.folder(), app.path(QStringLiteral("second.txt")));
  ASSERT_EQ(first.split(QLatin1Char(',')).size(), 20) << first.toStdString();
  ASSERT_EQ(second.split(QLatin1Char(',')).size(), 20) << second.toStdString();
  // Equal by chance with probability 1/20!.
  EXPECT_NE(first, second);
}

TEST(RandomOrder, EveryOrderOfFourRowsIsEquallyLikely) {
  TempApp app;
  for (int i = 0; i < 4; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("d"));
  Query& q = app.dataModule().ADOQuerymain;
  const int runs = 12000;
  std::map<QString, int> seen;
  for (int i = 0; i < runs; ++i) ++seen[orderOf(q)];
  ASSERT_EQ(seen.size(), 24u);
  const double expected = double(runs) / 24;
  double chi2 = 0;
  for (const auto& [order, n] : seen) chi2 += (n - expected) * (n - expected) / expected;
  // 23 degrees of freedom: the 99.9th percentile is 49.7.
  EXPECT_LT(chi2, 49.7);
}

TEST(RandomOrder, NumbersCarryAllFiftyThreeBits) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerymain;
  const int n = 20000;
  q.openSql(QStringLiteral("with recursive c(i) as (select 1 union all select i+1 from c where i<%1) "
                           "select rnd(i) as r from c")
                .arg(n));
  ASSERT_EQ(q.recordCount(), n);
  int ones[53] = {};
  int bins[16] = {};
  q.first();
  for (int i = 0; i < n; ++i, q.next()) {
    const double r = q.fieldByName(QStringLiteral("r")).asFloat();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    const double scaled = std::ldexp(r, 53);
    ASSERT_EQ(scaled, std::floor(scaled)) << "a multiple of 2^-53";
    const auto k = static_cast<quint64>(scaled);
    for (int b = 0; b < 53; ++b) ones[b] += int((k >> b) & 1);
    ++bins[int(r * 16)];
  }
  // Each bit is set in half the numbers: six standard deviations (71 here) either side. A number made from
  // 32 random bits leaves the low ones always clear.
  for (int b = 0; b < 53; ++b) {
    EXPECT_GT(ones[b], n / 2 - 424) << "bit " << b;
    EXPECT_LT(ones[b], n / 2 + 424) << "bit " << b;
  }
  double chi2 = 0;
  const double expected = n / 16.0;
  for (int c : bins) chi2 += (c - expected) * (c - expected) / expected;
  // 15 degrees of freedom: the 99.9th percentile is 37.7.
  EXPECT_LT(chi2, 37.7);
}
