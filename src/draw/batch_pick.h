#pragma once
// Picking several people at once, fairly: every set of the given size equally likely, in uniformly random
// order, nobody twice. The random source is a parameter so that the picks can be tested on their own.
#include <cstdint>
#include <functional>
#include <vector>

namespace ld {

// A number below `bound` (at least 1), each equally likely.
using UniformSource = std::function<uint32_t(uint32_t bound)>;

// The system's secure generator (arc4random: the kernel's, without modulo bias).
UniformSource secureUniform();

// Moves a uniform random sample of `count` (at most the size) to the front of `items`, in uniformly random
// order: the first places of a Fisher-Yates shuffle.
void shuffleFront(std::vector<int>& items, size_t count, const UniformSource& uniform);

// `count` of `pool` (all of them when it holds fewer).
std::vector<int> pickBatch(std::vector<int> pool, size_t count, const UniformSource& uniform);

}  // namespace ld
