// What the audience screen costs on a real X server with software rendering: the stage full-screen on
// $DISPLAY, ten seconds of rolling (a tick every 100 ms with random photos) and ten seconds of fireworks
// started again and again over a result. For each phase: frames, paint and frame time (p50/p95; a frame is
// the paint and its copy to the X server), and the CPU share of one core of this program (every thread)
// and of the X server. The X server is found by LUCKYDRAW_X_PID, else as the process "Xvfb :N" of the
// display. Targets at 1920 x 1080: p95 frame time <= 16.7 ms, program and X server together <= 50 %.
// Then a batch of 150 winners shown twenty times, its photos not yet decoded: the time from showBatch()
// to its first frame on the screen and from a page turn to the next page's (p50/p95; target <= 100 ms).
//   Xvfb :71 -screen 0 1920x1080x24 &  DISPLAY=:71 build/bench/stage_bench
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "eventdb/demo_roster.h"
#include "framework/app_folder.h"
#include "framework/jpeg.h"
#include "stage/stage_view.h"

namespace {

using namespace ld::bench;

constexpr int kPeople = 150;

// CPU time in ms of a process (user and system, every thread) from /proc/<pid>/stat.
double cpuMs(const QString& pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray line = f.readAll();
  // Fields after the command's closing parenthesis; utime and stime are the 14th and 15th of the line.
  const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0;
  return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

QString xServerPid() {
  if (const QString pid = qEnvironmentVariable("LUCKYDRAW_X_PID"); !pid.isEmpty()) return pid;
  QProcess pgrep;
  pgrep.start(QStringLiteral("pgrep"),
              {QStringLiteral("-f"), QStringLiteral("Xvfb %1( |$)").arg(qEnvironmentVariable("DISPLAY"))});
  pgrep.waitForFinished();
  return QString::fromLatin1(pgrep.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).value(0);
}

// The demo roster's avatar (3 times larger for the sharp copy), with grain so the files have a photo's size
// and cost to decode.
QByteArray portrait(int index, int scale) {
  QImage image = ld::demoAvatar({QStringLiteral("员工%1").arg(index), QStringLiteral("研发部")}, index, scale)
                     .convertToFormat(QImage::Format_RGB32);
  const int width = image.width(), height = image.height();
  quint32 seed = quint32(index + 1) * 2654435761u;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int n = int(seed >> 28) - 8;
      const QRgb c = line[x];
      line[x] =
          qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
    }
  }
  return ld::encodeJpeg(image, 90);
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

struct Phase {
  std::vector<double> paintMs, frameMs;
  double programCpu = 0, xCpu = 0, wallMs = 0;
};

void print(const char* name, const Phase& ph, bool haveX) {
  std::printf(
      "%-10s frames %4zu  paint p50 %6.2f p95 %6.2f ms  frame p50 %6.2f p95 %6.2f ms  program %5.1f %%", name,
      ph.frameMs.size(), percentile(ph.paintMs, 0.5), percentile(ph.paintMs, 0.95),
      percentile(ph.frameMs, 0.5), percentile(ph.frameMs, 0.95), 100 * ph.programCpu / ph.wallMs);
  if (haveX)
    std::printf("  X server %5.1f %%  together %5.1f %%\n", 100 * ph.xCpu / ph.wallMs,
                100 * (ph.programCpu + ph.xCpu) / ph.wallMs);
  else
    std::printf("  X server not found\n");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString xPid = xServerPid();
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("zp"));
  QDir(dir.path()).mkpath(QStringLiteral("zpgq"));
  QDir(dir.path()).mkpath(QStringLiteral("system"));
  QStringList stored;
  for (int i = 0; i < kPeople; ++i) {
    const QString name = QStringLiteral("Dept%1_Person%2.jpg").arg(i % 7).arg(i);
    writeBytes(dir.filePath(QStringLiteral("zp/") + name), portrait(i, 1));
    writeBytes(dir.filePath(QStringLiteral("zpgq/") + name), portrait(i, 3));
    stored << QStringLiteral("zp\\") + name;
  }
  writeBytes(dir.filePath(QStringLiteral("system/logo.jpg")), portrait(kPeople, 1));
  ld::setAppFolder(dir.path());

  ld::StageView view;
  view.setEvent(QStringLiteral("星辰科技股份有限公司"), QStringLiteral("2026 年度盛典"));
  view.setPrize(ld::stage::PrizeProgress{3, QStringLiteral("三等奖"), 3, 10});
  view.showIdle();
  view.setGeometry(app.primaryScreen()->geometry());
  view.showFullScreen();
  Phase* current = nullptr;
  QObject::connect(&view, &ld::StageView::framed, [&](qint64 paintNs, qint64 frameNs) {
    if (!current) return;
    current->paintMs.push_back(paintNs / 1e6);
    current->frameMs.push_back(frameNs / 1e6);
  });
  runEventLoopFor(1500);
  std::printf("stage at %dx%d on %s, X server pid %s\n", view.width(), view.height(),
              qPrintable(qEnvironmentVariable("DISPLAY")), xPid.isEmpty() ? "?" : qPrintable(xPid));

