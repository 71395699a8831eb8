#include "widgets/stack_blur.h"

#include <algorithm>
#include <vector>

namespace ld {

namespace {

// i / (radius + 1)^2 for every sum the window can reach, so the passes never divide.
std::vector<std::uint8_t> DivisionTable(int radius) {
  const int div = (radius + 1) * (radius + 1);
  std::vector<std::uint8_t> table(static_cast<std::size_t>(256 * div));
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i / div);
  return table;
}

// One row through the window. `line` holds the row with `radius` repeated edge pixels before it and
// radius + 1 after it, so the running sums need no bounds checks.
void BlurRow(const std::uint8_t* line, std::uint8_t* out, int width, int radius, const std::uint8_t* divide) {
  int sum = 0, sumIn = 0, sumOut = 0;
  for (int i = -radius; i <= radius; ++i) {
    const int p = line[i + radius];
    sum += p * (radius + 1 - (i < 0 ? -i : i));
    (i <= 0 ? sumOut : sumIn) += p;
  }
  for (int x = 0; x < width; ++x) {
    out[x] = divide[sum];
    // Slide the window one pixel: the left half loses a step of weight, the right half gains one.
    sum -= sumOut;
    sumOut -= line[x];
    sumIn += line[x + 2 * radius + 1];
    sum += sumIn;
    const int centre = line[x + radius + 1];
    sumOut += centre;
    sumIn -= centre;
  }
}

}  // namespace

void stackBlur(std::uint8_t* plane, int width, int height, std::ptrdiff_t stride, int radius) {
  if (width <= 0 || height <= 0 || radius <= 0) return;
  const std::vector<std::uint8_t> table = DivisionTable(radius);
  const std::uint8_t* divide = table.data();

  std::vector<std::uint8_t> line(static_cast<std::size_t>(width + 2 * radius + 1));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = plane + y * stride;
    std::fill_n(line.begin(), radius, row[0]);
    std::copy_n(row, width, line.begin() + radius);
    std::fill(line.begin() + radius + width, line.end(), row[width - 1]);
    BlurRow(line.data(), row, width, radius, divide);
  }

  // The columns run side by side, row after row, so that memory is read in order.
  std::vector<std::uint8_t> source(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) std::copy_n(plane + y * stride, width, source.begin() + y * width);
  auto sourceRow = [&](int y) { return source.data() + std::clamp(y, 0, height - 1) * width; };

  std::vector<int> sum(width, 0), sumIn(width, 0), sumOut(width, 0);
  for (int i = -radius; i <= radius; ++i) {
    const std::uint8_t* p = sourceRow(i);
    const int weight = radius + 1 - (i < 0 ? -i : i);
    std::vector<int>& half = i <= 0 ? sumOut : sumIn;
    for (int x = 0; x < width; ++x) {
      sum[x] += p[x] * weight;
      half[x] += p[x];
    }
  }
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = plane + y * stride;
    const std::uint8_t* leaving = sourceRow(y - radius);
    const std::uint8_t* entering = sourceRow(y + radius + 1);
    const std::uint8_t* centre = sourceRow(y + 1);
    for (int x = 0; x < width; ++x) {
      out[x] = divide[sum[x]];
      sum[x] -= sumOut[x];
      sumOut[x] += centre[x] - leaving[x];
      sumIn[x] += entering[x];
      sum[x] += sumIn[x];
      sumIn[x] -= centre[x];
    }
  }
}

}  // namespace ld
