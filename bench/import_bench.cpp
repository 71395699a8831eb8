// Photo import of a 6000 x 4000 camera-sized JPEG through the settings window's CompressMainFun.
// Baseline: the same conversion with a full-size decode, as a plain JPEG reader would do it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/jpeg.h"
#include "settings/setting_form.h"

namespace {

QString g_source;
TsettingForm* g_form = nullptr;

void BM_CompressMainFun(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(g_form->CompressMainFun(g_source, 100, 480, 360));
}
BENCHMARK(BM_CompressMainFun)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_FullSizeDecodeBaseline(benchmark::State& state) {
  QFile f(g_source);
  f.open(QIODevice::ReadOnly);
  const QByteArray data = f.readAll();
  for (auto _ : state) {
    const QImage full = ld::decodeJpeg(data);
    benchmark::DoNotOptimize(
        ld::encodeJpeg(full.scaled(480, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 100));
  }
}
BENCHMARK(BM_FullSizeDecodeBaseline)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Prints as usual and keeps the medians for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medians;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.aggregate_name == "median") medians[r.run_name.function_name] = r.GetAdjustedRealTime();
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir folder;
  QDir(folder.path()).mkpath(QStringLiteral("zp"));
  QDir(folder.path()).mkpath(QStringLiteral("system"));
  ld::createEventDatabase(folder.path());
  ld::setAppFolder(folder.path());
  ld::setDialogs(std::make_unique<ld::ScriptedDialogs>());
  TDataModule1 dataModule;
  TsettingForm form(dataModule);
  g_form = &form;

  g_source = folder.path() + QStringLiteral("/camera.jpg");
  const QByteArray jpeg = ld::bench::cameraSizedJpeg(6000, 4000);
  QFile out(g_source);
  if (!out.open(QIODevice::WriteOnly) || out.write(jpeg) != jpeg.size()) return 1;
  out.close();
  std::printf("source: 6000 x 4000 JPEG, %.1f MB\n", jpeg.size() / 1e6);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto ours = reporter.medians.find("BM_CompressMainFun");
  const auto base = reporter.medians.find("BM_FullSizeDecodeBaseline");
  if (ours != reporter.medians.end() && base != reporter.medians.end())
    std::printf("import median %.1f ms (target <= 400 ms); full-size decode baseline %.1f ms; ratio %.2f\n",
                ours->second, base->second, ours->second / base->second);
  return 0;
}
