// Start-up to the first painted draw window, and peak memory, on events with 10,000 and 100,000
// participants. Every sample is a fresh process (this program with --child): it starts as the program does
// (application, data module, draw window, shown) and reports its first complete paint; then it runs 50
// ticks and 10 stops, opens one settings window and waits for its first paint, and reports its peak
// resident set (ru_maxrss) at each of these points. The parent times each child from launch to that paint.
// Baselines: 500 ms from launch to the first painted window (200 ms at 100,000 participants), and a peak
// of 120 MB at 100,000 participants with the settings window open.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/event_lock.h"
#include "settings/setting_form.h"

namespace {

using namespace ld::bench;

constexpr int kSizes[] = {10000, 100000};

int child(int argc, char** argv, const QString& folder) {
  QElapsedTimer clock;
  clock.start();
  ld::Application app(argc, argv);
  ld::setAppFolder(folder);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("startup_bench"), true));
  const ld::EventLock lock(ld::appFolder());
  ld::LuckyDraw program;
  TVELTRAXForm& form = program.drawWindow();
  FirstPaint watcher(clock);
  form.installEventFilter(&watcher);
  form.show();
  app.exec();
  std::printf("painted %.1f\n", watcher.ms);
  std::fflush(stdout);
  const double startRss = peakResidentMb();

  // 50 ticks and 10 stops; the seeded plan's lucky prizes end at the fifth, so the fireworks show too.
  for (int stop = 0; stop < 10; ++stop) {
    form.GIFAnimatorlogoClick();
    for (int tick = 0; tick < 5; ++tick) {
      form.TimercjTimer();
      QCoreApplication::processEvents();
    }
    form.GIFAnimatorlogoClick();
    QCoreApplication::processEvents();
  }
  const double drawRss = peakResidentMb();

  TsettingForm* settings = program.openSettingsWindow();
  QElapsedTimer settingsClock;
  settingsClock.start();
  FirstPaint settingsPainted(settingsClock);
  settings->installEventFilter(&settingsPainted);
  app.exec();
  std::printf("rss %.1f %.1f %.1f\n", startRss, drawRss, peakResidentMb());
  std::fflush(stdout);
  return 0;
}

struct Sample {
  double launchToPaintMs = 0;
  double mainToPaintMs = 0;
  double startRssMb = 0;
  double drawRssMb = 0;
  double peakRssMb = 0;
};

// Every child starts on the same event: nobody drawn, so its stops hand out the same prizes and fireworks.
void resetResults(const QString& folder) {
  ld::Connection connection;
  connection.setConnectionString(TDataModule1::connectionStringFor(folder + QLatin1Char('/')));
  ld::Query(connection).execSql(QStringLiteral("update yglb set zj=0,zjsx=0"));
}

Sample runChild(const QString& self, const QString& folder) {
  resetResults(folder);
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer clock;
  clock.start();
  p.start(self, {QStringLiteral("--child"), folder});
  Sample s;
  QByteArray out;
  while (!out.contains('\n')) {
    if (!p.waitForReadyRead(30000)) failed("the child did not paint", out);
    out += p.readAllStandardOutput();
  }
  s.launchToPaintMs = double(clock.nsecsElapsed()) / 1e6;
  if (!p.waitForFinished(120000) || p.exitCode() != 0) failed("the child failed", out);
  out += p.readAllStandardOutput();
  double painted = 0, startMb = 0, drawMb = 0, peakMb = 0;
  const QList<QByteArray> lines = out.split('\n');
  if (lines.size() < 2 || std::sscanf(lines[0].constData(), "painted %lf", &painted) != 1 ||
      std::sscanf(lines[1].constData(), "rss %lf %lf %lf", &startMb, &drawMb, &peakMb) != 3)
    failed("unexpected output from the child", out);
  s.mainToPaintMs = painted;
  s.startRssMb = startMb;
  s.drawRssMb = drawMb;
  s.peakRssMb = peakMb;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 3 && QByteArray(argv[1]) == "--child")
    return child(argc, argv, QString::fromLocal8Bit(argv[2]));

  int runs = 10;
  for (int i = 1; i + 1 < argc; ++i)
    if (QByteArray(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
  QCoreApplication app(argc, argv);
  const QString self = QCoreApplication::applicationFilePath();
  for (const int participants : kSizes) {
    QTemporaryDir folder;
    makeEvent(folder.path(), participants, 200);
    runChild(self, folder.path());  // warms the file cache, as a second start on the night would find it

    std::vector<double> launch, inProcess, startRss, drawRss, peakRss;
    for (int i = 0; i < runs; ++i) {
      const Sample s = runChild(self, folder.path());
      launch.push_back(s.launchToPaintMs);
      inProcess.push_back(s.mainToPaintMs);
      startRss.push_back(s.startRssMb);
      drawRss.push_back(s.drawRssMb);
      peakRss.push_back(s.peakRssMb);
      std::printf(
          "%d participants, run %2d: launch to first paint %7.1f ms (main to paint %7.1f ms), peak RSS "
          "%6.1f MB after start-up, %6.1f MB after 50 ticks and 10 stops, %6.1f MB with a settings window\n",
          participants, i + 1, s.launchToPaintMs, s.mainToPaintMs, s.startRssMb, s.drawRssMb, s.peakRssMb);
      std::fflush(stdout);
    }
    std::printf(
        "start-up to first painted draw window, %d participants: median %.1f ms from launch "
        "(min %.1f, max %.1f), %.1f ms from main; target <= %d ms\n",
        participants, median(launch), *std::min_element(launch.begin(), launch.end()),
        *std::max_element(launch.begin(), launch.end()), median(inProcess), participants > 10000 ? 200 : 500);
    std::printf(
        "peak memory, %d participants: median %.1f MB after start-up, %.1f MB after 50 ticks and 10 stops, "
        "%.1f MB with one settings window open\n",
        participants, median(startRss), median(drawRss), median(peakRss));
    std::fflush(stdout);
  }
  return 0;
}
