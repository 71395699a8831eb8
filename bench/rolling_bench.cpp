// What rolling costs the machine: the draw window shown and rolling on its own 100 ms timer for ten
// seconds after three of warming up, painting included, at 1,000, 10,000 and 100,000 participants with 480 x
// 360 photos, and with 6000 x 4000 camera photos put into zp/ by hand. The figure is the process's CPU time
// over the wall time (offscreen platform: the window paints into its backing store, no display server takes a
// share). Baseline: 5 % of one core.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "bench_support.h"
#include "data/datamodule.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "widgets/picture_box.h"

namespace {

using namespace ld::bench;

struct Share {
  double percent = 0;
  int ticks = 0;
};

Share roll(const QString& folder, int seconds, int warmupMs) {
  ld::setAppFolder(folder);
  TDataModule1 dataModule;
  ld::DrawSession session(dataModule.ADOQuerymain);
  TVELTRAXForm form(session);
  QElapsedTimer clock;
  clock.start();
  FirstPaint painted(clock, false);
  form.installEventFilter(&painted);
  form.show();
  while (!painted.done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

  int ticks = 0;
  QObject::connect(&form.Timercj, &QTimer::timeout, [&ticks] { ++ticks; });
  form.GIFAnimatorlogoClick();
  // The roll's first tick reads what it needs, every photo is shown once or more, and work started with the
  // window (photos looked through in the background) is done.
  runEventLoopFor(warmupMs);
  const int ticksBefore = ticks;
  const double cpuBefore = processCpuMs();
  QElapsedTimer wall;
  wall.start();
  runEventLoopFor(seconds * 1000);
  const double cpu = processCpuMs() - cpuBefore;
  const double elapsed = double(wall.nsecsElapsed()) / 1e6;
  const int rolled = ticks - ticksBefore;
  form.GIFAnimatorlogoClick();
  for (int k = 1; k <= 8; ++k)
    if (!form.Image[k]->hasPicture() && form.Panelzp[k]->isVisible()) failed("a tile stayed empty");
  return {100.0 * cpu / elapsed, rolled};
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("rolling_bench"), true));
  int seconds = 10;
  int warmupMs = 3000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--warmup-ms") == 0) warmupMs = std::max(0, std::atoi(argv[i + 1]));
  }

  struct Case {
    const char* what;
    int participants;
    bool camera;
  };
  const Case cases[] = {{"480 x 360 photos", 1000, false},
                        {"480 x 360 photos", 10000, false},
                        {"480 x 360 photos", 100000, false},
                        {"6000 x 4000 camera photos", 1000, true}};
  for (const Case& c : cases) {
    QTemporaryDir folder;
    makeEvent(folder.path(), c.participants, c.camera ? 8 : 200);
    if (c.camera) {
      replacePhotoFiles(folder.path(), cameraSizedJpeg(6000, 4000));
    }
    const Share share = roll(folder.path(), seconds, warmupMs);
    std::printf("rolling, %d participants, %s: %.1f %% of a core over %d s (%d ticks); target <= 5 %%\n",
                c.participants, c.what, share.percent, seconds, share.ticks);
    std::fflush(stdout);
  }
  return 0;
}
