// One tick of the rolling tiles (the query and eight photo loads into the tiles) at 1,000, 10,000 and
// 100,000 participants with 480 x 360 photos, against decoding the same eight photos at full size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "data/datamodule.h"
#include "data/query.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/jpeg.h"
#include "widgets/picture_box.h"

namespace {

void run(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"), args);
  if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    std::fprintf(stderr, "eventdb %s failed: %s\n", args.join(' ').toLocal8Bit().constData(),
                 p.readAllStandardError().constData());
    std::exit(1);
  }
}

// An event with n participants, made once per run.
QString eventFolder(int n) {
  static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
  auto& dir = folders[n];
  if (!dir) {
    dir = std::make_unique<QTemporaryDir>();
    run({QStringLiteral("init"), dir->path()});
    run({QStringLiteral("demo"), dir->path(), QString::number(n), QStringLiteral("--distinct-photos"),
         QStringLiteral("200")});
    QDir(dir->path()).mkpath(QStringLiteral("system"));
    QImage logo(480, 360, QImage::Format_RGB32);
    logo.fill(Qt::gray);
    QFile f(dir->path() + QStringLiteral("/system/logo.jpg"));
    if (!f.open(QIODevice::WriteOnly) || f.write(ld::encodeJpeg(logo, 90)) < 0) std::exit(1);
  }
  return dir->path();
}

double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t mid = samples.size() / 2;
  return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

struct Medians {
  double tick = 0;
  double fullDecode = 0;
};
std::map<int, Medians> results;

template <class F>
double timeIterations(benchmark::State& state, F&& work) {
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(elapsed.count());
    samples.push_back(elapsed.count() * 1000);
  }
  const double m = median(samples);
  state.counters["median_ms"] = m;
  return m;
}

void BM_DrawTick(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ld::setAppFolder(eventFolder(n));
  ld::TDataModule1 dataModule;
  TVELTRAXForm form(dataModule);
  form.TimercjTimer();  // the first statement opens the connection
  results[n].tick = timeIterations(state, [&] { form.TimercjTimer(); });
  for (int k = 1; k <= 8; ++k)
    if (!form.Image[k]->hasPicture()) state.SkipWithError("a tile stayed empty");
}

void BM_FullSizeDecode(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ld::setAppFolder(eventFolder(n));
  ld::TDataModule1 dataModule;
  // Eight photos picked as a tick picks them.
  ld::Query& q = dataModule.ADOQuerymain;
  q.openSql(QStringLiteral("select top 8 zp from yglb where zj=0 and  zp<>'' order  BY rnd([ID]) "));
  QStringList files;
  q.first();
  for (int k = 0; k < 8; ++k, q.next()) files << ld::appPath(q.fieldByName(QStringLiteral("zp")).asString());
  results[n].fullDecode = timeIterations(state, [&] {
    for (const QString& file : files) benchmark::DoNotOptimize(ld::decodeJpegFile(file));
  });
}

BENCHMARK(BM_DrawTick)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_FullSizeDecode)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("draw_tick_bench"), true));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\nparticipants  tick median (ms)  8 full-size decodes median (ms)  ratio tick/full decode\n");
  for (const auto& [n, m] : results) {
    if (m.tick <= 0 || m.fullDecode <= 0) continue;
    std::printf("%12d  %16.3f  %31.3f  %22.2f\n", n, m.tick, m.fullDecode, m.tick / m.fullDecode);
  }
  std::printf("targets: median <= 5 ms at 10,000 and <= 25 ms at 100,000 participants\n");
  return 0;
}
