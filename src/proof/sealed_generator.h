#pragma once
// The sealed draw's numbers: a seed from the secret, the seal and the public entropy, then one HMAC per
// attempt, so that anyone holding the three can compute every winner again. Uniform by rejection: a value
// from the part of the 64-bit range that does not divide evenly is thrown away and the next attempt taken.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace ld {

// SHA-256 of secret (32 bytes) ‖ seal (32 bytes) ‖ entropy (UTF-8).
QByteArray sealedSeed(const QByteArray& secret, const QByteArray& seal, const QString& entropy);

// The first 8 bytes, big-endian, of HMAC-SHA256(seed, counter as 8 bytes big-endian).
uint64_t sealedAttempt(const QByteArray& seed, uint64_t counter);

class SealedGenerator {
 public:
  // The value of the attempt numbered by its argument.
  using Attempt = std::function<uint64_t(uint64_t counter)>;
  SealedGenerator(QByteArray seed, uint64_t counter);
  SealedGenerator(Attempt attempt, uint64_t counter) : attempt_(std::move(attempt)), counter_(counter) {}

  // An index below `n` (at least 1), each equally likely; every attempt it makes advances the counter.
  uint64_t index(uint64_t n);
  uint64_t counter() const { return counter_; }

 private:
  Attempt attempt_;
  uint64_t counter_;
};

// The winners of one press of `count` places from `pool` (ascending ids): each place takes the generator's
// index into the pool as it stands, and that participant leaves it, the others keeping their order. An
// empty pool takes no attempt.
std::vector<int> sealedPress(std::vector<int> pool, size_t count, SealedGenerator& generator);

}  // namespace ld