  auto measure = [&](Phase& phase, int ms) {
    current = &phase;
    const double program = processCpuMs(), x = xPid.isEmpty() ? 0 : cpuMs(xPid);
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(ms);
    phase.wallMs = double(wall.nsecsElapsed()) / 1e6;
    phase.programCpu = processCpuMs() - program;
    phase.xCpu = xPid.isEmpty() ? 0 : cpuMs(xPid) - x;
    current = nullptr;
  };

  QRandomGenerator random(42);
  QTimer tick;
  tick.setInterval(100);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    QStringList eight;
    for (int i = 0; i < 8; ++i) eight << stored[random.bounded(int(stored.size()))];
    view.showRolling(eight);
  });
  tick.start();
  runEventLoopFor(1000);
  Phase rolling;
  measure(rolling, 10000);
  tick.stop();

  // The result's one frame: the winner's sharp photo decoded and the scene composed.
  Phase result;
  current = &result;
  view.showResult({ld::stage::Winner{1, 1, QStringLiteral("欧阳娜娜"), QStringLiteral("研发中心 平台架构部"),
                                     stored[3], 3, QStringLiteral("三等奖"), false}});
  runEventLoopFor(500);
  current = nullptr;
  QTimer again;
  again.setInterval(3500);
  QObject::connect(&again, &QTimer::timeout, [&] { view.celebrate(); });
  view.celebrate();
  again.start();
  Phase fireworks;
  measure(fireworks, 10000);
  again.stop();

  // A batch: each time with the photos' cache empty, as a batch's winners were never shown as cards.
  QList<ld::stage::Winner> batch;
  for (int i = 0; i < kPeople; ++i)
    batch << ld::stage::Winner{i + 1,
                               i + 1,
                               QStringLiteral("员工%1").arg(i + 1),
                               QStringLiteral("研发中心"),
                               stored[i],
                               4,
                               QStringLiteral("幸运奖"),
                               false};
  ld::stage::PrizeProgress lucky{4, QStringLiteral("幸运奖"), kPeople, 300};
  lucky.rule = QStringLiteral("仅限部门：销售部、市场部、研发中心；不含标签：外包");
  lucky.pool = 183;
  lucky.eligible = 412;
  std::vector<double> batchMs, turnMs;
  std::vector<double>* waiting = nullptr;
  QElapsedTimer since;
  QObject::connect(&view, &ld::StageView::framed, [&] {
    if (!waiting) return;
    waiting->push_back(double(since.nsecsElapsed()) / 1e6);
    waiting = nullptr;
  });
  auto timed = [&](std::vector<double>& into, const auto& change) {
    waiting = &into;
    since.start();
    change();
    QElapsedTimer limit;
    limit.start();
    while (waiting && limit.elapsed() < 3000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    waiting = nullptr;
  };
  int pages = 0;
  for (int rep = 0; rep < 20; ++rep) {
    view.showIdle();
    runEventLoopFor(150);
    view.photos().clear();
    timed(batchMs, [&] { view.showBatch(lucky, batch); });
    pages = view.pages();
    runEventLoopFor(100);
    timed(turnMs, [&] { view.turnPage(); });
    runEventLoopFor(100);
  }

  print("rolling", rolling, !xPid.isEmpty());
  print("fireworks", fireworks, !xPid.isEmpty());
  if (!result.frameMs.empty())
    std::printf(
        "result     first frame %.2f ms (paint %.2f ms), the sharp photo decoded and the scene composed\n",
        result.frameMs.front(), result.paintMs.front());
  std::printf(
      "batch %d   first frame p50 %6.2f p95 %6.2f ms  page turn p50 %6.2f p95 %6.2f ms  (%zu times, %d "
      "pages)\n",
      kPeople, percentile(batchMs, 0.5), percentile(batchMs, 0.95), percentile(turnMs, 0.5),
      percentile(turnMs, 0.95), batchMs.size(), pages);
  if (const QString shot = qEnvironmentVariable("LUCKYDRAW_SHOTS"); !shot.isEmpty()) {
    view.celebrate();
    runEventLoopFor(1400);
    view.grab().save(QDir(shot).filePath(QStringLiteral("stage_bench_fireworks_%1.png").arg(view.height())));
  }
  return 0;
}
