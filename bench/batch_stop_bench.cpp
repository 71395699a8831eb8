// A press of 150 winners, from the press to the first page of them on the audience's screen, at 1,000 and
// 100,000 participants: the stop (pool under the prize's rule, pick, record, journal, read back) and the
// stage's wall of the press, the rest of its pages laid out as they are turned to. Also the rolling tick
// under the same rule, which must stay as flat as without one. Target: <= 200 ms from press to first page
// at 100,000 participants. Needs an X display (the stage is a real window):
//   Xvfb :74 -screen 0 1920x1080x24 &  DISPLAY=:74 build/bench/batch_stop_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "draw/draw_session.h"
#include "draw/stage_feed.h"
#include "framework/app_folder.h"
#include "stage/stage_view.h"

namespace {

using namespace ld::bench;

constexpr int kPerPress = 150;
constexpr int kPresses = 20;

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

struct Figures {
  std::vector<double> stopMs, firstPageMs, tickMs, plainTickMs;
};

Figures measure(int participants) {
  QTemporaryDir dir;
  makeEvent(dir.path(), participants, 200);
  ld::setAppFolder(dir.path() + QLatin1Char('/'));
  TDataModule1 data;
  ld::PlanStore plan(data.ADOQuerysetting);
  plan.save(true, {1, 1, 1, 2 * kPerPress});
  ld::Prize lucky = *plan.forDraw().prize(4);
  lucky.perDraw = kPerPress;
  lucky.rule.excludeDepartments = QStringList{QStringLiteral("财务部")};
  lucky.rule.excludeTags = QStringList{QStringLiteral("外包")};
  plan.savePrize(lucky);

  ld::DrawSession session(data.ADOQuerymain);
  ld::StageView view;
  ld::StageFeed feed(session, data.ADOQuerymain, view);
  view.showFullScreen();
  feed.refresh();
  runEventLoopFor(500);

  Figures figures;
  bool waiting = false;
  QElapsedTimer since;
  QObject::connect(&view, &ld::StageView::framed, [&] {
    if (!waiting || view.scene() != ld::StageView::Scene::Batch) return;
    figures.firstPageMs.push_back(double(since.nsecsElapsed()) / 1e6);
    waiting = false;
  });
  for (int press = 0; press < kPresses; ++press) {
    // Every press the first of the prize, from the whole roster.
    data.ADOQuerysetting.execSql(QStringLiteral("update yglb set zj=0, zjsx=0 where zj<>0"));
    emit session.resultsCleared();
    session.beginRoll();
    for (int tick = 0; tick < 10; ++tick) {
      QElapsedTimer t;
      t.start();
      session.rollingPhotos();
      figures.tickMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    runEventLoopFor(100);
    view.photos().clear();  // a press's winners were never shown as cards
    waiting = true;
    since.start();
    const QList<ld::DrawResult> winners = session.stop();
    figures.stopMs.push_back(double(since.nsecsElapsed()) / 1e6);
    if (winners.size() != kPerPress)
      failed("a press drew another number of winners", QByteArray::number(winners.size()));
    QElapsedTimer limit;
    limit.start();
    while (waiting && limit.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (waiting) failed("the press never reached the stage");
    runEventLoopFor(100);
  }
  // The same tick without a rule, for comparison.
  lucky.rule = {};
  plan.savePrize(lucky);
  session.beginRoll();
  for (int tick = 0; tick < 200; ++tick) {
    QElapsedTimer t;
    t.start();
    session.rollingPhotos();
    figures.plainTickMs.push_back(double(t.nsecsElapsed()) / 1e6);
  }
  session.abandonRoll();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::vector<std::pair<int, Figures>> runs;
  for (int n : {1000, 100000}) runs.push_back({n, measure(n)});
  for (const auto& [n, f] : runs)
    std::printf(
        "%6d participants: press of %d  stop p50 %6.1f p95 %6.1f ms  press to first page p50 %6.1f p95 %6.1f "
        "ms"
        "  tick under a rule p50 %.2f ms, without %.2f ms\n",
        n, kPerPress, percentile(f.stopMs, 0.5), percentile(f.stopMs, 0.95), percentile(f.firstPageMs, 0.5),
        percentile(f.firstPageMs, 0.95), percentile(f.tickMs, 0.5), percentile(f.plainTickMs, 0.5));
  const double ratio = percentile(runs.back().second.firstPageMs, 0.95) / 200.0;
  std::printf("press to first page at 100,000, p95 against the 200 ms target: ratio %.2f\n", ratio);
  return 0;
}
