#include "draw/batch_pick.h"

#include <stdlib.h>

#include <algorithm>
#include <utility>

namespace ld {

UniformSource secureUniform() {
  return [](uint32_t bound) { return arc4random_uniform(bound); };
}

void shuffleFront(std::vector<int>& items, size_t count, const UniformSource& uniform) {
  count = std::min(count, items.size());
  for (size_t i = 0; i < count; ++i) {
    const size_t j = i + uniform(static_cast<uint32_t>(items.size() - i));
    std::swap(items[i], items[j]);
  }
}

std::vector<int> pickBatch(std::vector<int> pool, size_t count, const UniformSource& uniform) {
  shuffleFront(pool, count, uniform);
  pool.resize(std::min(count, pool.size()));
  return pool;
}

}  // namespace ld
