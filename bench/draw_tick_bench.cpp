// One tick of the rolling tiles (the statement and eight photos into the tiles) at 1,000, 10,000 and
// 100,000 participants with 480 x 360 photos, against decoding the same eight photos at full size; the
// tick with a photo of each participant's own; the tick with 6000 x 4000 camera photos (16 MB files) put
// into zp/ by hand; the stop with such photos, each winner's a file of its own, after the program has run
// for ten seconds and with a roll of a second before each stop; the stop at 100,000 participants.
// Baselines: eight full-size decodes of the tick's photos (ratio target <= 0.2), 1.5 ms per tick, and
// 100 ms from the stop's click to the winner's photo on screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/jpeg.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

namespace {

using namespace ld::bench;

constexpr int kOwnPhotos = -1;        // every participant a photo of their own
constexpr int kCameraPhotos = -2;     // eight 6000 x 4000 photos, linked under every name
constexpr int kOwnCameraPhotos = -3;  // every participant a 6000 x 4000 photo of their own

const QByteArray& cameraPhoto() {
  static const QByteArray jpeg = [] {
    QByteArray bytes = cameraSizedJpeg(6000, 4000, 7);
    std::printf("camera photo: 6000 x 4000, %.1f MB\n", bytes.size() / 1e6);
    return bytes;
  }();
  return jpeg;
}

// An event per kind, made once per run: n participants with 200 distinct 480 x 360 photos, or as above.
QString eventFolder(int n, int kind = 0) {
  static std::map<std::pair<int, int>, std::unique_ptr<QTemporaryDir>> folders;
  auto& dir = folders[{n, kind}];
  if (!dir) {
    dir = std::make_unique<QTemporaryDir>();
    makeEvent(dir->path(), n,
              kind == kOwnPhotos || kind == kOwnCameraPhotos ? 0
              : kind == kCameraPhotos                        ? 8
                                                             : 200);
    if (kind == kCameraPhotos || kind == kOwnCameraPhotos) {
      // The files every name links to become camera pictures.
      const int written = replacePhotoFiles(dir->path(), cameraPhoto());
      if (written != (kind == kCameraPhotos ? 8 : n)) failed("unexpected number of photo files");
    }
  }
  return dir->path();
}

struct Medians {
  double tick = 0;
  double fullDecode = 0;
};
std::map<int, Medians> results;
std::map<std::string, double> others;

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

void checkTiles(benchmark::State& state, TVELTRAXForm& form) {
  for (int k = 1; k <= 8; ++k)
    if (!form.Image[k]->hasPicture()) state.SkipWithError("a tile stayed empty");
}

// A roll as the window runs it: the click that starts it, then tick after tick.
double rollingTicks(benchmark::State& state, int n, int kind, int warmTicks) {
  ld::setAppFolder(eventFolder(n, kind));
  TDataModule1 dataModule;
  ld::DrawSession session(dataModule.ADOQuerymain);
  TVELTRAXForm form(session);
  form.GIFAnimatorlogoClick();
  form.Timercj.stop();  // ticks are called here, not by the timer
  for (int i = 0; i < warmTicks; ++i) form.TimercjTimer();
  const double m = timeIterations(state, [&] { form.TimercjTimer(); });
  checkTiles(state, form);
  return m;
}

void BM_DrawTick(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  results[n].tick = rollingTicks(state, n, 0, 1);
}

void BM_DrawTickOwnPhotos(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  others["own photos tick " + std::to_string(n)] = rollingTicks(state, n, kOwnPhotos, 1);
}

void BM_DrawTickCameraPhotos(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  // Enough ticks for every one of the eight pictures to have been shown (96 tiles: all eight but once in
  // five thousand runs).
  others["camera photos tick"] = rollingTicks(state, n, kCameraPhotos, 12);
}

// From the click that stops a roll to the winner's photo on screen, after a roll of `rollMs` on the
// window's own timer (or a single tick when 0).
double stops(benchmark::State& state, int n, int kind, int runFirstMs, int rollMs) {
  ld::setAppFolder(eventFolder(n, kind));
  TDataModule1 dataModule;
  dataModule.ADOQuerymain.execSql(QStringLiteral("update yglb set zj=0,zjsx=0"));
  ld::DrawSession session(dataModule.ADOQuerymain);
  TVELTRAXForm form(session);
  form.show();
  runEventLoopFor(runFirstMs);
  std::vector<double> samples;
  for (auto _ : state) {
    form.GIFAnimatorlogoClick();
    if (rollMs > 0)
      runEventLoopFor(rollMs);
    else
      form.TimercjTimer();
    const auto start = std::chrono::steady_clock::now();
    form.GIFAnimatorlogoClick();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(elapsed.count());
    samples.push_back(elapsed.count() * 1000);
    if (!form.Image[0]->hasPicture() || form.GlowLabelcj0->isHidden()) state.SkipWithError("no winner shown");
  }
  dataModule.ADOQuerymain.execSql(QStringLiteral("update yglb set zj=0,zjsx=0"));
  const double m = median(samples);
  state.counters["median_ms"] = m;
  return m;
}

void BM_StopCameraPhotos(benchmark::State& state) {
  others["camera photos stop"] =
      stops(state, static_cast<int>(state.range(0)), kOwnCameraPhotos, 10000, 1000);
}

void BM_Stop(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  others["stop " + std::to_string(n)] = stops(state, n, 0, 0, 0);
}

void BM_FullSizeDecode(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ld::setAppFolder(eventFolder(n));
  TDataModule1 dataModule;
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
BENCHMARK(BM_DrawTickOwnPhotos)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DrawTickCameraPhotos)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StopCameraPhotos)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_Stop)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

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
  std::printf("targets: tick median <= 1.5 ms and ratio <= 0.2 at every size\n\n");
  for (const auto& [name, ms] : others) std::printf("%s: median %.3f ms\n", name.c_str(), ms);
  std::printf("targets: camera photos tick no more than the 1,000 tick; camera photos stop <= 100 ms\n");
  return 0;
}
