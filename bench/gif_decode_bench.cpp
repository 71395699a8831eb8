// GIF decode: our TGIFImage (load + decode of the frame into a QImage) against giflib (DGifSlurp into its
// raster) on the same files, from 16 x 16 icons to 1920 x 1080, 1 to 8 bits, interlaced and not.
// Baseline: giflib (libgif). Prints the ratio ours / giflib per picture and overall; target <= 1.
//
// The pictures are generated here: smooth plasma-like fields with some noise (compressible like artwork),
// and noisy "photo" fields (little compression), quantised to 2^bits levels, written with our LZW encoder
// into files laid out by hand (so that interlaced files can be made too). Two are written the way other
// encoders do: code size 8 over a table of 4 (Pillow), code size 2 under a table of 256 (gifsicle).
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "giflib_reference/giflib_memory.h"
#include "widgets/gif_image.h"
#include "widgets/gif_lzw.h"

namespace {

struct Picture {
  std::string name;
  QByteArray file;
  int pixels = 0;
};

std::vector<std::uint8_t> field(int w, int h, int bits, bool noisy, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  std::vector<std::uint8_t> px(static_cast<size_t>(w) * static_cast<size_t>(h));
  const int levels = 1 << bits;
  const double fx = 6.0 / w, fy = 5.0 / h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double v = 0.5 + 0.25 * std::sin(x * fx * 3.1 + std::cos(y * fy * 2.3)) +
                 0.2 * std::cos((x + y) * fx * 1.7) +
                 0.05 * std::sin(x * fx * 17.0) * std::cos(y * fy * 13.0);
      v += (noisy ? 0.15 : 0.01) * noise(rng);
      int q = static_cast<int>(std::floor(v * levels));
      px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          static_cast<std::uint8_t>(std::clamp(q, 0, levels - 1));
    }
  return px;
}

QByteArray gifFile(int w, int h, int bits, int codeSize, const std::vector<std::uint8_t>& px,
                   bool interlaced) {
  QByteArray out("GIF89a");
  auto u16 = [&](int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
  };
  u16(w);
  u16(h);
  out.append(static_cast<char>(0x80 | 0x70 | (bits - 1)));
  out.append('\0');
  out.append('\0');
  for (int i = 0; i < (1 << bits); ++i) {
    const int g = (1 << bits) > 1 ? i * 255 / ((1 << bits) - 1) : 0;
    out.append(static_cast<char>(g));
    out.append(static_cast<char>(255 - g));
    out.append(static_cast<char>((g * 7) & 0xFF));
  }
  out.append(',');
  u16(0);
  u16(0);
  u16(w);
  u16(h);
  out.append(static_cast<char>(interlaced ? 0x40 : 0));
  std::vector<std::uint8_t> order;
  const std::vector<std::uint8_t>* data = &px;
  if (interlaced) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < h; y += step[p])
        order.insert(order.end(), px.begin() + static_cast<long>(y) * w,
                     px.begin() + static_cast<long>(y + 1) * w);
    data = &order;
  }
  out.append(ld::lzwEncode(data->data(), data->size(), codeSize));
  out.append(';');
  return out;
}

