// One paint of the winners board, the largest glow label of the draw window. Baselines: the 3 ms budget
// of a paint, and the same caption drawn as plain text, which shows what the halo costs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <map>
#include <string>

#include "widgets/glow_label.h"

namespace {

QString WinnersBoard() {
  return QStringLiteral("幸运奖30位(3)\r\r张三\r李四\r王五\r赵六\r钱七\r孙八\r周九\r吴十\r郑十一\r欧阳明日");
}

QFont BoardFont() {
  QFont font(QStringLiteral("幼圆"));
  font.setBold(true);
  font.setPixelSize(24);
  return font;
}

void BM_GlowBoardPaint(benchmark::State& state) {
  TGlowLabel label;
  label.setAutoSize(false);
  label.setGeometry(427, 4, 201, 398);
  label.setAlignment(Qt::AlignHCenter);
  label.setFont(BoardFont());
  label.setFontColor(Qt::red);
  label.setCaption(WinnersBoard());
  QImage target(label.size(), QImage::Format_ARGB32_Premultiplied);
  target.fill(QColor(30, 40, 90));
  for (auto _ : state) {
    label.render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_GlowBoardPaint)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_PlainBoardText(benchmark::State& state) {
  QImage target(201, 398, QImage::Format_ARGB32_Premultiplied);
  target.fill(QColor(30, 40, 90));
  const QString text = ld::glow::withLineFeeds(WinnersBoard());
  for (auto _ : state) {
    QPainter painter(&target);
    painter.setFont(BoardFont());
    painter.setPen(Qt::red);
    painter.drawText(QRect(10, 10, 181, 378), Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, text);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_PlainBoardText)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

// Prints as usual and keeps the medians for the ratios.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name == "median") medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const auto glow = medians_.find("BM_GlowBoardPaint"), plain = medians_.find("BM_PlainBoardText");
    if (glow == medians_.end()) return;
    std::printf("winners board glow paint: median %.3f ms, %.2f of the 3 ms budget\n", glow->second,
                glow->second / 3.0);
    if (plain != medians_.end() && plain->second > 0) {
      std::printf("glow paint / plain text paint: %.1f\n", glow->second / plain->second);
    }
  }

 private:
  std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
