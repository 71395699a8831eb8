#pragma once

#include <cstddef>
#include <cstdint>

namespace ld {

// Stack blur of one 8-bit plane, in place: a horizontal pass over every row, then a vertical pass over
// every column. Each output is the triangular-weighted sum over 2 * radius + 1 pixels (weights 1 at the
// ends, radius + 1 in the middle) divided by (radius + 1)^2 and rounded down; the rows are rounded
// before the columns are summed, and pixels beyond an edge repeat the edge pixel.
void stackBlur(std::uint8_t* plane, int width, int height, std::ptrdiff_t stride, int radius);

}  // namespace ld