std::vector<Picture> pictures() {
  struct Shape {
    int w, h, bits;
    bool interlaced, noisy;
    int codeSize = 0;  // 0: the table's bits (at least 2)
    int usedBits = 0;  // bits of the indices in use; 0: the table's
  };
  const Shape shapes[] = {
      {16, 16, 1, false, false},    {16, 16, 4, false, false},      {32, 32, 8, true, false},
      {64, 64, 4, false, false},    {128, 128, 8, true, true},      {320, 240, 2, false, false},
      {320, 240, 8, true, false},   {640, 480, 5, false, true},     {800, 600, 8, false, false},
      {800, 600, 8, true, true},    {1280, 1024, 1, false, false},  {1280, 1024, 8, false, false},
      {1920, 1080, 4, true, false}, {1920, 1080, 8, false, false},  {1920, 1080, 8, true, false},
      {1920, 1080, 8, false, true}, {800, 600, 2, false, false, 8}, {800, 600, 8, true, false, 2, 2},
  };
  std::vector<Picture> out;
  unsigned seed = 1;
  for (const Shape& s : shapes) {
    Picture p;
    const int codeSize = s.codeSize ? s.codeSize : std::max(2, s.bits);
    p.name = std::to_string(s.w) + "x" + std::to_string(s.h) + "/" + std::to_string(s.bits) + "bit" +
             (s.interlaced ? "/interlaced" : "") + (s.noisy ? "/noisy" : "") +
             (s.codeSize ? "/codesize" + std::to_string(s.codeSize) : "");
    const int used = s.usedBits ? s.usedBits : s.bits;
    p.file = gifFile(s.w, s.h, s.bits, codeSize, field(s.w, s.h, used, s.noisy, seed++), s.interlaced);
    p.pixels = s.w * s.h;
    out.push_back(std::move(p));
  }
  return out;
}

// ---- giflib from memory ----

int decodeGiflib(const QByteArray& file) {
  ld::test::GiflibMemoryFile giflib(file);
  return giflib.slurp() ? giflib.get()->SavedImages[0].RasterBits[0] : -1;
}

int decodeOurs(const QByteArray& file) {
  TGIFImage img;
  img.loadFromData(file);
  return img.frame(0).bitmap().constBits()[0];
}

// Collects the mean time per iteration of every run.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

// Same pixels from both decoders, or the comparison means nothing.
bool sameResult(const Picture& p) {
  TGIFImage img;
  img.loadFromData(p.file);
  const QImage& bm = img.frame(0).bitmap();
  ld::test::GiflibMemoryFile giflib(p.file);
  if (!giflib.slurp()) return false;
  const SavedImage& s = giflib.get()->SavedImages[0];
  bool same = s.ImageDesc.Width == bm.width() && s.ImageDesc.Height == bm.height();
  for (int y = 0; same && y < bm.height(); ++y)
    for (int x = 0; same && x < bm.width(); ++x) {
      const int ours = bm.format() == QImage::Format_Mono ? (bm.constScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1
                                                          : bm.constScanLine(y)[x];
      same = ours ==
             s.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(bm.width()) + static_cast<size_t>(x)];
    }
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Picture> pics = pictures();
  for (const Picture& p : pics) {
    if (!sameResult(p)) {
      std::fprintf(stderr, "decoders disagree on %s\n", p.name.c_str());
      return 1;
    }
    benchmark::RegisterBenchmark(("ours/" + p.name).c_str(), [&p](benchmark::State& st) {
      for (auto _ : st) benchmark::DoNotOptimize(decodeOurs(p.file));
      st.SetItemsProcessed(st.iterations() * p.pixels);
    });
    benchmark::RegisterBenchmark(("giflib/" + p.name).c_str(), [&p](benchmark::State& st) {
      for (auto _ : st) benchmark::DoNotOptimize(decodeGiflib(p.file));
      st.SetItemsProcessed(st.iterations() * p.pixels);
    });
  }
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  std::printf("\nGIF decode, ours / giflib (lower is better, target <= 1.00):\n");
  double logSum = 0, oursTotal = 0, theirsTotal = 0;
  int n = 0;
  for (const Picture& p : pics) {
    auto a = collector.seconds.find("ours/" + p.name), b = collector.seconds.find("giflib/" + p.name);
    if (a == collector.seconds.end() || b == collector.seconds.end()) continue;
    const double ratio = a->second / b->second;
    std::printf("  %-32s %9.1f us  %9.1f us  ratio %.2f\n", p.name.c_str(), a->second * 1e6, b->second * 1e6,
                ratio);
    logSum += std::log(ratio);
    oursTotal += a->second;
    theirsTotal += b->second;
    ++n;
  }
  if (n > 0) {
    std::printf("  geometric mean of the ratios: %.2f\n", std::exp(logSum / n));
    std::printf("  whole set (sum of times):     %.2f\n", oursTotal / theirsTotal);
  }
  return 0;
}
